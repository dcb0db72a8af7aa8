# The batch run's last minimisation (SIMPLEX cut off after 5 calls) did not converge: its
# results are written all the same, the run says so on standard error and ends with
# status 3. Each row below replaces that SIMPLEX by other commands and gives the status:
# a converged MIGRAD, and a SIMPLEX after it that finds nothing better (the converged
# minimum stands), end with 0.
set -u
[ -s fit.ans ] && [ -s fit.ans.row ] || { echo "results not written"; exit 1; }
fail=0
for row in "migrad|0|MIGRAD" "again|0|MIGRAD;SIMPLEX 5" "first_fails|3|SIMPLEX 5;MIGRAD;SIMPLEX 5;SIMPLEX 5,0.0001;SETPAR 3, 1.3;SIMPLEX 5"; do
  IFS='|' read -r name want cmds <<< "$row"
  mkdir -p "$name" && cp tf.zog "$name/"
  awk -v c="$cmds" '$0 == "SIMPLEX 5" {n = split(c, a, ";"); for (i = 1; i <= n; i++) print a[i]; next} {print}' \
    "$CASE/input" > "$name/fit.kav"
  (cd "$name" && "$KAVRIN" < fit.kav > out.txt 2> err.txt)
  rc=$?
  if [ "$rc" != "$want" ]; then echo "$name: status $rc, expected $want"; cat "$name/err.txt"; fail=1; fi
  if [ "$want" = 0 ] && [ -s "$name/err.txt" ]; then echo "$name: stderr not empty"; fail=1; fi
done
exit $fail
