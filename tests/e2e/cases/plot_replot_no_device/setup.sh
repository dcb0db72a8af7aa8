# A transverse-field run: forward and backward histograms precessing at 1.5 MHz.
"$TOOLS/kavrin_rungen" --model exp --freq 1.5 --lambda 0.3 --asym 0.22 --phases 10,190 \
  --n0 2000 --seed 11 tf.zog > rungen.txt
