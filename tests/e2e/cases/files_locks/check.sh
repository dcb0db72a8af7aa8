# Runs that share a folder never share a file: a second run is refused at once, with the
# name of the file another run holds and status 1; runs in folders of their own do not meet.
PYTHONPATH="$CASE/../.." exec python3 "$CASE/locks.py"
