# The second run has bins twice as wide: it does not lie on the bins of the first.
"$TOOLS/kavrin_rungen" --n0 200 --nbins 2048 --fsperbin 20 run1.zog >> setup.txt
"$TOOLS/kavrin_rungen" --n0 200 --nbins 2048 --fsperbin 21 run2.zog >> setup.txt
