#!/usr/bin/env bash
# Prints, one a line, the commands MINUIT echoed into the log $1 (its " **  n **"
# lines, without the counter and trailing blanks): what the loop handed it.
grep -E '^ \*\* +[0-9]+ \*\*' "$1" | sed -E 's/^ \*\* +[0-9]+ \*\*//; s/ +$//'
