# 100 accepted lines and then 0 end the list as usual; a 101st line with a number
# stops the list as a fatal error, reported in the log (batch).
set -e
diff <(grep -A5 -B1 '^FATAL ERROR' stdout) - <<'LOG'

FATAL ERROR. More than 100 Parameters!


    1 FATAL ERRORS on Parameter inputs.  ABORT!


LOG
