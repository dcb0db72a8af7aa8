# A transverse-field run at 1.8 MHz; the fit's frequency slot is an expression.
"$TOOLS/kavrin_rungen" --model exp --freq 1.8 --lambda 0.15 --asym 0.2 --phases 45,225 \
  --n0 1500 --seed 51 tf.zog > setup.txt
