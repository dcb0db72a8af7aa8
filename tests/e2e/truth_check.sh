#!/usr/bin/env bash
# Checks the last parameter table of a kavrin transcript against the truth a run was
# generated with: every named parameter within three of its errors, the reduced
# chi-square within 0.25 of 1, and MIGRAD converged.
#   truth_check.sh TRANSCRIPT NAME=VALUE ...
set -u
out=$1; shift
grep -q ' MINUIT converged\.' "$out" || { echo "MIGRAD did not converge"; exit 1; }
# The last table: from the last "Chi Squared" line on.
table=$(awk '/ Chi Squared = /{buf=""} {buf=buf $0 "\n"} END{printf "%s", buf}' "$out")
[ -n "$table" ] || { echo "no parameter table"; exit 1; }
fail=0
reduced=$(printf '%s\n' "$table" | awk '/ Chi Squared = /{print $7; exit}')
if ! awk -v r="$reduced" 'BEGIN{exit !(r > 0.75 && r < 1.25)}'; then
  echo "reduced chi-square $reduced is not near 1"; fail=1
fi
for pair in "$@"; do
  name=${pair%%=*} truth=${pair#*=}
  line=$(printf '%s\n' "$table" | awk -v n="$name" '$1 ~ /^[0-9]+$/ && $2 == n {print; exit}')
  if [ -z "$line" ]; then echo "no line for $name"; fail=1; continue; fi
  read -r _ _ value error _ <<< "$line"
  if ! awk -v v="$value" -v e="$error" -v t="$truth" \
       'BEGIN{d = v - t; if (d < 0) d = -d; exit !(e > 0 && d <= 3 * e)}'; then
    echo "$name = $value +- $error is not within three errors of $truth"; fail=1
  else
    echo "$name = $value +- $error (truth $truth)"
  fi
done
echo "reduced chi-square $reduced"
exit $fail
