# PLot and CHange make MINUIT forget its minimum; END afterwards still reports and records
# the fit's chi-square (the one MIGRAD found, at the same parameters), never 0.
set -u
want=$(grep -a ' Chi Squared = ' out.txt | head -1 | sed 's/.*Chi Squared = \([^ ]*\) .*/\1/')
row=$(grep 'CHI_SQ' tf.ans.row | sed 's/.*= *\([^,]*\),.*/\1/')
ans=$(grep 'NDFR, CHISQ' tf.ans | sed 's/.*, *\([^ ]*\) *= NDFR.*/\1/')
report=$(grep -a 'Chisquared  =' stdout | tail -1 | sed 's/.*= *//')
echo "MIGRAD $want, row $row, answer $ans, report $report"
awk -v w="$want" -v r="$row" -v a="$ans" -v p="$report" 'BEGIN {
  d = w * 1e-4
  if (w < 100 || r - w > d || w - r > d || a - w > d || w - a > d || p - w > d || w - p > d) exit 1 }'
