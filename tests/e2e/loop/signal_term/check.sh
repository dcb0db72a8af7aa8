# SIGTERM (sent from a shell escape) says "Killed" on standard error and ends the run
# with status 1, after closing the units: the log keeps what was written before.
set -e
[ "$(cat err.txt)" = "Killed" ]
grep -qxF ' Signals' stdout
