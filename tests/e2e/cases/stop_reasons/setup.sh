# A run to build spectra from, and a table file that is not one.
"$TOOLS/kavrin_rungen" --model exp --freq 1.5 --lambda 0.3 --asym 0.2 --phases 0,180 \
  --n0 500 --seed 7 run.zog > rungen.txt
printf 'junk junk junk\n' > bad.tbl
