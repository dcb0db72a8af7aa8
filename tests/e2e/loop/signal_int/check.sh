# ^C at the prompt: "Interrupt" (on the terminal, see stdout), status 1, and the log
# is closed with what was written before.
set -e
grep -qxF ' Interrupt' fit.prt
