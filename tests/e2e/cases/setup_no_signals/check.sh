grep -qx " ERROR!   There are no signals defined! " out.txt || { echo "no message"; exit 1; }
! grep -q "MINUIT>" out.txt || { echo "the batch run went on"; exit 1; }
