grep -q '^ Spectrum 1: Run #' stdout || { echo "no spectrum in the log"; exit 1; }
[ -s expr.ans ] || { echo "the answer file named by OUTPUT was not written"; exit 1; }
grep -q '2\*Half' expr.ans || { echo "the expression is not in the answer file"; exit 1; }
bash "$CASE/../../truth_check.sh" out.txt Phase=45 Asym=0.2 Half=0.9 Lambda=0.15
