# The real program at a terminal with a window for its plots: each drawing asks for RETURN,
# and a word typed there ("EXIT", "q") is that prompt's answer, the whole line, never the
# next one of the "ROZUDE: " dialog (the plot library's own prompt took one character and
# left "XIT" for the dialog, or an empty line that closed it).
want_dialog='MINUIT> PL
PLOT_FIT> TIMES 0,2,50
PLOT_FIT> 
PLOT_FIT> 
ROZUDE: 
 Press RETURN for next page: EXIT
ROZUDE: TICS 0.5,0.1
  Tic intervals on X and Y axes (0.0=default): 0.5, 0.1 
ROZUDE: 
 Press RETURN for next page: q
ROZUDE: EXIT
PLOT_FIT> EXIT
MINUIT> EXIT'
got=$(sed -n '/^MINUIT> PL$/,/^MINUIT> EXIT$/p' out.txt)
[ "$got" = "$want_dialog" ] || { echo "the plot dialogs differ:"; echo "$got"; exit 1; }
! grep -q 'Unrecognized' out.txt || { echo "a word reached the wrong dialog"; exit 1; }

# The same at a quick typist's pace: at each RETURN prompt the word and the next dialog
# lines arrive at once. The prompt takes its own line only; the lines typed ahead are the
# next "ROZUDE: " commands (a new tick interval and a redraw, then new X limits).
kavrin=$KAVRIN
mkdir -p ahead && cd ahead && cp ../tf.zog . || exit 1
python3 - "$CASE/../../pty_run.py" "$kavrin" "$CASE/input" > out.txt <<'PY' || { echo "typed-ahead run failed"; exit 1; }
import os, sys
sys.path.insert(0, os.path.dirname(sys.argv[1]))
import pty_run
kavrin, input_path = sys.argv[2], sys.argv[3]
with open(input_path, "rb") as f:
    lines = f.read().splitlines()
# The keyboard case's lines from its first RETURN prompt to its "ROZUDE: " EXIT are typed
# ahead below; the rest (PLOT_FIT>, MINUIT> and the end of the fit) as before.
lines = lines[:lines.index(b"EXIT")] + lines[lines.index(b"q") + 2:]
at_prompt = [b"EXIT\nTICS 0.5,0.1\n\n", b"q\nX_LIMITS 0.5,1.5\nEXIT\n"]
prompt = b" Press RETURN for next page: "
def on_prompt(screen):
    if at_prompt and screen.endswith(prompt) and screen.count(prompt) == 3 - len(at_prompt):
        return at_prompt.pop(0)
    return None
with open("xvfb.log", "wb") as log:
    xserver, display = pty_run.start_display(log)
if xserver is None:
    sys.exit("no virtual X display could be started")
os.environ["DISPLAY"] = display
try:
    status, out = pty_run.run_at_terminal([kavrin], lines, on_prompt=on_prompt)
finally:
    pty_run.stop_display(xserver)
sys.stdout.buffer.write(out.replace(b"\r\n", b"\n"))
sys.exit(status)
PY
[ "$(grep -c 'Press RETURN for next page: ' out.txt)" = 2 ] || { echo "not two RETURN prompts"; exit 1; }
for want in 'ROZUDE: TICS 0.5,0.1' '  Tic intervals on X and Y axes (0.0=default): 0.5, 0.1 ' \
            'ROZUDE: X_LIMITS 0.5,1.5' '  X limits changed to 0.5, 1.5 ' 'ROZUDE: EXIT' \
            'PLOT_FIT> EXIT' 'MINUIT> EXIT'; do
  grep -qxF "$want" out.txt || { echo "typed ahead, no line: $want"; cat out.txt; exit 1; }
done
! grep -q 'Unrecognized' out.txt || { echo "typed ahead, a word reached the wrong dialog"; exit 1; }
