# ^D at "ROZUDE: " with a plot window at a terminal ends the input as the end of a script
# does: the empty answer draws the page, and the window goes without a "Press RETURN"
# that would read the keyboard after all (the run then sat there until RETURN).
want_dialog='MINUIT> PL
PLOT_FIT> TIMES 0,2,50
PLOT_FIT> 
PLOT_FIT> 
ROZUDE: 
ROZUDE: 
PLOT_FIT> 
MINUIT> 
RESULTS> '
got=$(sed -n '/^MINUIT> PL$/,/^RESULTS> $/p' out.txt)
[ "$got" = "$want_dialog" ] || { echo "the dialogs after ^D differ:"; echo "$got"; exit 1; }
