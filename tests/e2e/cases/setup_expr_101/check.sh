grep -qx " \*\*\*\* DIRADE cannot store more than100 Expressions to Evaluate! \*\*\*\*" out.txt || { echo "no message"; exit 1; }
[ "$(grep -c "^Expression: " out.txt)" = 100 ] || { echo "not 100 expressions asked"; exit 1; }
