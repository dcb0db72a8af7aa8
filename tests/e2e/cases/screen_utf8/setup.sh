# A transverse-field run; its spectrum's "Ready to pack" line and reports carry the signs.
. "$CASE/../../tf_runs.sh" && tf_run_3_1mhz tf.zog
