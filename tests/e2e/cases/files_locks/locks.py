"""Batch runs started side by side: in one folder each run either completes with its own log,
answer file and row, or is refused at once (status 1, the file named); a file another run
holds stops a run before it writes either of its files; runs in folders of their own are
unaffected and give what a lone run gives."""
import fcntl
import os
import re
import signal

from batch_runs import check, feed, finish, folder, listing, put, run, script, slurp, start

RUNS = 8
DATE = re.compile(r"^!\s+\d\d:\d\d:\d\d\.\d\d \d{4}-\d\d-\d\d\s*$", re.M)


def tags_in(text):
    return set(re.findall(r"TF fit (run \d+)", text))


# ---- eight runs at once in one folder ---------------------------------------------------------
# All are started before any gets its script, so the first holds the log while the others
# start: they must leave at once and cut nothing.
d = folder("shared")
runs = [start(d) for _ in range(RUNS)]
for k, p in enumerate(runs):
    feed(p, script(f"run {k}", "scan.ans"))
results = [(p.wait(120), p.stdout.read().decode("latin-1"), p.stderr.read().decode("latin-1"))
           for p in runs]
done = [k for k, (status, _, _) in enumerate(results) if status == 0]
check(len(done) >= 1, "shared: no run completed")
for k, (status, out, err) in enumerate(results):
    if status == 0:
        continue
    check(status == 1 and err == "*** Log file stdout is in use by another run\n",
          f"shared: run {k} ended with {status} and {err!r}")
    check("TF fit" not in out, f"shared: refused run {k} went on")
log, answer, row = slurp(os.path.join(d, "stdout")), slurp(os.path.join(d, "scan.ans")), \
    slurp(os.path.join(d, "scan.ans.row"))
owners = tags_in(log) | tags_in(answer) | tags_in(row)
check(len(owners) == 1, f"shared: the files hold the runs {sorted(owners)}")
check(log.count("M I N U I T   ---   K A V R I N") == 1, "shared: the log holds two banners")
if len(owners) == 1:
    k = int(next(iter(owners)).split()[1])
    check(k in done, f"shared: the files are those of run {k}, which did not complete")
    check(answer.startswith(f" TF fit run {k}\n") and answer.endswith("END \n")
          and row.endswith(f"    TF fit run {k}\n"), "shared: a file is not whole")
check(listing(d) == ["scan.ans", "scan.ans.row", "stdout"], f"shared: left {listing(d)}")

# ---- a file another process holds: nothing written, the file named --------------------------
for name, held, kind in (("held_answer", "scan.ans", "Answer file"),
                         ("held_row", "scan.ans.row", "Table row file")):
    d = folder(name)
    put(os.path.join(d, "scan.ans"), "old answer\n")
    put(os.path.join(d, "scan.ans.row"), "old row\n")
    with open(os.path.join(d, held)) as f:
        fcntl.flock(f, fcntl.LOCK_EX)
        status, out, err = run(d, script(name, "scan.ans"))
    why = f"*** {kind} {held} is in use by another run"
    check(status == 1, f"{name}: status {status}")
    check(err == why + "\n" and " " + why + "\n" in out, f"{name}: said {err!r}")
    check(slurp(os.path.join(d, "scan.ans")) == "old answer\n", f"{name}: the answer file changed")
    check(slurp(os.path.join(d, "scan.ans.row")) == "old row\n", f"{name}: the row file changed")
    check(listing(d) == ["scan.ans", "scan.ans.row", "stdout"], f"{name}: left {listing(d)}")

# ---- a command the shell escape left running holds nothing once its run has ended ------------
# The log existed before the run (opened, not made) and the answer file was written; then a
# "$" line at the next title leaves a command running in the background.
d, other = folder("left_running"), folder("left_running_other")
put(os.path.join(d, "stdout"), "an old log\n")
answer = os.path.join(d, "scan.ans")
left = script("left running", "scan.ans", commands="MIGRAD\nEND\n") + \
    "$sleep 60 > sleep.out 2>&1 < sleep.out & echo $! > sleep.pid\n"
status, _, err = run(d, left)
check(status == 0, f"left_running: status {status} {err!r}")
try:
    status, _, err = run(d, script("same folder", "scan.ans"))
    check(status == 0, f"left_running: the next run in the folder ended with {status} {err!r}")
    status, _, err = run(other, script("same files", "../left_running/scan.ans"))
    check(status == 0, f"left_running: a run writing the same files ended with {status} {err!r}")
    check(slurp(answer).startswith(" TF fit same files\n"), "left_running: the answer file")
finally:
    os.kill(int(slurp(os.path.join(d, "sleep.pid"))), signal.SIGTERM)

# ---- runs in folders of their own: as a lone run ----------------------------------------------
d = folder("lone")
status, _, _ = run(d, script("apart", "scan.ans"))
check(status == 0, "lone: the run failed")
lone = DATE.sub("", slurp(os.path.join(d, "scan.ans")))
lone_row = slurp(os.path.join(d, "scan.ans.row"))
folders = [folder(f"apart_{k}") for k in range(RUNS)]
runs = [start(f) for f in folders]
for p in runs:
    feed(p, script("apart", "scan.ans"))
for k, p in enumerate(runs):
    check(p.wait(120) == 0, f"apart: run {k} failed: {p.stderr.read()!r}")
    check(DATE.sub("", slurp(os.path.join(folders[k], "scan.ans"))) == lone,
          f"apart: run {k} wrote another answer file than a lone run")
    check(slurp(os.path.join(folders[k], "scan.ans.row")) == lone_row,
          f"apart: run {k} wrote another row than a lone run")

finish()
