# Every parameter card reads back as written, whatever its label and remark hold: a card
# longer than an answer line goes on in continued lines, and three replays in a row read the
# same labels, limits and remarks (the log shows each remark as the run read it).
set -u
kavrin=$KAVRIN
cp stdout log0.txt
for round in 1 2 3; do
  cp rt.inp "round$round.inp"
  "$kavrin" < "round$round.inp" > "replay$round.txt" 2>&1 || { echo "replay $round failed"; exit 1; }
  cp stdout "log$round.txt"
done
python3 - <<'PY'
import re, sys

R = "'" * 6 + "it's " + "''" * 5 + " a 'b' " + "'" * 10 + " x'y'z " + "'" * 9 + " the end!!"
WANT = {  # parameter: label, lower and upper limit as the card has them, remark
    1: ("Phase", "-180.", "180.", "phase, in degrees \\"),
    2: ("Asym", "0", "0.5", R),
    3: ("Fr'q", "0", "0", ""),
    4: ("La'm''bda", "0", "0", "'"),
}
assert len(R) == 64 and R.count("'") == 40

def text(token):
    return token[1:-1].replace("''", "'") if token.startswith("'") else token

def cards(path):
    lines = open(path).read().split("\n")
    long = [n for n, x in enumerate(lines, 1) if len(x) > 132]
    if long:
        sys.exit(f"{path}: lines {long} are longer than 132 characters")
    joined, cur = [], ""
    for x in lines[1:]:
        if x == " ":
            break
        cur += x  # a continued line replaces the backslash that ends the one before
        if cur.endswith("\\") and not cur.endswith("'"):
            cur = cur[:-1]
            continue
        joined.append(cur)
        cur = ""
    token = r"('(?:[^']|'')*'|\S+)"
    out = {}
    for c in joined:
        m = re.fullmatch(r"\s*(\d+)\s+" + token + r"\s*(\S+)\s+(\S+)\s+(\S+)\s+(\S+)\s*(" + token[1:-1] + ")?\s*", c)
        if not m:
            sys.exit(f"{path}: card not read: {c!r}")
        out[int(m.group(1))] = (text(m.group(2)), m.group(5), m.group(6), text(m.group(7) or ""))
    return out

ok = True
for f in ("rt.inp", "round1.inp", "round2.inp", "round3.inp"):
    got = cards(f)
    for p, want in WANT.items():
        if got.get(p) != want:
            print(f"{f}: parameter {p} is {got.get(p)!r}, wanted {want!r}")
            ok = False
long_card = [x for x in open("rt.inp").read().split("\n") if x.endswith("\\")]
if not long_card:
    print("the long card was not continued")
    ok = False
for n in range(4):  # the remark as each run read it, in its log
    log = open(f"log{n}.txt", errors="replace").read()
    for remark in (R, "phase, in degrees \\", "'"):
        if f'\n{" " * 16}"{remark}"\n' not in log:
            print(f"log{n}.txt lacks the remark {remark!r}")
            ok = False
sys.exit(0 if ok else 1)
PY
