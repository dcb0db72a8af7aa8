# ^D at a terminal ends the run as the end of its script ends a batch run at the same
# question: the same exit status, the same dialog up to there, the same answer files.
# The case's own run: ^D at "DIRADE>" with nothing defined stops at once, as in batch.
[ "$(grep -c '^ ERROR!   There are no spectra defined! $' out.txt)" = 1 ] ||
  { echo "the set-up did not end at the first ^D"; exit 1; }
[ "$(grep -c '^DIRADE> ' out.txt)" = 1 ] || { echo "DIRADE> asked again after ^D"; exit 1; }
kavrin=$KAVRIN
# A run of the script's first k lines, piped (batch) or typed at a pseudo-terminal (pty),
# where ^D follows them.
run() {
  local d=$1_$2
  mkdir -p "$d" && cp tf.zog "$d" && head -n "$2" "$CASE/script" > "$d/input" || return 1
  (cd "$d" || exit 1
   if [ "$1" = batch ]; then "$kavrin" < input > out.txt 2> err.txt
   else python3 "$CASE/../../pty_run.py" "$kavrin" input > out.txt 2> err.txt; fi
   echo $? > status)
}
dialog() { grep -E '^(TITLE \(or @Filename\) > |Parameter #|DIRADE> |"Initial|DATA File name > |SPECT: |MINUIT> [^ ])' "$1"; }
stamp() { sed 's/[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9] [0-9-]*/TIME/' "$1"; }
# ^D at the title, a parameter line, "DIRADE>" with nothing defined, "SPECT:" before the
# histograms are chosen, "SPECT:" after, "MINUIT>" after MIGRAD.
cuts="0 1 6 11 14 18"
for k in $cuts; do run batch "$k" & run pty "$k" & done
wait
fail=0
for k in $cuts; do
  b=batch_$k p=pty_$k
  if [ "$(cat $b/status)" != "$(cat $p/status)" ]; then
    echo "^D after line $k: status $(cat $p/status), batch $(cat $b/status)"; fail=1
  fi
  if ! diff <(dialog $b/out.txt) <(dialog $p/out.txt) > $p/dialog.diff; then
    echo "^D after line $k: the dialogs differ"; cat $p/dialog.diff; fail=1
  fi
  for f in tf.ans tf.ans.row; do
    [ -f $b/$f ] || [ -f $p/$f ] || continue
    if ! diff <(stamp $b/$f) <(stamp $p/$f) > $p/$f.diff; then
      echo "^D after line $k: $f differs"; fail=1
    fi
  done
done
# The script reaches a fit: its answer file is among those compared.
[ -f batch_18/tf.ans ] || { echo "no answer file after MIGRAD"; fail=1; }
exit $fail
