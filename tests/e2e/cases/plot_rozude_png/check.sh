# PL computes spectrum 1 into the plot package, a second empty line opens ROZUDE: over it;
# its DB dump shows the title, the labels the fit gave (X label with byte 181) and the
# points: per group a marker, the error bar between two colour points, then the theory;
# its hardcopy is a PNG.
want_dialog='MINUIT> PL
PLOT_FIT> TIMES 0,2,50
PLOT_FIT> SPECTRUM 1,0
PLOT_FIT> 
PLOT_FIT> 
ROZUDE: DB_DUMP
DB file to contain the point: rozude.db
ROZUDE: HARDCOPY'
got=$(sed -n '/^MINUIT> PL$/,/^ROZUDE: HARDCOPY$/p' out.txt)
[ "$got" = "$want_dialog" ] || { echo "the plot dialog differs:"; echo "$got"; exit 1; }
grep -qx 'Format? (filename/devicetype): fit.png/png' out.txt || { echo "no hardcopy question"; exit 1; }
printf ' TITLE\n   1234: Generated run  [1 vs 2] ASY\n LABELS\n TIME [\265s]\n Raw Asymmetry\n\n DATA X Y TYP\n' > head.want
head -7 rozude.db | cmp - head.want || { echo "the dump's title and labels differ"; exit 1; }
printf '%s\n' \
  '       0.0406250,,,       0.2151061,,,      1,,, ' \
  '       0.0406250,,,       0.2151061,,,     -2,,, ' \
  '       0.0406250,,,       0.2128700,,,     -1,,, ' \
  '       0.0406250,,,       0.2173422,,,     -1,,, ' \
  '       0.0406250,,,       0.2151061,,,     -2,,, ' > first.want
sed -n 8,12p rozude.db | cmp - first.want || { echo "the first group's points differ"; exit 1; }
n=$(grep -c ',,,' rozude.db)
[ "$n" = 234 ] || { echo "$n points, expected 39 groups of 5 and 39 theory points"; exit 1; }
[ "$(grep -c ',,,     -1,,, $' rozude.db)" = $((39 * 2 + 39)) ] || { echo "line points"; exit 1; }
[ "$(head -c 8 fit.png | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || { echo "no PNG"; exit 1; }
