# A transverse-field run at 1.8 MHz and a stored answer file whose frequency expression does
# not evaluate.
"$TOOLS/kavrin_rungen" --model exp --freq 1.8 --lambda 0.15 --asym 0.2 --phases 45,225 \
  --n0 1500 --seed 51 tf.zog > setup.txt
cat > bad.ans <<'END'
An answer file with an expression that does not evaluate
1 Phase 40 5
2 Asym 0.2 0.01
3 Half 0.85 0.01
4 Lambda 0.2 0.01
0
SIGNAL 1, 2, 201, 4
Asym*
SPECTRUM
tf.zog
SPEC_TYP 2
HIST_# 1,2
TIMES 0.02, 6, 10


MIGRAD
EXIT
END
