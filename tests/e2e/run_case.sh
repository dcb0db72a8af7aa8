#!/usr/bin/env bash
# Runs one end-to-end case of kavrin in a fresh folder and compares what it
# printed and wrote with the case's expected text.
#
# A case folder holds:
#   input            standard input (piped, so kavrin runs in batch)
#   stdout           the expected standard output
#   stderr           optional: the expected standard error (a pseudo-terminal
#                    shows it among the output instead)
#   status           the expected exit status (0 when absent)
#   pty              optional: when present, kavrin runs at a pseudo-terminal
#                    (interactive) and each input line is typed at its prompt
#   xvfb             optional, with pty: kavrin gets a virtual X display, so that
#                    plots open a window
#   setup.sh         optional: run first in the work folder (TOOLS names the
#                    folder of the generator programs, CASE the case folder)
#   files/NAME       optional: the expected content of file NAME after the run
#   mask.sed         optional: sed script applied to both sides before
#                    comparing (dates, timings)
#   env              optional: NAME=value lines, set for kavrin's run only
#   check.sh         optional: extra checks run last in the work folder (KAVRIN
#                    names the program the case runs, for runs of its own)
set -u
kavrin=$1 case=$2 work=$3 tools=${4:-}
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 2
export TZ=UTC LC_ALL=C TERM=dumb INPUTRC=/dev/null TOOLS=$tools CASE=$case KAVRIN=$kavrin
# No X display: plots go to the file devices the cases name, never to a window.
unset DISPLAY
if [ -f "$case/setup.sh" ]; then
  bash "$case/setup.sh" || { echo "setup.sh failed"; exit 1; }
fi
run_env=()
if [ -f "$case/env" ]; then mapfile -t run_env < "$case/env"; fi
if [ -f "$case/pty" ]; then
  display=()
  [ -f "$case/xvfb" ] && display=(--xvfb)
  env "${run_env[@]}" python3 "$(dirname "$0")/pty_run.py" "${display[@]}" "$kavrin" \
    "$case/input" > out.txt 2> err.txt
else
  env "${run_env[@]}" "$kavrin" < "$case/input" > out.txt 2> err.txt
fi
status=$?
fail=0
want_status=0
[ -f "$case/status" ] && want_status=$(cat "$case/status")
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"; fail=1
fi
mask() { if [ -f "$case/mask.sed" ]; then sed -f "$case/mask.sed" "$1"; else cat "$1"; fi; }
compare() {  # expected actual label
  if ! diff -u <(mask "$1") <(mask "$2") > diff.txt; then
    echo "--- $3 differs:"; cat diff.txt; fail=1
  fi
}
[ -f "$case/stdout" ] && compare "$case/stdout" out.txt stdout
[ -f "$case/stderr" ] && compare "$case/stderr" err.txt stderr
if [ -d "$case/files" ]; then
  for f in "$case"/files/*; do
    name=$(basename "$f")
    if [ ! -f "$name" ]; then echo "--- $name was not written"; fail=1; continue; fi
    compare "$f" "$name" "$name"
  done
fi
if [ -f "$case/check.sh" ]; then
  bash "$case/check.sh" || { echo "--- check.sh failed"; fail=1; }
fi
if [ $fail -ne 0 ] && [ -s err.txt ]; then echo "--- stderr:"; cat err.txt; fi
exit $fail
