# With every parameter fixed, REPLOT 1,1 makes the first PL's redraw a call of the plot
# with mode 0, which in batch writes a printer plot of spectrum 1 into the log; the
# second PL finds the one redraw done.
[ "$(grep -c '^ *+----' stdout)" = 2 ] || { echo "not exactly one printer plot in the log"; exit 1; }
sed -n '/^ *+---/,/^ *+---/p' stdout > printer.got
diff -u "$CASE/printer.txt" printer.got || { echo "the printer plot differs"; exit 1; }
