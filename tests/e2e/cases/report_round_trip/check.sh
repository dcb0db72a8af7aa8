# The answer file replays the fit it records, as standard input and through "@": the same
# parameters and chi-square, and the same answer file and table row again, apart from the
# date and the last digits of the errors (a new minimisation from the fitted values).
set -u
kavrin=$KAVRIN
cp tf.inp first.inp && cp tf.anp first.anp || exit 1
"$kavrin" < first.inp > replay_stdin.txt 2>&1 || { echo "replay from standard input failed"; exit 1; }
cp tf.inp stdin.inp && cp tf.anp stdin.anp
printf '@first.inp\n' | "$kavrin" > replay_at.txt 2>&1 || { echo "replay through @ failed"; exit 1; }
cp tf.inp at.inp && cp tf.anp at.anp
# A short (MIN=) rewrite renews the head and keeps the rest; the rewritten file replays too.
sed 's/^tf\.inp$/min=short.inp/' first.inp > short.inp
"$kavrin" < short.inp > replay_min.txt 2>&1 || { echo "short rewrite failed"; exit 1; }
grep -q '^min=short.inp$' short.inp || { echo "short rewrite lost its OUTPUT name"; exit 1; }
cp short.inp short0.inp
"$kavrin" < short0.inp > replay_short.txt 2>&1 || { echo "replay of a short rewrite failed"; exit 1; }
python3 - <<'PY'
import re, sys

NUM = re.compile(r"-?(?:\d+\.?\d*|\.\d+)(?:E[-+]?\d+)?")

def numbers_close(xs, ys):
    # A value agrees within 1 % of its error (the next number); the errors within 2 %.
    # The replay minimises again from the fitted values, so only the convergence differs.
    vals = [(float(p), float(q)) for p, q in zip(xs, ys)]
    for k, (a, b) in enumerate(vals):
        if k == 0 and len(vals) > 1:
            err = max(abs(vals[1][0]), abs(vals[1][1]))
            if abs(a - b) > max(1e-2 * err, 1e-5 * max(abs(a), abs(b))):
                return False
        elif abs(a - b) > 2e-2 * max(abs(a), abs(b), 1e-12):
            return False
    return True

def lines(path):
    # A short rewrite copies the old lines without their trailing blanks, an empty one as " ".
    return [x.rstrip() for x in open(path).read().replace("min=short.inp", "tf.inp").split("\n")]

def same(first, other):
    a, b = lines(first), lines(other)
    if len(a) != len(b):
        print(f"{other}: {len(b)} lines, {first} has {len(a)}")
        return False
    ok = True
    for n, (x, y) in enumerate(zip(a, b), 1):
        if x == y or (re.match(r"^!\s+\d\d:\d\d:\d\d\.\d\d \d{4}-\d\d-\d\d *$", x)
                      and re.match(r"^!\s+\d\d:\d\d:\d\d\.\d\d \d{4}-\d\d-\d\d *$", y)):
            continue
        # A parameter card or row: the same words, the value within 1 % of its error.
        m = re.match(r"^ *(\d+  \S+|\S+ *=)(.*)$", x)
        mo = re.match(r"^ *(\d+  \S+|\S+ *=)(.*)$", y)
        if m and mo and m.group(1) == mo.group(1):
            xs, ys = NUM.findall(m.group(2)), NUM.findall(mo.group(2))
            if (NUM.sub("#", m.group(2)).split() == NUM.sub("#", mo.group(2)).split()
                    and len(xs) == len(ys) and numbers_close(xs, ys)):
                continue
        print(f"{other} line {n} differs:\n  {x}\n  {y}")
        ok = False
    return ok

ok = True
for other in ("stdin", "at"):
    ok &= same("first.inp", other + ".inp")
    ok &= same("first.anp", other + ".anp")
ok &= same("first.inp", "short0.inp") & same("first.inp", "short.inp")
sys.exit(0 if ok else 1)
PY
