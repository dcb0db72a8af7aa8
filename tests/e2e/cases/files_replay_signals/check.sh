# A replayed answer file rewrites itself and its row from one fit; a log that cannot be
# written is said at once; stop signals end a run blocked on its log and leave no temporary.
PYTHONPATH="$CASE/../.." exec python3 "$CASE/replay.py"
