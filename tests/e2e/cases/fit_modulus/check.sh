# A modulus spectrum: its imaginary half is stored as a second fitted spectrum whose bins all
# carry no weight. The degrees of freedom are the real half's bins less the two variable
# parameters, in the report, the status table, the answer file and the table row; the
# difference in standard deviations follows from them. After CH the table still shows the
# fit's chi-square, not MINUIT's forgotten 0.
set -u
bins=$(grep -a 'bins from T_1' stdout | head -1 | awk '{print $1}')
ndf=$((bins - 2))
chi=$(grep -a ' Chisquared  =' stdout | tail -1 | awk '{print $3}')
echo "bins $bins, ndf $ndf, chi-square $chi"
fail() { echo "$1"; exit 1; }
grep -aqx " Deg Freedom = $(printf '%8d' "$ndf")" stdout || fail "report: no Deg Freedom = $ndf"
diff=$(grep -a ' Difference  =' stdout | tail -1 | awk '{print $3}')
awk -v c="$chi" -v n="$ndf" -v d="$diff" 'BEGIN { w = sqrt(2 * c) - sqrt(2 * n - 1)
  exit !(d - w < 0.01 && w - d < 0.01) }' || fail "report: Difference $diff"
grep -aqE "^ SPECTRUM  2:  Chisq = +0\.0 for +0 bins \(   1 to +$bins\)" stdout ||
  fail "report: the imaginary half is not shown with 0 bins"
grep -qE "^! +$ndf, +[0-9.]+ += NDFR, CHISQ" mod.ans || fail "answer file: NDFR is not $ndf"
grep -qE "^  N_DEG_FR= +$ndf,,, " mod.ans.row || fail "table row: N_DEG_FR is not $ndf"
# Both status tables (after MIGRAD and after CH): chi-square and reduced over ndf.
tables=$(grep -a ' Chi Squared = ' out.txt)
[ "$(wc -l <<<"$tables")" = 2 ] || fail "two status tables expected"
while read -r _ _ _ c _ _ r _; do
  awk -v c="$c" -v r="$r" -v x="$chi" -v n="$ndf" 'BEGIN { w = c / n
    exit !(c > 100 && (c - x) / x < 1e-3 && (x - c) / x < 1e-3 && (r - w) / w < 1e-4 && (w - r) / w < 1e-4) }' ||
    fail "status table: Chi Squared = $c, Reduced = $r"
done <<<"$tables"
