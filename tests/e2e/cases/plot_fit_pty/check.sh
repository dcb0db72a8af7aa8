# The plot dialog at PL: a printer plot of 19 groups into the log, a DB file of the same
# groups (files/fit.db), then a declined DB dump and EXIT with the points left undrawn.
want_dialog='MINUIT> PL
PLOT_FIT> TIMES 0,1,50
PLOT_FIT> PRINTER
Printer plot? y
PLOT_FIT> 
PLOT_FIT> DB_DUMP
Dump to *.DB file? y
DB File: fit.db
PLOT_FIT> 
PLOT_FIT> ERR_SPEC
PLOT_FIT> DB_DUMP
Dump to *.DB file? n
PLOT_FIT> 
PLOT_FIT> EXIT
MINUIT> EXIT'
got=$(sed -n '/^MINUIT> PL$/,/^MINUIT> EXIT$/p' out.txt)
[ "$got" = "$want_dialog" ] || { echo "the plot dialog differs:"; echo "$got"; exit 1; }
frame='                        +'$(printf -- '-%.0s' $(seq 104))'+'
[ "$(grep -cxF "$frame" fit.prt)" = 2 ] || { echo "no two frame lines in the log"; exit 1; }
rows=$(grep -c '^9 ' fit.prt)
[ "$rows" = 19 ] || { echo "$rows printer rows, expected 19"; exit 1; }
bad=$(grep '^9 ' fit.prt | awk 'length($0) != 130' | wc -l)
[ "$bad" = 0 ] || { echo "printer rows not 130 wide"; exit 1; }
# the first row: time, value, the zero column and the data point (its error below a column)
grep -q '^9  0.04063  0.2151      |  *\.  *-     |$' fit.prt || { echo "first printer row"; exit 1; }
