# At the keyboard a data file that fails to load is asked for again; the answer file records
# the file that loaded, so that it replays in batch.
set -u
kavrin=$KAVRIN
grep -q '^Enter ZOG Filename: a1.dat$' out.txt || { echo "the file was not asked for again"; exit 1; }
grep -qx 'a1.dat' retry.inp || { echo "the answer file does not name a1.dat"; exit 1; }
! grep -q nope retry.inp || { echo "the answer file names the file that failed"; exit 1; }
cp retry.inp replay.inp
"$kavrin" < replay.inp > replay.txt 2> replay_err.txt || { echo "the replay failed:"; tail -5 replay.txt; exit 1; }
grep -q 'MINUIT converged' replay.txt || { echo "the replay did not fit"; exit 1; }
