# A transverse-field run that every fit of the case reads.
. "$CASE/../../tf_runs.sh" && tf_run_1_5mhz tf.zog
