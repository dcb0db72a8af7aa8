# The log file cannot be opened: the run stops at once with the reason, status 1.
set -e
[ "$(cat err.txt)" = "*** Cannot open the log file stdout: Is a directory" ]
