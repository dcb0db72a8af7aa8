# The modulus bins' errors are their scatter: the fit's reduced chi-square is 1 within its
# statistics (148 degrees of freedom: 1 +/- 0.12), not 2 as when the two parts' errors were
# combined as weights, and the truth lies within the errors.
set -u
bash "$CASE/../../truth_check.sh" out.txt Asym=0.22 Lambda=0.3
