# REPLOT on the X window at the keyboard: the redraws during MIGRAD ask nothing (no RETURN
# prompt), so the next line typed is read at "MINUIT> ". Then the same with MINOS typed
# ahead together with MIGRAD, as a quick typist does: it must still reach "MINUIT> ".
! grep -q 'Press RETURN' out.txt || { echo "a redraw asked for RETURN"; exit 1; }
for cmd in MIGRAD MINOS EXIT; do
  grep -qx "MINUIT> $cmd" out.txt || { echo "no $cmd at MINUIT>"; exit 1; }
done
mkdir -p ahead && cd ahead && cp ../tf.zog . || exit 1
python3 - "$CASE/../../pty_run.py" "$KAVRIN" "$CASE/input" > out.txt <<'PY' || { echo "typed-ahead run failed"; exit 1; }
import os, sys
sys.path.insert(0, os.path.dirname(sys.argv[1]))
import pty_run
kavrin, input_path = sys.argv[2], sys.argv[3]
with open(input_path, "rb") as f:
    lines = f.read().splitlines()
at = lines.index(b"MIGRAD")
lines = lines[:at] + lines[at + 2:]   # MIGRAD and MINOS come at once, below
typed = [b"MIGRAD\nMINOS\n"]
def on_prompt(screen):
    if typed and screen.endswith(b"MINUIT> ") and screen.count(b"MINUIT> ") == 1:
        return typed.pop()
    return None
pty_run.type_on_display([kavrin], lines, on_prompt)
PY
! grep -q 'Press RETURN' out.txt || { echo "typed ahead, a redraw asked for RETURN"; exit 1; }
grep -q 'MINUIT> MIGRAD' out.txt || { echo "typed ahead, no MIGRAD"; cat out.txt; exit 1; }
grep -q "THE NEGATIVE MINOS ERROR OF PARAMETER  4" fit.prt || { echo "typed ahead, MINOS never ran"; exit 1; }
grep -qx 'MINUIT> EXIT' out.txt || { echo "typed ahead, EXIT not at MINUIT>"; exit 1; }
