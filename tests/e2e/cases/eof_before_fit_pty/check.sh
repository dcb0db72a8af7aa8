# ^D at the keyboard before any minimisation (here at "GUESS>" after the set-up replayed
# from tf2.ans; below at "DIRADE>" after a set-up file that ends there) ends the run with
# nothing written: an unfitted "result" (start values, steps as errors, the start
# chi-square) used to replace the earlier fit's files after a run through every end-of-fit
# question.
said=' *** Input ended before any minimisation: nothing written, the files of an earlier fit are kept'
check() {  # screen, what
  grep -qxF "$said" "$1" || { echo "$2: the end is not said"; exit 1; }
  ! grep -qE 'RESULTS>|Answer file is\?|Want one last chance' "$1" ||
    { echo "$2: the end-of-fit questions were put"; exit 1; }
  cmp -s tf2.ans kept/tf2.ans && cmp -s tf2.ans.row kept/tf2.ans.row ||
    { echo "$2: the earlier fit's files were changed"; exit 1; }
}
grep -q '^GUESS> $' out.txt || { echo "no GUESS> prompt"; exit 1; }
check out.txt "^D at GUESS>"
printf '@upto_dirade.kav\n' > typed
python3 "$CASE/../../pty_run.py" "$KAVRIN" typed > dirade.txt 2>&1 || { echo "status $?"; exit 1; }
grep -q '^DIRADE> $' dirade.txt || { echo "no DIRADE> prompt at the keyboard"; exit 1; }
check dirade.txt "^D at DIRADE>"
