# A label that cannot name a variable (as stored answer files may hold) is accepted with
# one warning when its line is read; the fit's expressions evaluate without a message at
# every call, and the fit converges on the truth.
set -u
warning=' *** Parameter   2: label "2bad" is no variable name; expressions cannot use it'
[ "$(grep -cxF "$warning" out.txt)" = 1 ] || { echo "not one warning on the screen"; exit 1; }
grep -qxF "$warning" stdout || { echo "no warning in the log"; exit 1; }
! grep -q 'EVAL:' out.txt || { echo "the evaluator complained: $(grep -c 'EVAL:' out.txt) lines"; exit 1; }
bash "$CASE/../../truth_check.sh" out.txt Phase=45 2bad=0.2 Half=0.9 Lambda=0.15
