# Four counters a quarter turn apart, precessing at 1.5 MHz: in a frame rotating at 1.5 MHz
# the modulus is a slowly relaxing asymmetry.
"$TOOLS/kavrin_rungen" --nhist 4 --model exp --freq 1.5 --lambda 0.3 --asym 0.22 \
  --phases 0,180,90,270 --n0 2000 --seed 5 rrf.zog > setup.txt
