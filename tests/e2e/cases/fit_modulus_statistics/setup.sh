# Four counters a quarter turn apart whose signal turns with a frame at 50 MHz. So far above
# the muon's decay rate the counters' own normalisation holds no share of the precession
# worth the name: the modulus scatters by its statistics alone.
"$TOOLS/kavrin_rungen" --nhist 4 --model exp --freq 50 --lambda 0.3 --asym 0.22 \
  --phases 0,180,270,90 --n0 5000 --seed 6 rrf.zog > setup.txt
