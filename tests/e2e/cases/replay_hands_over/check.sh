# The user's MIGRAD ran, the file's SHOW and EXIT were never read.
grep -qx 'MINUIT> MIGRAD' out.txt || { echo "MIGRAD was not typed at the prompt"; exit 1; }
! grep -q 'FCNVALUE' out.txt || { echo "the answer file was still read after the set-up"; exit 1; }
bash "$CASE/../../truth_check.sh" out.txt Phase=0 Asym=0.21 Freq=1.2 Lambda=0.25
