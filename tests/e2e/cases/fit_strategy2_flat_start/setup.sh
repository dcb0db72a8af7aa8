# A transverse-field run: forward and backward histograms precessing at 1.5 MHz.
. "$CASE/../../tf_runs.sh" && tf_run_1_5mhz tf.zog
