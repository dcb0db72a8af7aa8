# Two runs of one sample and field (different seeds), fitted as one averaged spectrum.
for s in 21 22; do
  "$TOOLS/kavrin_rungen" --model gauss --freq 2.2 --sigma 0.4 --asym 0.2 --phases 30,210 \
    --n0 1000 --seed $s --run $((4000 + s)) tf$s.zog >> setup.txt
done
