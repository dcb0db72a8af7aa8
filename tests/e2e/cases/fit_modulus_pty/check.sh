# At the keyboard, a modulus fit: QUALITY at "STATUS>" and at "CHANGE>" counts the real
# half's bins only (the imaginary half weighs nothing). After a parameter is changed,
# MINUIT has forgotten its minimum, yet QUALITY, the table after CH, the final report and
# the answer file all show the chi-square at the changed value, above the minimum, not 0.
set -u
screen=$(sed 's/\x1b\[?2004[hl]//g' out.txt)
fail() { echo "$1"; exit 1; }
bins=$(grep -a 'bins from T_1' fit.prt | head -1 | awk '{print $1}')
ndf=$((bins - 2))
[ "$(grep -c "^ Deg Freedom = $(printf '%13d' "$ndf")\$" <<<"$screen")" = 2 ] ||
  fail "two QUALITY blocks with Deg Freedom = $ndf expected"
grep -qE "^ SPECTRUM  2:  Chisq = +0\.00  for    0  bins" <<<"$screen" ||
  fail "STATUS>: the imaginary half is not shown with 0 bins"
tables=($(grep -a ' Chi Squared = ' <<<"$screen" | awk '{print $4}'))
quality=($(grep -a ' Chisquared  = ' <<<"$screen" | awk '{print $3}'))
echo "tables ${tables[*]}, QUALITY ${quality[*]}"
[ "${#tables[@]}" = 2 ] && [ "${#quality[@]}" = 2 ] || fail "two tables and two QUALITY blocks expected"
# QUALITY shows two decimals, the table eight digits.
same() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a - b < 0.006 && b - a < 0.006) }'; }
same "${quality[0]}" "${tables[0]}" || fail "STATUS> QUALITY is not the fit's chi-square"
same "${quality[1]}" "${tables[1]}" || fail "the table after CH is not the chi-square at the change"
awk -v m="${tables[0]}" -v c="${tables[1]}" 'BEGIN { exit !(m > 100 && c > m + 1) }' ||
  fail "the chi-square at the changed value is not above the minimum"
report=$(grep -a ' Chisquared  =' fit.prt | tail -1 | awk '{print $3}')
answer=$(grep 'NDFR, CHISQ' mod.ans | awk '{print $3}')
echo "final report $report, answer file $answer"
awk -v c="${tables[1]}" -v r="$report" -v a="$answer" 'BEGIN {
  exit !(r - c < 0.1 && c - r < 0.1 && a - c < 0.1 && c - a < 0.1) }' ||
  fail "the final report or the answer file lost the chi-square"
grep -qE "^! +$ndf, " mod.ans || fail "answer file: NDFR is not $ndf"
