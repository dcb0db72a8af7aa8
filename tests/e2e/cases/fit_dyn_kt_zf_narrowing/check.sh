bash "$CASE/../../truth_check.sh" out.txt Alpha=1.1 Asym=0.23 Hop=40
