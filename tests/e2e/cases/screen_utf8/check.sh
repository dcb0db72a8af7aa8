# The screen speaks the terminal's character set: at a pseudo-terminal in a UTF-8 locale the
# micro and plus-minus signs arrive as UTF-8, made in Latin-1 (CHARSET 1) or code page 437
# (CHARSET 2; DISPLAY's micro stays Latin-1); in the C locale and through pipes in either
# locale they are the single bytes as made, and the log files do not change at all.
export LC_ALL=C
kavrin=$KAVRIN
fail=0
run_pty() {  # folder locale
  mkdir -p "$1" && cp tf.zog "$1"/ &&
    (cd "$1" && LC_ALL=$2 python3 "$CASE/../../pty_run.py" "$kavrin" "$CASE/typed" > out.txt) ||
    { echo "pty run in $2 failed"; fail=1; }
}
run_pty utf8 C.UTF-8
run_pty c C
mkdir -p piped && cp tf.zog piped/ && (cd piped && LC_ALL=C.UTF-8 "$kavrin" < "$CASE/input" > out.txt)
# A script on standard input watched at a terminal ("kavrin < script" typed in a UTF-8
# terminal): the screen's lines, the prompts and the answers shown arrive in UTF-8.
mkdir -p watched && cp tf.zog watched/ && (cd watched && LC_ALL=C.UTF-8 python3 - "$kavrin" "$CASE/input" > out.txt <<'PY'
import os, pty, subprocess, sys
master, slave = pty.openpty()
with open(sys.argv[2], "rb") as script:
    p = subprocess.Popen([sys.argv[1]], stdin=script, stdout=slave, stderr=slave)
os.close(slave)
out = b""
while True:
    try:
        data = os.read(master, 4096)
    except OSError:
        break
    if not data:
        break
    out += data
p.wait()
sys.stdout.buffer.write(out.replace(b"\r\n", b"\n"))
PY
)
# count FILE N LINE: LINE (printf escapes) stands N times in FILE, byte for byte
count() {
  local line n
  line=$(printf "$3")
  n=$(grep -caxF -- "$line" "$1")
  [ "$n" = "$2" ] || { echo "$1: $n times, not $2:"; printf '%s\n' "$line" | od -c | head -3; fail=1; }
}
ready=' Ready to pack   589  0.010156-%bs bins from  0.020312 to   6.003126 %bs'
raw='   0.0000   0.0000   0.0000   0.0000 = (Override) time/raw bin [%bs]'
asy=' (2)   A:   Asymmetry at t=0        = ( 0.20000000 %b 0.01000)'
rlx=' (4)   RLX: Sigma or Delta (%bs^-1)  = ( 0.30000000 %b 0.01000)'
u8mu='\302\265' u8pm='\302\261'
count utf8/out.txt 1 "$(printf "$ready" "$u8mu" "$u8mu")"
count utf8/out.txt 2 "$(printf "$raw" "$u8mu")"
count utf8/out.txt 2 "$(printf "$asy" "$u8pm")"
count utf8/out.txt 2 "$(printf "$rlx" "$u8mu" "$u8pm")"
python3 -c 'import sys; open(sys.argv[1], "rb").read().decode("utf-8")' utf8/out.txt ||
  { echo "the UTF-8 terminal got bytes that are not UTF-8"; fail=1; }
count c/out.txt 1 "$(printf "$ready" '\265' '\265')"
count c/out.txt 2 "$(printf "$raw" '\265')"
count c/out.txt 1 "$(printf "$asy" '\261')"
count c/out.txt 1 "$(printf "$asy" '\361')"
count c/out.txt 1 "$(printf "$rlx" '\265' '\261')"
count c/out.txt 1 "$(printf "$rlx" '\346' '\361')"
count watched/out.txt 1 "$(printf "$ready" "$u8mu" "$u8mu")"
count watched/out.txt 1 "$(printf "$raw" "$u8mu")"
count watched/out.txt 1 'TITLE (or @Filename) > Micro \302\265 and plus-minus, piped'
count out.txt 1 'TITLE (or @Filename) > Micro \265 and plus-minus, piped'
if ! cmp -s <(sed 's/\xc2\xb5/\xb5/g' watched/out.txt) out.txt; then
  echo "watched at a terminal, the transcript differs from the piped one by more than the signs"
  fail=1
fi
for f in out.txt piped/out.txt; do
  count "$f" 1 "$(printf "$ready" '\265' '\265')"
  count "$f" 1 "$(printf "$raw" '\265')"
done
# The same lines otherwise: only the signs' bytes differ between the two terminals.
if ! cmp -s <(sed 's/\xc2\xb5/\xb5/g; s/\xc2\xb1/\xb1/g' utf8/out.txt) \
            <(sed 's/\xe6/\xb5/g; s/\xf1/\xb1/g' c/out.txt); then
  echo "the two terminals show different lines"; fail=1
fi
cmp -s out.txt piped/out.txt || { echo "a pipe in a UTF-8 locale got other bytes"; fail=1; }
# Logs: byte for byte, but for the clock line of the reports.
clock='s/^ *[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9] [0-9-]* *$/(clock)/'
cmp -s <(sed "$clock" utf8/fit.prt) <(sed "$clock" c/fit.prt) || { echo "fit.prt differs"; fail=1; }
cmp -s <(sed "$clock" stdout) <(sed "$clock" piped/stdout) || { echo "stdout differs"; fail=1; }
[ "$(grep -c '(clock)' <(sed "$clock" c/fit.prt))" -ge 1 ] || { echo "no clock line masked"; fail=1; }
exit $fail
