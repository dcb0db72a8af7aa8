# A transverse-field run at 3.1 MHz with Gaussian damping.
. "$CASE/../../tf_runs.sh" && tf_run_3_1mhz tf.zog
