# The run the retried answer names; nope.dat does not exist.
. "$CASE/../../tf_runs.sh" && tf_run_1_5mhz a1.dat
