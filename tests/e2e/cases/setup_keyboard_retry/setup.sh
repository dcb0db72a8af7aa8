"$TOOLS/kavrin_rungen" --n0 300 --nbins 2048 --freq 2 --phases 0,180 run.zog >> setup.txt
"$TOOLS/kavrin_rungen" --n0 300 --nbins 1024 --phases 0,180 short.zog >> setup.txt
