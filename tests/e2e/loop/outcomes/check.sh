# MINOS found its minimum by a MIGRAD of its own (no minimum was known), and the
# second RETURN made no second final call (see stdout).
set -e
grep -qE '^ \*\* +[0-9]+ \*\*MINOS' stdout
[ "$(grep -cE '^ \*\* +[0-9]+ \*\*RETURN' stdout)" = 2 ]
