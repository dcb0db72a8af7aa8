# MINOS errors belong to the fit they were computed for: after a command that changes the
# free parameters, the limits or the minimum, the parameter table, the answer file's cards
# and the table row show only the errors of the fit that follows. Each row of the table
# below replaces the MINUIT commands of the case's input (the first row is the input's
# own) and says whether MINOS errors belong in the results; the last row, with MINOS as
# the last command, shows that the checks see them when they are there.
set -u
cases=(
  "fix|0|MIGRAD;MINOS;FIX 2;MIGRAD;EXIT"
  "release|0|MIGRAD;FIX 2;MIGRAD;MINOS;RELEASE 2;MIGRAD;EXIT"
  "setlim|0|MIGRAD;MINOS;SETLIM 2, 0.1, 2;MIGRAD;EXIT"
  "remigrad|0|MIGRAD;MINOS;SETPAR 3, 3.09;MIGRAD;EXIT"
  "minos_last|1|MIGRAD;FIX 2;MIGRAD;RELEASE 2;MIGRAD;MINOS;EXIT"
)
fail=0
for row in "${cases[@]}"; do
  IFS='|' read -r name minos cmds <<< "$row"
  mkdir -p "$name" && cp tf.zog "$name/"
  { sed '/^MIGRAD$/,$d' "$CASE/input"; tr ';' '\n' <<< "$cmds"; } > "$name/fit.kav"
  (cd "$name" && "$KAVRIN" < fit.kav > out.txt 2> err.txt) || { echo "$name: kavrin failed"; fail=1; continue; }
  # The last parameter table: columns of the layout (1X,I2,1X,A10,A13,A10,1X,2A10,...).
  awk '/ Chi Squared = /{n=0; delete t} /^  *[0-9]+ /{t[++n]=$0} END{for(i=1;i<=n;i++) print t[i]}' \
    "$name/out.txt" > "$name/table.txt"
  for k in 1 2 3 4; do
    line=$(awk -v k="$k" 'substr($0,2,2)+0 == k' "$name/table.txt")
    label=$(cut -c5-14 <<< "$line" | tr -d ' ')
    err=$(cut -c28-37 <<< "$line" | tr -d ' ')
    pos=$(cut -c39-48 <<< "$line" | tr -d ' ')
    neg=$(cut -c49-58 <<< "$line" | tr -d ' ')
    [ -n "$err" ] || continue                            # fixed: value only
    card=$(awk -v k="$k" '$1 == k {print $4; exit}' "$name/fit.ans")
    rowline=$(grep "^  $label *=" "$name/fit.ans.row")
    e1=$(cut -d, -f2 <<< "${rowline#*=}" | tr -d ' ')
    e2=$(cut -d, -f3 <<< "${rowline#*=}" | tr -d ' ')
    if [ "$minos" = 0 ]; then
      want_card=$err
      [ -z "$pos$neg" ] || { echo "$name: $label shows MINOS errors $pos $neg"; fail=1; }
      [ -z "$e2" ] || { echo "$name: row of $label records two errors $e1 $e2"; fail=1; }
      awk -v a="$e1" -v b="$err" 'BEGIN{d=a-b; if(d<0)d=-d; exit !(d <= 1e-3*b)}' ||
        { echo "$name: row error of $label is $e1, the table's $err"; fail=1; }
    else
      [ -n "$pos" ] && [ -n "$neg" ] || { echo "$name: $label lacks its MINOS errors"; fail=1; }
      want_card=$(awk -v e="$err" -v p="$pos" -v n="$neg" 'BEGIN{m=(p+n)/2; print (m > e ? m : e)}')
    fi
    awk -v a="$card" -v b="$want_card" 'BEGIN{d=a-b; if(d<0)d=-d; exit !(d <= 2e-3*b)}' ||
      { echo "$name: card step of $label is $card, want $want_card"; fail=1; }
  done
done
exit $fail
