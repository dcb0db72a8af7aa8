# A batch script with a parameter card of 139 characters (Freq's step in columns 133 to 136)
# and a typing error at "SPECT:" (letter O for a zero). The card is read whole, so Freq is
# fitted and shows its error; the refused line is asked again from the next one, which sets
# the time range (a fit of the whole run would have some 7900 degrees of freedom), and the
# run ends with status 2 and the line on standard error.
grep -qE '^  3 Freq         1\.50[0-9]+  [0-9.]+E-[0-9]+ ' out.txt ||
  { echo "Freq was not fitted"; grep 'Freq' out.txt; exit 1; }
grep -q '^ EVAL: O is not defined' out.txt || { echo "no EVAL message"; exit 1; }
grep -aq '^    589 bins from T_1 =  0.020 to T_2 =  6.003' stdout ||
  { echo "the time range of the next line was not taken"; exit 1; }
