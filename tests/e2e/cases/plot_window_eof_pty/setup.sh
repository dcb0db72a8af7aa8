# A transverse-field run at 3.1 MHz, Gaussian damping.
"$TOOLS/kavrin_rungen" --model gauss --freq 3.1 --sigma 0.5 --asym 0.25 --phases -20,160 \
  --n0 1500 --seed 31 tf.zog > rungen.txt
