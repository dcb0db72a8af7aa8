# A zero-field run and a small dynamic Kubo-Toyabe table for it.
"$TOOLS/kavrin_rungen" --model kt --sigma 0.35 --asym 0.23 --phases 0,180 --alpha 1.15 \
  --n0 2000 --seed 12 zf.zog >> setup.txt
"$TOOLS/kavrin_tablegen" dyn -o kt.tbl --tmax 12 --per-decade 4 --hmin 0.01 --hmax 10
