# The run the retried answer names; nope.dat does not exist.
"$TOOLS/kavrin_rungen" --model exp --freq 1.5 --lambda 0.3 --asym 0.22 --phases 10,190 \
  --n0 2000 --seed 11 a1.dat > rungen.txt
