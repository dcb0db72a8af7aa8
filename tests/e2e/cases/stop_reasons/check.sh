# Every stop with status 1 says why on standard error, one line, the text the screen or the
# log shows; a refused SPECTRUM or IND_VAR stops at the refusal, so the answer after it is
# never read as a command. The main run: bad parameter lines, whose errors the screen of a
# batch run does not show (they go to the log).
grep -qx ' ERROR:   Parameter number        101 greater than allowed maximum of  100' stdout ||
  { echo "the log lacks the parameter line's error"; exit 1; }
kavrin=$KAVRIN
fail=0
# At a terminal the same stop shows the count on the screen, then the reason from standard
# error.
mkdir -p pty && (cd pty && python3 "$CASE/../../pty_run.py" "$kavrin" "$CASE/input" > out.txt)
[ $? = 1 ] || { echo "pty: not status 1"; fail=1; }
printf '    2 FATAL ERRORS on Parameter inputs.  ABORT!\n\n\n2 FATAL ERRORS on Parameter inputs.  ABORT!\n' |
  cmp -s - <(tail -4 pty/out.txt) || { echo "pty: the transcript ends otherwise"; fail=1; }
head_lines() {  # a fit's head: title, two parameters, the set-up's first signal
  printf '%s\n1 Asym 0.2 0.01\n2 Rate 0.3 0.01\n0\nSIGNAL 0,1,0,2\n' "$1"
}
spectrum() { printf 'SPECTRUM\nrun.zog\nSPEC_TYP 2\nHIST_# 1,2\nTIMES %s\n\n' "${1:-0.1,2,50}"; }
# stop NAME REASON: the input on standard input, run in its own folder
stop() {
  mkdir -p "$1" && cp run.zog bad.tbl "$1"/ && cat > "$1/input"
  (cd "$1" && "$kavrin" < input > out.txt 2> err.txt)
  local status=$?
  [ "$status" = 1 ] || { echo "$1: status $status"; fail=1; }
  printf '%s\n' "$2" | cmp -s - "$1/err.txt" || { echo "$1: standard error is"; cat "$1/err.txt"; fail=1; }
  if grep -q 'Unrecognized' "$1/out.txt" && [ "${1#help}" = "$1" ]; then
    echo "$1: an answer was read as a command"; fail=1
  fi
}
{ head_lines "The hundredth spectrum"; for i in $(seq 100); do spectrum; done; printf '\nMIGRAD\n'; } |
  stop spectrum_100 '*** Only 99 SPECTRA allowed! ***'
printf 'DIRADE> SPECTRUM\n\n *** Only 99 SPECTRA allowed! ***\n\n' | cmp -s - <(tail -4 spectrum_100/out.txt) ||
  { echo "spectrum_100: the transcript goes on after the refusal"; fail=1; }
{ head_lines "The eleventh variable"; spectrum; printf 'IND_VAR\n'
  for i in $(seq 10); do printf 'V%s, %s\n' "$i" "$i"; done; printf 'IND_VAR\nV11, 11\n\n\nMIGRAD\n'; } |
  stop ind_var_11 '*** Only 10 Independent Variables allowed! ***'
printf 'DIRADE> IND_VAR\n\n *** Only 10 Independent Variables allowed! ***\n\n' | cmp -s - <(tail -4 ind_var_11/out.txt) ||
  { echo "ind_var_11: the transcript goes on after the refusal"; fail=1; }
{ head_lines "TIMES after the data"; spectrum 7,9,50; printf '\nMIGRAD\n'; } |
  stop times_outside '*** TIMES range   7.000000 to   9.000000 us holds no packed bin; good data from   0.003906 to   6.243750 us'
grep -q 'Ready to pack' times_outside/out.txt && { echo "times_outside: a bin count was printed"; fail=1; }
{ head_lines "Help at the set-up"; printf '?\n'; spectrum; printf '\n'; } |
  stop help_dirade '*** CMLI -- Unrecognized Command "?       "'
{ head_lines "Help at the spectrum dialog"; printf 'SPECTRUM\nrun.zog\nHELP\n\n\n'; } |
  stop help_spect '*** CMLI -- Unrecognized Command "HELP    "'
printf 'A table that is not one\n1 A 0.2 0.01\n2 D 0.3 0.01\n3 H 1 0.1\n0\nSIGNAL 0,1,0,-2,3\nbad.tbl\n' |
  stop bad_table '*** Table file bad.tbl: record 1 claims 1802401130 bytes, more than the file holds'
# The log says why too, not only the reader's fixed text.
grep -qxF ' *** Table file bad.tbl: record 1 claims 1802401130 bytes, more than the file holds' \
  bad_table/stdout || { echo "bad_table: the log lacks the reason"; fail=1; }
mkdir -p nesting && printf '@self\n' > nesting/self
printf '@self\n' | stop nesting '*** ASK:  Attempt to nest Indirect files more than 10 deep ***'
exit $fail
