# The real program at a terminal with a window for its plots: each drawing asks for RETURN,
# and a word typed there ("EXIT", "q") is that prompt's answer, the whole line, never the
# next one of the "ROZUDE: " dialog (the plot library's own prompt took one character and
# left "XIT" for the dialog, or an empty line that closed it).
want_dialog='MINUIT> PL
PLOT_FIT> TIMES 0,2,50
PLOT_FIT> 
PLOT_FIT> 
ROZUDE: 
 Press RETURN for next page: EXIT
ROZUDE: TICS 0.5,0.1
  Tic intervals on X and Y axes (0.0=default): 0.5, 0.1 
ROZUDE: 
 Press RETURN for next page: q
ROZUDE: EXIT
PLOT_FIT> EXIT
MINUIT> EXIT'
got=$(sed -n '/^MINUIT> PL$/,/^MINUIT> EXIT$/p' out.txt)
[ "$got" = "$want_dialog" ] || { echo "the plot dialogs differ:"; echo "$got"; exit 1; }
! grep -q 'Unrecognized' out.txt || { echo "a word reached the wrong dialog"; exit 1; }
