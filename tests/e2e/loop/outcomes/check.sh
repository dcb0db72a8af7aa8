# MINOS found its minimum by a MIGRAD of its own (no minimum was known), the second
# RETURN made no second final call, and neither did the END after it (see stdout).
set -e
grep -qE '^ \*\* +[0-9]+ \*\*MINOS' stdout
[ "$(grep -cE '^ \*\* +[0-9]+ \*\*RETURN' stdout)" = 2 ]
