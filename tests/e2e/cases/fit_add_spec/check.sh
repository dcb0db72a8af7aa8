# The second run went into spectrum 1; sigma of the Gaussian form has no factor 1/2.
grep -q '^ Add to   1: Run #  4022' stdout || { echo "no Add to line in the log"; exit 1; }
bash "$CASE/../../truth_check.sh" out.txt Phase=30 Asym=0.2 Freq=2.2 Sigma=0.28284271
