"""The answer file and the table-row file go where their names point, whole or not at all,
and a batch run whose file could not be written ends with status 1 and the reason on
standard error. Each situation is made real in a folder of its own."""
import os
import pty
import select
import signal
import stat
import subprocess
import threading
import tty

from batch_runs import (KAVRIN, WORK, can_run_as_nobody, check, finish, folder, listing, put,
                        run, script, slurp, type_at_prompts)

OLD_ANSWER, OLD_ROW = "old answer\n", "old row\n"


def fitted(tag, answer, row):
    """The answer file and its row both hold the fit titled tag, whole."""
    return (answer.startswith(f" TF fit {tag}\n") and answer.endswith("MINIMIZE\nEND \n")
            and row.endswith(f"    TF fit {tag}\n") and row.startswith("  IND_VAR = 0,,, \\\n"))


def reader(path, into):
    """Reads a FIFO or terminal to its end in the background."""
    def body():
        with open(path, "rb") as f:
            into.append(f.read())
    t = threading.Thread(target=body, daemon=True)
    t.start()
    return t


# ---- links: the target is rewritten, the link stays ------------------------------------------
d = folder("links")
real = folder("links/real")
put(os.path.join(real, "fit.dat"), OLD_ANSWER)
put(os.path.join(real, "fit.aat"), OLD_ROW)
os.symlink("real/fit.dat", os.path.join(d, "fit.dat"))
os.symlink(os.path.join(real, "fit.aat"), os.path.join(d, "fit.aat"))
status, out, err = run(d, script("links", "fit.dat"))
check(status == 0, f"links: status {status} {err}")
check(os.path.islink(os.path.join(d, "fit.dat")) and os.path.islink(os.path.join(d, "fit.aat")),
      "links: a link was replaced by a file")
check(fitted("links", slurp(os.path.join(real, "fit.dat")), slurp(os.path.join(real, "fit.aat"))),
      "links: the targets do not hold the fit")
check(listing(real) == ["fit.aat", "fit.dat"], f"links: left in the target folder {listing(real)}")
check(listing(d) == ["fit.aat", "fit.dat", "real", "stdout"], f"links: left {listing(d)}")

# ---- FIFOs: written in place, for readers the test runs -------------------------------------
d = folder("fifos")
for name in ("fit.dat", "fit.aat"):
    os.mkfifo(os.path.join(d, name))
got_answer, got_row = [], []
readers = [reader(os.path.join(d, "fit.dat"), got_answer), reader(os.path.join(d, "fit.aat"), got_row)]
status, out, err = run(d, script("fifos", "fit.dat"))
for t in readers:
    t.join(60)
check(status == 0, f"fifos: status {status} {err}")
check(got_answer and got_row and fitted("fifos", got_answer[0].decode(), got_row[0].decode()),
      "fifos: the readers did not get the fit")
check(all(stat.S_ISFIFO(os.lstat(os.path.join(d, n)).st_mode) for n in ("fit.dat", "fit.aat")),
      "fifos: a FIFO was replaced")
check(listing(d) == ["fit.aat", "fit.dat", "stdout"], f"fifos: left {listing(d)}")

# ---- terminals: names (links here) of pseudo-terminals the test opened -----------------------
d = folder("terminals")
terms = []
for name in ("tty.dat", "tty.aat"):
    master, slave = pty.openpty()
    tty.setraw(slave)  # the lines as written, no CR added
    os.symlink(os.ttyname(slave), os.path.join(d, name))
    terms.append((master, slave, bytearray()))


def drain(master, into):
    while select.select([master], [], [], 0.2)[0]:
        into += os.read(master, 65536)


p_status, out, err = run(d, script("terminals", "tty.dat"))
for m, _, b in terms:
    drain(m, b)
check(p_status == 0, f"terminals: status {p_status} {err}")
check(fitted("terminals", terms[0][2].decode(), terms[1][2].decode()),
      "terminals: the terminals did not get the fit")
check(listing(d) == ["stdout", "tty.aat", "tty.dat"], f"terminals: left {listing(d)}")
for m, s, _ in terms:
    os.close(m)
    os.close(s)

# ---- standard output, sent to a transcript file, named through a link (as /dev/stdout is) ----
# The answer goes on in the transcript after the screen's lines; neither is lost.
d = folder("own")
os.symlink("/proc/self/fd/1", os.path.join(d, "own.dat"))
with open(os.path.join(d, "transcript"), "w") as out:
    p_status = subprocess.run([KAVRIN], cwd=d, input=script("own", "own.dat").encode(), stdout=out,
                              stderr=subprocess.PIPE, timeout=120).returncode
transcript = slurp(os.path.join(d, "transcript"))
end = "MINUIT> EXIT\n"
check(p_status == 0, f"own: status {p_status}")
check(transcript.startswith(" Kavrin static") and "TITLE (or @Filename) > TF fit own\n" in transcript
      and end in transcript, f"own: the screen's lines are lost: {transcript[:80]!r}")
check(end in transcript and fitted("own", transcript[transcript.find(end) + len(end):],
                                   slurp(os.path.join(d, "own.aat"))),
      f"own: the answer does not follow the screen's lines: {transcript[-80:]!r}")
check(listing(d) == ["own.aat", "own.dat", "stdout", "transcript"], f"own: left {listing(d)}")

# ---- a folder that takes no new file --------------------------------------------------------
# Root writes in any folder, so the run goes on as an unprivileged user there.
if can_run_as_nobody(WORK):
    def no_room(name, unwritable=None, room=False):
        """A run in a folder of the user's that takes no new file (or, with room, does)."""
        d = folder(name)
        for n, text in (("fit.dat", OLD_ANSWER), ("fit.aat", OLD_ROW), ("stdout", "")):
            put(os.path.join(d, n), text)
            if os.geteuid() == 0:
                os.chown(os.path.join(d, n), 65534, 65534)
        if unwritable:
            os.chmod(os.path.join(d, unwritable), 0o444)
        if os.geteuid() == 0:
            os.chown(d, 65534, 65534)
        os.chmod(d, 0o755 if room else 0o555)
        result = run(d, script(name, "fit.dat"), as_nobody=os.geteuid() == 0)
        os.chmod(d, 0o755)
        return d, result

    d, (status, out, err) = no_room("readonly")
    check(status == 0, f"readonly: status {status} {err}")
    check(fitted("readonly", slurp(os.path.join(d, "fit.dat")), slurp(os.path.join(d, "fit.aat"))),
          "readonly: the files were not rewritten in place")
    check(listing(d) == ["fit.aat", "fit.dat", "stdout"], f"readonly: left {listing(d)}")

    # a file there that may not be written: said with its reason, status 1, kept; the other
    # file is not written either (the pair comes from one fit), and says so. So too where
    # the folder takes new files: a file the user protected is not replaced by a renamed
    # temporary.
    NO_ANSWER = "*** Answer file not written: fit.dat (Permission denied)\n" \
                "*** Table row not written: fit.aat (its answer file was not written)\n"
    NO_ROW = "*** Table row not written: fit.aat (Permission denied)\n" \
             "*** Answer file not written: fit.dat (its table row was not written)\n"
    for name, file, room, why in (
            ("unwritable_answer", "fit.dat", False, NO_ANSWER),
            ("unwritable_row", "fit.aat", False, NO_ROW),
            ("protected_answer", "fit.dat", True, NO_ANSWER),
            ("protected_row", "fit.aat", True, NO_ROW)):
        d, (status, out, err) = no_room(name, file, room)
        check(status == 1, f"{name}: status {status}")
        check(all(" " + line + "\n" in out for line in why.splitlines()) and err == why,
              f"{name}: said {out[-300:]!r} / {err!r}")
        check(slurp(os.path.join(d, "fit.dat")) == OLD_ANSWER, f"{name}: the answer file changed")
        check(slurp(os.path.join(d, "fit.aat")) == OLD_ROW, f"{name}: the row file changed")
        check(listing(d) == ["fit.aat", "fit.dat", "stdout"], f"{name}: left {listing(d)}")
else:
    print("SKIPPED: the folder cases need an unprivileged user who reaches the work folder")

# ---- the answer file named as the run's own log: the log is not replaced, the reason said ------
# and the row is not written without its answer file.
d = folder("log_named")
status, out, err = run(d, script("log_named", "stdout"))
why = "*** Answer file not written: stdout (Device or resource busy)\n" \
      "*** Table row not written: stdout.A (its answer file was not written)\n"
check(status == 1 and err == why and all(" " + line + "\n" in out for line in why.splitlines()),
      f"log_named: {status} {err!r}")
log = slurp(os.path.join(d, "stdout"))
check(log.count("M I N U I T   ---   K A V R I N") == 1 and "TF fit log_named" in log
      and not log.startswith(" TF fit"), "log_named: the log was replaced")
check(listing(d) == ["stdout"], f"log_named: left {listing(d)}")

# ---- a full disk (a file-size limit): the old files stay whole --------------------------------
base_answer, base_row = len(slurp("fit.dat")), len(slurp("fit.aat"))
check(base_row < base_answer, "the row file is not the smaller one")
# Every file the limit cut is named, each once, the fit's files first; neither of the pair
# is written when one of them is cut.
LOG_CUT = "*** File not written whole: stdout (File too large)\n"
for name, limit, why in (
        ("full_answer", (base_row + base_answer) // 2,
         "*** Answer file not written: fit.dat (File too large)\n"
         "*** Table row not written: fit.aat (its answer file was not written)\n" + LOG_CUT),
        ("full_both", base_row // 2,
         "*** Table row not written: fit.aat (File too large)\n"
         "*** Answer file not written: fit.dat (File too large)\n" + LOG_CUT)):
    d = folder(name)
    put(os.path.join(d, "fit.dat"), OLD_ANSWER)
    put(os.path.join(d, "fit.aat"), OLD_ROW)
    status, out, err = run(d, script(name, "fit.dat"), fsize=limit)
    check(status == 1, f"{name}: status {status}")
    check(err == why, f"{name}: standard error {err!r}")
    check(all(" " + line + "\n" in out for line in why.splitlines()),
          f"{name}: the screen does not say why")
    check(slurp(os.path.join(d, "fit.dat")) == OLD_ANSWER, f"{name}: the old answer file changed")
    check(slurp(os.path.join(d, "fit.aat")) == OLD_ROW, f"{name}: the old row file changed")
    check(listing(d) == ["fit.aat", "fit.dat", "stdout"], f"{name}: left {listing(d)}")

# ---- a log cut short while the answer files fit: a failed run, not a finished one ---------------
base_log = len(slurp("stdout"))
check(base_answer < base_log // 2, "the log is not the largest file")
d = folder("full_log")
status, out, err = run(d, script("full_log", "fit.dat"), fsize=base_log // 2)
why = "*** File not written whole: stdout (File too large)"
check(status == 1, f"full_log: status {status}")
check(err == why + "\n", f"full_log: standard error {err!r}")
check(out.endswith(" " + why + "\n"), "full_log: the screen does not say why")
check(fitted("full_log", slurp(os.path.join(d, "fit.dat")), slurp(os.path.join(d, "fit.aat"))),
      "full_log: the answer files were not written")
check(listing(d) == ["fit.aat", "fit.dat", "stdout"], f"full_log: left {listing(d)}")

# ---- ^C at "Done?" of the custom commands: no temporary, the old file kept ---------------------
d = folder("interrupt")
put(os.path.join(d, "fit.dat"), OLD_ANSWER)
lines = script("interrupt", "fit.dat", commands="MIGRAD\nEXIT\n").splitlines()
lines += ["", "", "y", "MIGRAD 500"]  # RESULTS> left, the name kept, custom commands


def interrupt_at_done(screen):
    return b"\x03" if screen.endswith(b"Done? ") else None


status, screen = type_at_prompts([KAVRIN], d, lines, interrupt_at_done)
check("Done? " in screen, f"interrupt: never reached Done? ({screen[-300:]!r})")
check(status == 1, f"interrupt: status {status}")
check(slurp(os.path.join(d, "fit.dat")) == OLD_ANSWER, "interrupt: the old answer file changed")
check(listing(d) == ["fit.dat", "fit.prt"], f"interrupt: left {listing(d)}")  # nor a new row

# ---- the terminal hangs up at "Done?": the same, and a new name is not left made empty -----------
# (neither the answer file nor its row, which waits for it)
d = folder("hangup")
lines = script("hangup", "new.dat", commands="MIGRAD\nEXIT\n").splitlines()
lines += ["", "", "y", "MIGRAD 500"]


def hang_up_at_done(screen):
    return signal.SIGHUP if screen.endswith(b"Done? ") else None


status, screen = type_at_prompts([KAVRIN], d, lines, hang_up_at_done)
check("Done? " in screen, f"hangup: never reached Done? ({screen[-300:]!r})")
check(status == 1, f"hangup: status {status}")
check(listing(d) == ["fit.prt"], f"hangup: left {listing(d)}")
check("MIGRAD" in slurp(os.path.join(d, "fit.prt")), "hangup: the log lost its lines")

finish()
