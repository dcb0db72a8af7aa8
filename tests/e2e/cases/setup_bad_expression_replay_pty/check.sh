# Replayed at the keyboard, an answer file's expression that does not evaluate is refused
# once and asked again of the user, who answers it; the file's later lines are not taken
# as expressions one after the other.
set -u
screen=$(sed 's/\x1b\[?2004[hl]//g' out.txt)
refusal=' *** Expression for 201 does not evaluate with the initial parameter values: Asym*'
[ "$(grep -c ' does not evaluate ' <<<"$screen")" = 1 ] ||
  { echo "refusals: $(grep -c ' does not evaluate ' <<<"$screen")"; exit 1; }
after=$(grep -A1 -xF "$refusal" <<<"$screen" | sed -n 2p)
[ "$after" = 'Expression: 2*Half' ] || { echo "after the refusal: $after"; exit 1; }
[ "$(grep -c 'EVAL:' <<<"$screen")" = 1 ] || { echo "not one evaluator message"; exit 1; }
bash "$CASE/../../truth_check.sh" out.txt Phase=45 Asym=0.2 Half=0.9 Lambda=0.15
