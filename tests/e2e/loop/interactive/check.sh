# At a terminal the log is fit.prt, and the remarks are also written there.
set -e
[ -f fit.prt ] && [ ! -e stdout ]
grep -qxF '                "initial asymmetry"' fit.prt
