# A transverse-field run at 1.8 MHz and a stored answer file whose frequency expression does
# not evaluate.
. "$CASE/../../tf_runs.sh" && tf_run_1_8mhz tf.zog
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
