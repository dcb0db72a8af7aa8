# The answer file and its table row where the name points: through links, into FIFOs and
# a terminal, in a folder that takes no new file, on a full disk, and after ^C at "Done?".
PYTHONPATH="$CASE/../.." exec python3 "$CASE/targets.py"
