"""The road a new user takes: a batch fit writes its answer file, "@" and its name replays
it, and the replayed fit writes its results back into the same file and its row, both from
that one fit. Around it: the log that may not be written, the log blocked on a FIFO nobody
reads, and stop signals at the moment a rewrite makes its files."""
import array
import fcntl
import os
import re
import shutil
import signal
import subprocess
import termios
import time

from batch_runs import (KAVRIN, NOBODY, WORK, can_run_as_nobody, check, finish, folder, listing,
                        put, run, script, start)

def slurp(path):
    """The file's text, or "" when there is none (the check that follows then fails)."""
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


CARD = re.compile(r"^ +(\d+) +(\S+) +(\S+) +(\S+)", re.M)
ROW = re.compile(r"^  (\S+) *= +(\S+),", re.M)
CHISQ_NOTE = re.compile(r"^!\s+(\d+), +(\S+) += NDFR, CHISQ$", re.M)
CHISQ_ROW = re.compile(r"^   CHI_SQ = *(\S+) *,1,, \\\n  N_DEG_FR= *(\d+),,, \\$", re.M)


def one_fit(answer, row):
    """The answer file and its row hold the same fit: each card's value is the row's value
    rounded as the card rounds it, and the chi-square and degrees of freedom agree."""
    cards = {name: float(value) for _, name, value, _ in CARD.findall(answer.split("\n \n")[0])}
    rows = {name: float(value) for name, value in ROW.findall(row) if name not in ("IND_VAR", "N_DEG_FR")}
    note, tail = CHISQ_NOTE.search(answer), CHISQ_ROW.search(row)
    return (cards and cards.keys() == rows.keys()
            and all(abs(cards[k] - rows[k]) <= 1e-6 * max(1.0, abs(rows[k])) for k in cards)
            and note is not None and tail is not None
            and note.group(1) == tail.group(2) and float(note.group(2)) == float(tail.group(1)))


def moved(text, start_values):
    """The card values differ from the ones a fit started from."""
    return {n: v for _, n, v, _ in CARD.findall(text.split("\n \n")[0])} != start_values


def card_values(text):
    return {n: v for _, n, v, _ in CARD.findall(text.split("\n \n")[0])}


def first_fit(name, out):
    """A folder whose batch fit wrote out (and its row) with a short MIGRAD that the
    replay's MINIMIZE goes on from."""
    d = folder(name)
    status, _, err = run(d, script(name, out, commands="MIGRAD 30\nEXIT\n"))
    check(status in (0, 3), f"{name}: the first fit ended with {status} {err!r}")
    return d


# ---- the replay rewrites the file it replays, and its row, from the one replayed fit ---------
d = first_fit("replay", "tf_result.fit")
before, before_row = slurp(os.path.join(d, "tf_result.fit")), slurp(os.path.join(d, "tf_result.ait"))
check(one_fit(before, before_row), "replay: the first fit's files disagree")
status, out, err = run(d, "@tf_result.fit\n")
answer, row = slurp(os.path.join(d, "tf_result.fit")), slurp(os.path.join(d, "tf_result.ait"))
check(status == 0 and err == "", f"replay: status {status} {err!r}")
check(answer != before and row != before_row, "replay: a file was not rewritten")
check(moved(answer, card_values(before)), "replay: the answer file does not hold the replayed fit")
check(one_fit(answer, row), "replay: the answer file and its row come from different fits")
check(answer.endswith("MINIMIZE\nEND \n") and answer.count("\nOUTPUT \ntf_result.fit\n") == 1,
      "replay: the answer file is not whole")
check(listing(d) == ["stdout", "tf_result.ait", "tf_result.fit"], f"replay: left {listing(d)}")

# ---- MIN= while replaying: head renewed, the rest of the old file kept ------------------------
d = first_fit("replay_min", "tf_min.fit")
old = slurp(os.path.join(d, "tf_min.fit")).replace("\nOUTPUT \ntf_min.fit\n", "\nOUTPUT \nMIN=tf_min.fit\n")
put(os.path.join(d, "tf_min.fit"), old)
# the old lines follow as the short rewrite copies them: without trailing blanks, an empty
# one as a blank
old_tail = "".join((line.rstrip(" ") or " ") + "\n"
                   for line in old.split("\nMIN=tf_min.fit\n", 1)[1].splitlines())
status, out, err = run(d, "@tf_min.fit\n")
answer, row = slurp(os.path.join(d, "tf_min.fit")), slurp(os.path.join(d, "tf_min.ait"))
check(status == 0 and err == "", f"replay_min: status {status} {err!r}")
check(moved(answer, card_values(old)), "replay_min: the head was not renewed")
check("\nOUTPUT \nMIN=tf_min.fit\n" in answer and answer.split("\nMIN=tf_min.fit\n", 1)[1] == old_tail,
      "replay_min: the rest of the old file was not kept")
check(one_fit(answer, row), "replay_min: the answer file and its row come from different fits")
check(listing(d) == ["stdout", "tf_min.ait", "tf_min.fit"], f"replay_min: left {listing(d)}")

# ---- an 80-character name replays into itself, not into a name cut short ----------------------
d = first_fit("long_name", "n" * 76 + ".fit")
long_name = "n" * 76 + ".fit"
first = slurp(os.path.join(d, long_name))
check(f"\nOUTPUT \n{long_name}\n" in first, "long_name: the OUTPUT answer is not the whole name")
# "@" takes a name of up to 79 characters: the replay reads the file through a short link
os.symlink(long_name, os.path.join(d, "short.fit"))
status, out, err = run(d, "@short.fit\n")
answer = slurp(os.path.join(d, long_name))
check(status == 0 and err == "", f"long_name: status {status} {err!r}")
check(moved(answer, card_values(first)) and one_fit(answer, slurp(os.path.join(d, "n" * 76 + ".ait"))),
      "long_name: the replay did not rewrite the file and its row")
check(listing(d) == sorted(["n" * 76 + ".ait", long_name, "short.fit", "stdout"]),
      f"long_name: left {listing(d)}")
check(os.path.islink(os.path.join(d, "short.fit")), "long_name: the link was replaced")

# ---- an answer file that is no file of a folder: its row is made in the working folder -------
# A link in another folder to this process's standard output (as /dev/stdout is one), which
# goes to a transcript file: the row is not put beside the link.
d = folder("own_elsewhere")
aside = folder("own_elsewhere_links")
os.symlink("/proc/self/fd/1", os.path.join(aside, "own.dat"))
with open(os.path.join(d, "transcript"), "w") as screen:
    p = subprocess.run([KAVRIN], cwd=d, input=script("own_elsewhere", "../own_elsewhere_links/own.dat").encode(),
                       stdout=screen, stderr=subprocess.PIPE, timeout=120)
check(p.returncode == 0 and p.stderr == b"", f"own_elsewhere: status {p.returncode} {p.stderr!r}")
check(listing(aside) == ["own.dat"], f"own_elsewhere: beside the link {listing(aside)}")
check(listing(d) == ["own.aat", "stdout", "transcript"], f"own_elsewhere: left {listing(d)}")
check(slurp(os.path.join(d, "transcript")).endswith("MINIMIZE\nEND \n")
      and slurp(os.path.join(d, "own.aat")).endswith("    TF fit own_elsewhere\n"),
      "own_elsewhere: the pair was not written")

# ---- a log that may not be written: said at once, status 1 -----------------------------------
if can_run_as_nobody(WORK):
    d = folder("readonly_log")
    put(os.path.join(d, "stdout"), "old log\n")
    os.chmod(os.path.join(d, "stdout"), 0o444)
    if os.geteuid() == 0:
        os.chown(os.path.join(d, "stdout"), NOBODY, NOBODY)
        os.chown(d, NOBODY, NOBODY)
    status, out, err = run(d, script("readonly_log", "fit.dat"), as_nobody=os.geteuid() == 0)
    check(status == 1 and err == "*** Cannot open the log file stdout: Permission denied\n",
          f"readonly_log: {status} {err!r}")
    check("TF fit" not in out, "readonly_log: the run went on without its log")
    check(slurp(os.path.join(d, "stdout")) == "old log\n", "readonly_log: the log changed")
    check(listing(d) == ["stdout"], f"readonly_log: left {listing(d)}")
else:
    print("SKIPPED: the read-only log needs an unprivileged user who reaches the work folder")


# ---- a log into a FIFO nobody reads: SIGTERM ends the blocked run at once ---------------------
def in_pipe(fd):
    n = array.array("i", [0])
    fcntl.ioctl(fd, termios.FIONREAD, n)
    return n[0]


def ended_by_sigterm(tag, p):
    """SIGTERM ends the run within a second, status 1, its message on standard error."""
    t0 = time.monotonic()
    p.send_signal(signal.SIGTERM)
    try:
        status = p.wait(1.0)
    except subprocess.TimeoutExpired:
        p.kill()
        status = p.wait()
    took = time.monotonic() - t0
    err = p.stderr.read().decode("latin-1")
    check(took < 1.0 and status == 1 and err == "Killed\n",
          f"{tag}: SIGTERM took {took:.2f} s, status {status}, {err!r}")


def catches_sigterm(pid):
    """The process has its SIGTERM handler in place (a slow start, under a sanitizer, may
    not yet)."""
    with open(f"/proc/{pid}/status") as f:
        caught = next(line for line in f if line.startswith("SigCgt:"))
    return int(caught.split()[1], 16) & (1 << (signal.SIGTERM - 1)) != 0


# no reader at all: the run waits for one at the log's open, writing nothing anywhere
d = folder("fifo_no_reader")
os.mkfifo(os.path.join(d, "stdout"))
p = start(d, script("fifo_no_reader", "fit.dat"))
for _ in range(600):
    if p.poll() is not None or catches_sigterm(p.pid):
        break
    time.sleep(0.05)
time.sleep(0.5)
check(p.poll() is None, f"fifo_no_reader: the run ended with {p.returncode} without a reader")
ended_by_sigterm("fifo_no_reader", p)
check(listing(d) == ["stdout"], f"fifo_no_reader: left {listing(d)}")

# a reader that never reads: the run fills the pipe and blocks in a write of its log
d = folder("fifo_log")
os.mkfifo(os.path.join(d, "stdout"))
held = os.open(os.path.join(d, "stdout"), os.O_RDONLY | os.O_NONBLOCK)  # open, never read
p = start(d, script("fifo_log", "fit.dat", commands="HESSE\n" * 60 + "EXIT\n"))
last, still = -1, 0
for _ in range(600):  # until the pipe is full and stays so
    time.sleep(0.05)
    now = in_pipe(held)
    still = still + 1 if now == last and now > 0 else 0
    last = now
    if still >= 10 or p.poll() is not None:
        break
check(p.poll() is None and last >= 32768, f"fifo_log: the run did not block ({last} bytes)")
ended_by_sigterm("fifo_log", p)
os.close(held)
check(listing(d) == ["stdout"], f"fifo_log: left {listing(d)}")

# a reader that leaves early: the run ends at once and says why, its files not written
d = folder("fifo_gone")
os.mkfifo(os.path.join(d, "stdout"))
p = start(d, script("fifo_gone", "fit.dat", commands="HESSE\n" * 60 + "EXIT\n"))
with open(os.path.join(d, "stdout"), "rb") as f:
    f.read(1000)
p.wait(120)
err = p.stderr.read().decode("latin-1")
check(p.returncode == 1 and err == "Broken pipe\n", f"fifo_gone: status {p.returncode}, {err!r}")
check(listing(d) == ["stdout"], f"fifo_gone: left {listing(d)}")

# a short log into a FIFO that is read reaches its reader whole
d = folder("fifo_read")
os.mkfifo(os.path.join(d, "stdout"))
p = start(d, script("fifo_read", "fit.dat"))
with open(os.path.join(d, "stdout"), "rb") as f:
    log = f.read().decode("latin-1")
p.wait(120)
check(p.returncode == 0 and log.count("M I N U I T   ---   K A V R I N") == 1
      and "TF fit fifo_read" in log and "MINUIT returns code" not in log[:10],
      f"fifo_read: status {p.returncode}, the log {log[-100:]!r}")

# ---- stop signals at the moment a rewrite makes its files -------------------------------------
# Sites: 1 a placeholder made for a new name, 2 a temporary made, 3 between the two files
# being put in place. Old files stay as they were (or no file appears), or both are new.
OLD_ANSWER, OLD_ROW = "old answer\n", "old row\n"
for site, count, sig, olds in ((1, 1, signal.SIGTERM, False), (1, 2, signal.SIGINT, False),
                               (2, 1, signal.SIGTERM, True), (2, 2, signal.SIGHUP, True),
                               (2, 1, signal.SIGINT, False), (2, 2, signal.SIGTERM, False),
                               (3, 1, signal.SIGTERM, True)):
    name = f"site_{site}_{count}_{sig}_{'old' if olds else 'new'}"
    d = folder(name)
    if olds:
        put(os.path.join(d, "fit.dat"), OLD_ANSWER)
        put(os.path.join(d, "fit.aat"), OLD_ROW)
    env = dict(os.environ, KAVRIN_SIGNAL_AT=f"{site}:{count}:{int(sig)}")
    p = subprocess.run([KAVRIN], cwd=d, input=script(name, "fit.dat").encode(),
                       capture_output=True, env=env, timeout=120)
    said = {signal.SIGTERM: "Killed\n", signal.SIGINT: "Interrupt\n", signal.SIGHUP: "Hangup\n"}
    check(p.returncode == 1 and p.stderr.decode() == said[sig], f"{name}: {p.returncode} {p.stderr!r}")
    if site == 3:
        check(slurp(os.path.join(d, "fit.dat")).startswith(f" TF fit {name}\n")
              and slurp(os.path.join(d, "fit.aat")).endswith(f"    TF fit {name}\n"),
              f"{name}: the pair is not new and whole")
        check(listing(d) == ["fit.aat", "fit.dat", "stdout"], f"{name}: left {listing(d)}")
    elif olds:
        check(slurp(os.path.join(d, "fit.dat")) == OLD_ANSWER and
              slurp(os.path.join(d, "fit.aat")) == OLD_ROW, f"{name}: an old file changed")
        check(listing(d) == ["fit.aat", "fit.dat", "stdout"], f"{name}: left {listing(d)}")
    else:
        check(listing(d) == ["stdout"], f"{name}: left {listing(d)}")

finish()
