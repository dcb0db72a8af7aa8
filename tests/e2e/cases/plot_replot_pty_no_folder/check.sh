# At the keyboard, REPLOT 4,3 into a plot file whose folder is missing: the first redraw
# gives up with one message and asks nothing, so MINOS and EXIT reach "MINUIT> " as typed;
# no further redraw is tried, and the run ends normally.
want='MINUIT> MIGRAD
 Cannot write the plot file no_such_folder/fit.png (No such file or directory)
 MINUIT converged.'
got=$(grep -A2 -x 'MINUIT> MIGRAD' out.txt)
[ "$got" = "$want" ] || { echo "the redraw's failure differs:"; echo "$got"; exit 1; }
[ "$(grep -c 'Cannot write the plot file' out.txt)" = 1 ] || { echo "not one message"; exit 1; }
! grep -q 'Format?' out.txt || { echo "a device question was put"; exit 1; }
! grep -q 'ROZUDE:' out.txt || { echo "the plot dialog opened"; exit 1; }
grep -qx 'MINUIT> MINOS' out.txt || { echo "MINOS was not read at MINUIT>"; exit 1; }
grep -q '^  4 Sigma .* 0\.00[0-9]*  *0\.00[0-9]*  *0\.' out.txt || { echo "no MINOS errors"; exit 1; }
grep -qx 'MINUIT> EXIT' out.txt || { echo "EXIT was not read at MINUIT>"; exit 1; }
[ ! -e no_such_folder ] || { echo "the folder was made"; exit 1; }
