# An answer file replays the model that wrote it whatever its values: a value, step or limit
# beyond single precision (or lost below it) keeps its card readable, a setting wider than its
# field (INVERT 100, LIFETIME 123456) is written in full, and a range cut at the end of the good
# data records the end of the bins it built, so that the replay's answer file equals its
# source's. A non-finite value is refused at its parameter line, and a card that does not read
# stops the replay instead of fitting without it.
set -u
kavrin=$KAVRIN
fail=0
say() { echo "$*"; fail=1; }

grep -qxF '         5  Big          1.E+50         0   -1.E+99    1.E+99   '"'beyond single precision'" tf.fit ||
  say "card 5: $(grep Big tf.fit)"
grep -qxF '         6  Tiny         1.E-50         0         0         0   ' tf.fit || say "card 6: $(grep Tiny tf.fit)"
grep -qxF 'INVERT 100' tf.fit || say "INVERT: $(grep INVERT tf.fit)"
grep -qxF 'LIFETIME_us 123456.000000' tf.fit || say "LIFETIME: $(grep LIFETIME tf.fit)"
grep -qxF 'TIMES  T1_us=0.020312,  T2_us=6.236719,  Tbin_ns=10.156251' tf.fit || say "TIMES: $(grep TIMES tf.fit)"
! grep -q 'Inf\|NaN\|\*\*' tf.fit || say "a field the replay cannot read"

# The replay: the same file but the fitted numbers of the four fitted cards, the date and
# the name.
lines() { sed -e '/^!  *[0-9][0-9]:/d' -e 's/^\( *[1-4]  [^ ]*\) .*/\1/' -e '/^[a-z]*\.fit$/d' "$1"; }
sed 's/^tf\.fit$/r.fit/' tf.fit > src.ans
"$kavrin" < src.ans > replay.txt 2>&1 || say "replay ended with $?"
diff <(lines tf.fit) <(lines r.fit) || say "the replay's answer file differs"
grep -c ' Ready to pack   612 ' out.txt replay.txt | grep -vq ':1$' && say "not the same 612 bins"

# run NAME PATTERN STATUS MESSAGE: the input with its parameter line matching PATTERN changed
# into NAME's line; the run ends with STATUS and its log says MESSAGE.
run() {
  mkdir -p "$1" && cp tf.zog "$1"/ && (cd "$1" && "$kavrin" < input > out.txt 2> err.txt; echo $? > status)
  [ "$(cat "$1/status")" = "$2" ] || say "$1: status $(cat "$1/status"), not $2"
  grep -qF "$3" "$1/stdout" || say "$1: the log does not say: $3"
  grep -qF 'FATAL ERRORS on Parameter inputs.  ABORT!' "$1/err.txt" || say "$1: no reason on standard error"
}
for v in "sqrt(-1) 5" "0 1/0" "0 -1/0"; do
  mkdir -p nonfinite && sed "s|^4 Lambda .*|4 Lambda 0.2 0.01 $v|" "$CASE/input" > nonfinite/input
  run nonfinite 1 ' ERROR:   Parameter number   4: value, step or limit is not a finite number'
  rm -rf nonfinite
done
mkdir -p nanvalue && sed 's|^2 Asym 0.2 |2 Asym sqrt(-1) |' "$CASE/input" > nanvalue/input
run nanvalue 1 ' ERROR:   Parameter number   2: value, step or limit is not a finite number'
# A card as single precision wrote it before: the replay stops, nothing fitted.
mkdir -p infcard && sed 's/^\( *5  Big  *\)1\.E+50 /\1   Inf /' src.ans > infcard/input
grep -q 'Inf' infcard/input || say "no Inf card to read"
run infcard 1 ' ERROR:   A parameter line did not read and was passed over'
grep -q 'MIGRAD' infcard/stdout && say "infcard: fitted without its card"

# Errors beyond single precision (the error definition 1e90) keep their cards readable.
mkdir -p seterr && cp tf.zog seterr/ && sed 's/^MIGRAD$/SETERR 1e90\nMIGRAD/' "$CASE/input" > seterr/input
(cd seterr && "$kavrin" < input > out.txt 2>&1) || say "seterr: status $?"
! grep -q 'Inf\|NaN' seterr/tf.fit || say "seterr: $(sed -n 2,7p seterr/tf.fit)"
# Steps of 1e100 and more leave MIGRAD no way to converge: the replay says so (status 3).
(cd seterr && sed 's/^tf\.fit$/r.fit/' tf.fit > src.ans && "$kavrin" < src.ans > replay.txt 2>&1)
status=$?
[ $status = 0 ] || { [ $status = 3 ] && grep -q 'did not converge' seterr/replay.txt; } ||
  say "seterr replay: status $status"
[ "$(sed -n 2,7p seterr/tf.fit | awk '{print $2, $5, $6}')" = "$(sed -n 2,7p seterr/r.fit | awk '{print $2, $5, $6}')" ] ||
  say "seterr replay: other cards"
exit $fail
