# "?" at either count of REPLOT shows REPLOT's help and the question again; the counts typed
# after it are taken (two redraws of the default device) and the fit goes on to MINUIT.
for q in 'Replot each ? passes: ' 'Maximum # of Replots: '; do
  n=$(grep -cxF "$q?" out.txt); [ "$n" = 1 ] || { echo "\"$q?\" seen $n times"; exit 1; }
  grep -A8 -xF "$q?" out.txt | grep -qxF 'DIRADE REPLOT' || { echo "no help after \"$q?\""; exit 1; }
done
grep -qxF 'Replot each ? passes: 5' out.txt || { echo "5 not asked for again"; exit 1; }
# The second count is an expression longer than 80 characters: read whole, not cut.
grep -qxF "Maximum # of Replots: 1+1$(printf '+0%.0s' $(seq 45))" out.txt || { echo "1+1+0... not asked for again"; exit 1; }
[ "$(grep -c ' n-th function call, at most m times' out.txt)" = 2 ] || { echo "help text not shown twice"; exit 1; }
grep -qx 'MINUIT> MIGRAD' out.txt || { echo "no MIGRAD at MINUIT>"; exit 1; }
! grep -q 'EVAL: invalid' out.txt || { echo "\"?\" or a count read as a bad number"; exit 1; }
