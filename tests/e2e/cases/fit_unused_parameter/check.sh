# Parameter 5 enters no slot: its second derivative is 0 and the HESSE that closes MIGRAD
# fails, leaving errors from a diagonal matrix. MIGRAD's outcome is HESSE's failure, word
# for word what a following HESSE says, never "converged".
set -u
after() { grep -a -A1 "^MINUIT> $1\$" out.txt | sed -n 2p; }
echo "after MIGRAD: $(after MIGRAD)"
echo "after HESSE:  $(after HESSE)"
[ "$(after MIGRAD)" = " MINUIT admits failure." ] || exit 1
[ "$(after HESSE)" = " MINUIT admits failure." ] || exit 1
! grep -q 'MINUIT converged' out.txt
