bash "$CASE/../../truth_check.sh" out.txt Phase=10 Asym=0.22 Freq=1.5 Lambda=0.3
