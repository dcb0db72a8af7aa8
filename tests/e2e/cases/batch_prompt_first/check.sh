# A program that drives a batch run through pipes answers each question once its prompt has
# come: every prompt must reach the pipe before the run waits for its answer (it waited for
# the answer first, so such a driver and the run waited for each other for ever).
kavrin=$KAVRIN
mkdir -p driven && cd driven || exit 1
exec python3 - "$kavrin" "$CASE/input" <<'PY'
import os, select, subprocess, sys, time

kavrin, script = sys.argv[1], sys.argv[2]
answers = open(script, "rb").read().splitlines()
prompts = [b"TITLE (or @Filename) > ", b"Parameter #,LABEL,VALUE,ERR,LLIM,ULIM,REMARK > ",
           b"Parameter #,LABEL,VALUE,ERR,LLIM,ULIM,REMARK > ", b"DIRADE> "]
p = subprocess.Popen([kavrin], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                     stderr=open("err.txt", "wb"))
shown = b""
for k, prompt in enumerate(prompts):
    deadline = time.monotonic() + 30
    while not shown.endswith(prompt) and time.monotonic() < deadline:
        if select.select([p.stdout], [], [], 0.5)[0]:
            got = os.read(p.stdout.fileno(), 4096)
            if not got:
                break
            shown += got
    if not shown.endswith(prompt):
        p.kill()
        p.wait()
        sys.exit(f"question {k + 1}: {prompt!r} never came before its answer; shown: {shown!r}")
    if k < len(answers):
        p.stdin.write(answers[k] + b"\n")
        p.stdin.flush()
p.stdin.close()   # the end of input at "DIRADE>", with nothing defined
shown += p.stdout.read()
if p.wait() != 1:
    sys.exit(f"status {p.returncode}, expected 1")
if shown != open("../out.txt", "rb").read():
    sys.exit("the driven run's transcript differs from the piped one")
PY
