# A zero-field run: static Gaussian Kubo-Toyabe relaxation, detectors out of balance.
"$TOOLS/kavrin_rungen" --model kt --sigma 0.35 --asym 0.23 --phases 0,180 --alpha 1.15 \
  --n0 2000 --seed 12 zf.zog >> setup.txt
