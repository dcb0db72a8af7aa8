# REPLOT 5,2 on a default device that cannot open: the first redraw gives up with the
# backend's one message and reads nothing (MINOS is not taken as a device name, END not as
# a "ROZUDE: " command), the second is never tried, and MIGRAD, MINOS and END run on to
# the final report.
! grep -q 'Format?' out.txt || { echo "a device question was put"; exit 1; }
! grep -q 'ROZUDE:' out.txt || { echo "the plot dialog opened"; exit 1; }
[ "$(grep -c 'giza - ERROR' err.txt)" = 1 ] || { echo "not one device message:"; cat err.txt; exit 1; }
[ "$(wc -l < err.txt)" = 1 ] || { echo "more on standard error:"; cat err.txt; exit 1; }
for cmd in MIGRAD MINOS END; do
  grep -qx "MINUIT> $cmd" out.txt || { echo "no $cmd line"; exit 1; }
done
grep -q 'THE NEGATIVE MINOS ERROR OF PARAMETER  4' stdout || { echo "MINOS did not run"; exit 1; }
grep -q '^ Chisquared  = ' stdout || { echo "no final report in the log"; exit 1; }
grep -q 'MINUIT returns code   10\.' out.txt || { echo "END did not end the fit"; exit 1; }
bash "$CASE/../../truth_check.sh" out.txt Phase=10 Asym=0.22 Freq=1.5 Lambda=0.3 || exit 1
