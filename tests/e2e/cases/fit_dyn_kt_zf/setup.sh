# A zero-field run relaxing by the dynamic Kubo-Toyabe function (computed by the
# run generator's own march in time, not from a table), and the default table,
# which ends at Delta t = 20: the fitted window reaches 24 us.
"$TOOLS/kavrin_rungen" --model dynkt --sigma 1 --hop 2 --asym 0.23 --phases 0,180 --alpha 1.1 \
  --n0 1000000 --bkg 0 --ns-per-bin 50 --nbins 600 --t0 10 --bkgd1 1 --bkgd2 5 --seed 5 zf.zog > /dev/null
"$TOOLS/kavrin_tablegen" dyn -o kt.tbl
