# Plot files are put in place whole or not at all. With room (the main run), REPLOT's file is
# a complete PNG under its own name and nothing else is left beside it. On a nearly full
# file system (a small tmpfs; where none can be mounted, a file-size limit with SIGXFSZ
# ignored), for PNG and PostScript: the old file stays as it was and no temporary is left,
# the loss is said once on the screen, once in the log and once on standard error with the
# file and the reason, REPLOT gives up after it (one backend line), the fit still runs to
# its end, and the run ends with status 1.
png_sig=89504e470d0a1a0a
[ "$(head -c 8 fit.png | od -An -tx1 | tr -d ' \n')" = $png_sig ] || { echo "no PNG"; exit 1; }
[ "$(tail -c 8 fit.png | od -An -tx1 | tr -d ' \n')" = 49454e44ae426082 ] || { echo "PNG cut"; exit 1; }
[ "$(ls | grep -c '^fit\.png')" = 1 ] || { echo "a temporary is left:"; ls; exit 1; }
! grep -q 'Plot file not written' out.txt || { echo "a loss was said"; exit 1; }

kavrin=$KAVRIN
mkdir -p full
mounted=0
if mount -t tmpfs -o size=64k tmpfs full 2>/dev/null; then mounted=1; fi
trap '[ $mounted = 1 ] && umount full' EXIT
for dev in png ps; do
  file=full/fit.$dev
  rm -f full/*
  printf 'old plot\n' > $file
  if [ $mounted = 1 ]; then
    head -c $((56 * 1024)) /dev/zero > full/fill   # 4 KiB left: the plot is cut
    reason='No space left on device'
    limit=unlimited
  else
    reason='File too large'
    limit=12   # KiB: room for the log, not for the plot
  fi
  (ulimit -f $limit; trap '' XFSZ; PGPLOT_DEV=$file/$dev exec "$kavrin" < "$CASE/input" \
     > out.$dev 2> err.$dev)
  status=$?
  line=" *** Plot file not written: $file ($reason)"
  [ $status = 1 ] || { echo "$dev: status $status, expected 1"; cat err.$dev; exit 1; }
  [ "$(cat $file)" = 'old plot' ] || { echo "$dev: the old file changed"; exit 1; }
  [ "$(ls full | grep -v '^fill$')" = "fit.$dev" ] || { echo "$dev: left beside it:"; ls full; exit 1; }
  [ "$(grep -cxF -- "$line" out.$dev)" = 1 ] || { echo "$dev: not once on the screen"; cat out.$dev; exit 1; }
  [ "$(grep -cxF -- "$line" stdout)" = 1 ] || { echo "$dev: not once in the log"; exit 1; }
  [ "$(grep -cxF -- "${line# }" err.$dev)" = 1 ] || { echo "$dev: not on stderr"; cat err.$dev; exit 1; }
  [ "$(grep -c 'giza - ERROR' err.$dev)" = 1 ] || { echo "$dev: REPLOT tried again"; cat err.$dev; exit 1; }
  bash "$CASE/../../truth_check.sh" out.$dev Phase=10 Asym=0.22 Freq=1.5 Lambda=0.3 || exit 1
done
