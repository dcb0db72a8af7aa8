# Texts of a run file never become answers of their own: the fit writes the run's title (its
# own, the title question left blank) on one line of the answer file and of the table row, the
# screen and the log show its controls made visible, and replaying the answer file (through "@"
# and as standard input) and a script whose own answers hold controls runs no command, opens no
# file the user did not name, and fits the same model again.
set -u
kavrin=$KAVRIN
fail=0
say() { echo "$*"; fail=1; }

# clean FILE: no control byte but the line ends (and TAB where shown) stands in FILE.
clean() {
  python3 - "$@" <<'PY' || fail=1
import sys
path, shown = sys.argv[1], len(sys.argv) > 2
data = open(path, "rb").read()
bad = [b for b in data if (b < 32 and b != 10 and not (shown and b == 9)) or 127 <= b < 160]
if bad:
    print(f"{path}: control bytes {sorted(set(bad))}")
    sys.exit(1)
PY
}
marks() {  # nothing that a command from the data would leave
  local m
  m=$(find . -name 'PWN*' -o -name PW)
  [ -z "$m" ] || say "a command from the data ran: $m"
}

[ -f h.fit ] && [ -f h.ait ] || { echo "answer file or row not written"; ls; exit 1; }
for f in h.fit h.ait; do clean $f; done
clean out.txt shown
clean stdout shown
head -1 h.fit | grep -qxF " '  1234: X \$touch PWN_RUNTITLE #  [H 1: F \$id>PW #]'" ||
  say "title line of the answer file: $(head -1 h.fit)"
tail -1 h.ait | grep -qxF '      1234: X $touch PWN_RUNTITLE #  [H 1: F $id>PW #]' ||
  say "title line of the table row: $(tail -1 h.ait)"
grep -qF ' Run #  1234: X^J$touch PWN_RUNTITLE #' out.txt || say "the screen does not show the line break"
grep -qF ' sample:       Cu^[]2;owned^GM-^[31m' out.txt || say "the screen does not show the sample's controls"
grep -qF 'X^J$touch PWN_RUNTITLE #  [H 1: F^J$id>PW #] <-- h.fit' stdout || say "the log's report title"
marks

# lines FILE: the answer file without the date and the cards' numbers (a replay minimises
# again from the fitted values) and without its output name.
lines() { sed -e '/^!  *[0-9][0-9]:/d' -e 's/^\( *[0-9][0-9]*  [^ ]*\) .*/\1/' -e '/^[a-z]*\.fit$/d' "$1"; }
# replay DIR HOW: the answer file replayed in DIR, as standard input or through "@".
replay() {
  mkdir -p "$1" && cp h.zog evil.cmd "$1"/ && sed 's/^h\.fit$/r.fit/' h.fit > "$1/src.ans" &&
    (cd "$1" && if [ "$2" = at ]; then printf '@src.ans\n' | "$kavrin"; else "$kavrin" < src.ans; fi \
      > out.txt 2>&1; echo $? > status)
  [ "$(cat "$1/status")" = 0 ] || say "$1: replay ended with $(cat "$1/status")"
  [ -f "$1/r.fit" ] || { say "$1: no answer file"; return; }
  diff <(lines h.fit) <(lines "$1/r.fit") > "$1/diff.txt" || { say "$1: answer file differs"; cat "$1/diff.txt"; }
  [ "$(tail -1 "$1/r.ait")" = "$(tail -1 h.ait)" ] || say "$1: table row title differs"
  clean "$1/r.fit"
  # the same model: the fitted values agree to a tenth of their errors
  python3 - h.fit "$1/r.fit" <<'PY' || fail=1
import sys
def cards(p):
    out = {}
    for line in open(p).read().split("\n")[1:]:
        w = line.split()
        if not w:
            break
        out[w[1]] = (float(w[2]), float(w[3]))
    return out
a, b = cards(sys.argv[1]), cards(sys.argv[2])
if a.keys() != b.keys():
    sys.exit(f"parameters {sorted(a)} became {sorted(b)}")
for k in a:
    if abs(a[k][0] - b[k][0]) > 0.1 * a[k][1]:
        sys.exit(f"{k}: {a[k][0]} became {b[k][0]}")
PY
}
replay at at
replay stdin stdin
marks

# A run title of 500 characters with quotes, "\", "@", "$" and "!" around a CR LF: the fit's
# title (its first 50 characters) reads back as it was written, quotes and all.
mkdir -p long && cp evil.cmd long/ && cd long || exit 1
"$TOOLS/kavrin_rungen" --model exp --freq 1.5 --lambda 0.3 --asym 0.22 --phases 10,190 \
  --n0 2000 --seed 11 --title "'q\"\\@\$!"$'\r\n@evil.cmd '"$(printf 'w%.0s' {1..480})" h.zog > setup.txt &&
  sed 's/^h\.fit$/l.fit/' "$CASE/input" > long.in || exit 1
"$kavrin" < long.in > out.txt 2>&1 || say "long: status $?"
clean l.fit
head -1 l.fit | grep -qxF " '  1234: ''q\"\\@\$!  @evil.cmd wwwwwwwwwwwwwwwwwwwwwww'" ||
  say "long title line: $(head -1 l.fit)"
sed 's/^l\.fit$/m.fit/' l.fit > src.ans && "$kavrin" < src.ans > replay.txt 2>&1 || say "long replay: status $?"
[ "$(head -1 m.fit)" = "$(head -1 l.fit)" ] || say "long replay title: $(head -1 m.fit)"
cd .. && marks

# Answers with controls of their own: a title holding ESC, TAB, CR, "$" and "\!", a remark and
# an independent variable's name with ESC. Each control is written as a blank, and the replay
# of what was written writes it again.
mkdir -p typed && cp h.zog evil.cmd typed/ && cd typed || exit 1
{
  printf 'T\033[2J\tx\r$touch PWN_TYPED \\!\n'
  printf "1 Phase 10 5 0 0 'ph\033[31m'\n2 Asym 0.2 0.01\n3 Freq 1.5 0.01\n4 Lambda 0.3 0.01\n"
  printf '5 N 2000 10\n6 B 0.005 0.001\n0\nOUTPUT\nt.fit\nIND_VAR\nTE\033M, 10, 0.1, 0.1\n\n'
  sed -n '/^SIGNAL/,$p' "$CASE/input"
} > typed.in
"$kavrin" < typed.in > out.txt 2>&1 || say "typed: status $?"
clean t.fit; clean t.ait
head -1 t.fit | grep -qxF ' T [2J x $touch PWN_TYPED \!' || say "typed title line: $(head -1 t.fit | od -c | head -2)"
grep -qF "'ph [31m'" t.fit || say "typed remark"
grep -q '^  TE M *,' t.fit || say "typed variable name"
sed 's/^t\.fit$/u.fit/' t.fit > src.ans && "$kavrin" < src.ans > replay.txt 2>&1 || say "typed replay: status $?"
diff <(lines t.fit) <(lines u.fit) || say "typed replay: answer file differs"
cd .. && marks
exit $fail
