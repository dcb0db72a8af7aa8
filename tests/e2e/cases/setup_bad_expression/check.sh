# In batch an expression that does not evaluate with the initial parameter values stops
# the run where it is entered: the evaluator's one message, the refusal on the screen, in
# the log and as the reason on standard error, status 1, no fit.
set -u
refusal=' *** Expression for 201 does not evaluate with the initial parameter values: Asym*'
[ "$(grep -c 'EVAL:' out.txt)" = 1 ] || { echo "not one evaluator message"; exit 1; }
[ "$(grep -cxF "$refusal" out.txt)" = 1 ] || { echo "no refusal on the screen"; exit 1; }
grep -qxF "$refusal" stdout || { echo "no refusal in the log"; exit 1; }
[ "$(cat err.txt)" = "${refusal# }" ] || { echo "standard error: $(cat err.txt)"; exit 1; }
! grep -q '^MINUIT> ' out.txt || { echo "the fit went on"; exit 1; }
