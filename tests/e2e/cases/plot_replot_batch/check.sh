# REPLOT 5,2 redraws the plot twice during MIGRAD (on the default device, which draws
# nothing here); the fit goes on to the same result and the log gets no printer plot.
bash "$CASE/../../truth_check.sh" out.txt Phase=10 Asym=0.22 Freq=1.5 Lambda=0.3 || exit 1
! grep -q '^ *+----' stdout || { echo "a printer plot in the log"; exit 1; }
grep -q '^DIRADE> REPLOT 5,2$' out.txt || { echo "no REPLOT line"; exit 1; }
