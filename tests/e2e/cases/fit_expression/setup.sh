# A transverse-field run at 1.8 MHz; the fit's frequency slot is an expression.
. "$CASE/../../tf_runs.sh" && tf_run_1_8mhz tf.zog
