# A transverse-field run and an earlier fit of it in batch, whose answer file tf2.ans and
# row file the keyboard runs below must leave as they are; the copies keep them to compare.
. "$CASE/../../tf_runs.sh" && tf_run_1_5mhz tf.zog
"$KAVRIN" < "$CASE/first.kav" > first.out 2>&1 || { echo "the earlier fit failed"; exit 1; }
mkdir kept && cp tf2.ans tf2.ans.row kept/
# The same set-up without the blank line that ends "DIRADE>": the file ends at that prompt.
sed -n '1,/^TIMES/p;/^TIMES/q' "$CASE/first.kav" > upto_dirade.kav && echo >> upto_dirade.kav
