bash "$CASE/../../truth_check.sh" out.txt Alpha=1.1 Asym=0.23 Delta=1 Hop=2
