# An answer file that sets up a fit and would go on to end it; at the keyboard the
# blank line that ends the set-up closes the file, so MINUIT's commands come from the user.
"$TOOLS/kavrin_rungen" --model exp --freq 1.2 --lambda 0.25 --asym 0.21 --phases 0,180 \
  --n0 1000 --seed 41 tf.zog >> setup.txt
cat > fit.cmd <<'END'
Replayed at the keyboard
1 Phase 0 5
2 Asym 0.2 0.01
3 Freq 1.15 0.01
4 Lambda 0.2 0.01
0
SIGNAL 1,2,3,4
SPECTRUM
tf.zog
SPEC_TYP 2
HIST_# 1,2
TIMES 0.02, 6, 10


SHOW FCNVALUE
EXIT
END
