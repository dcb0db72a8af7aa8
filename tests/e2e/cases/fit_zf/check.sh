bash "$CASE/../../truth_check.sh" out.txt Alpha=1.15 Asym=0.23 Delta=0.35
