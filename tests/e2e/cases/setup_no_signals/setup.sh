"$TOOLS/kavrin_rungen" --n0 200 --nbins 2048 run.zog >> setup.txt
