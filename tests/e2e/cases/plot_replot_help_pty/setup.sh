# A transverse-field run, and the help file beside it (VULHELP names the work folder).
. "$CASE/../../tf_runs.sh" && tf_run_1_5mhz tf.zog
cp "$CASE/../../../../help/users.hlp" . || exit 1
