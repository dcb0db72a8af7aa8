# The script of the batch run, typed at a pseudo-terminal: the same questions and answers,
# plus what only the keyboard sees (parameter echo, spectrum line, hint, end-of-fit questions).
kavrin=$KAVRIN
python3 "$CASE/../../pty_run.py" "$kavrin" "$CASE/input" > pty.txt || { echo "pty run failed"; exit 1; }
dialog() { grep -E '^(TITLE \(or @Filename\) > |Parameter #|DIRADE> |DATA File name > |SPECT: |MINUIT> [^ ])' "$1"; }
if ! diff <(dialog out.txt) <(dialog pty.txt) > dialog.diff; then
  echo "the dialogs differ:"; cat dialog.diff; exit 1
fi
for want in '   4 Sigma       0.3000000      1.0000000E-02 Unbounded  ' \
            '          Enter MINUIT Commands (use readahead if needed):' \
            'Answer file is? [] > '; do
  grep -qxF "$want" pty.txt || { echo "the keyboard run lacks: $want"; exit 1; }
done
grep -q '^   Spectrum  1:   1234: Generated run' pty.txt || { echo "no spectrum line"; exit 1; }
! grep -q 'Enter MINUIT Commands' out.txt || { echo "the batch run gave the keyboard hint"; exit 1; }
[ -s fit.prt ] || { echo "no log fit.prt"; exit 1; }
bash "$CASE/../../truth_check.sh" pty.txt Phase=-20 Asym=0.25 Freq=3.1 Sigma=0.35355339
