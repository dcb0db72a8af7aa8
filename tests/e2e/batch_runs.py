"""Helpers for cases that run kavrin many times over (files in odd places, runs side by
side): a fit script, a run in a folder of its own, the folder's files, typing at a
pseudo-terminal. Imported by a case's check script; the case's setup.sh made tf.zog."""
import os
import subprocess

from pty_run import run_at_terminal

KAVRIN = os.environ["KAVRIN"]
WORK = os.getcwd()
RUN_FILE = os.path.join(WORK, "tf.zog")
NOBODY = 65534

failures = []


def check(ok, what):
    """Notes a failed check (the case goes on, so that all of them are seen)."""
    if not ok:
        failures.append(what)
        print("FAILED:", what)
    return ok


def finish():
    raise SystemExit(1 if failures else 0)


def script(tag, out, remark="", label="Asym", commands="MIGRAD\nEXIT\n"):
    """A batch fit of tf.zog whose title ends in tag and whose answer file is out."""
    return (f"TF fit {tag}\n1 Phase 0 5\n2 {label} 0.2 0.01 0 0.5 {remark}\n"
            "3 Freq 1.45 0.01\n4 Lambda 0.2 0.01\n0\n"
            f"OUTPUT\n{out}\nSIGNAL 1,2,3,4\nSPECTRUM\n{RUN_FILE}\n"
            "SPEC_TYP 2\nHIST_# 1,2\nTIMES 0.02, 6, 10\n\n\n\n" + commands)


def folder(name, mode=0o755):
    path = os.path.join(WORK, name)
    os.makedirs(path, exist_ok=True)
    os.chmod(path, mode)
    return path


def put(path, text):
    with open(path, "w") as f:
        f.write(text)


def slurp(path):
    with open(path, errors="replace") as f:
        return f.read()


def start(cwd, text=None, fsize=None, as_nobody=False):
    """Starts kavrin in cwd (in batch, standard input a pipe); text, when given, is written
    to it at once. fsize limits the size of every file it writes (a full disk)."""
    def child():
        if fsize is not None:
            import resource
            resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))
        if as_nobody:
            os.setgroups([])
            os.setgid(NOBODY)
            os.setuid(NOBODY)
    p = subprocess.Popen([KAVRIN], cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, preexec_fn=child)
    if text is not None:
        feed(p, text)
    return p


def feed(p, text):
    """Gives a started run its script (a run that has already left takes none)."""
    try:
        p.stdin.write(text.encode())
        p.stdin.close()
    except BrokenPipeError:
        pass


def run(cwd, text, **kw):
    """A whole batch run: (status, standard output, standard error)."""
    p = start(cwd, **kw)
    out, err = p.communicate(text.encode(), timeout=120)
    return p.returncode, out.decode("latin-1"), err.decode("latin-1")


def listing(path):
    """The names in a folder, sorted: a temporary left behind shows here."""
    return sorted(os.listdir(path))


def can_run_as_nobody(path):
    """Whether an unprivileged user reaches path (root runs the folder tests as nobody)."""
    if os.geteuid() != 0:
        return True
    return subprocess.run(["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}",
                           "--clear-groups", "test", "-x", path]).returncode == 0


def type_at_prompts(argv, cwd, lines, on_prompt=None):
    """Runs argv in cwd at a pseudo-terminal and types each line at its prompt (see
    pty_run.run_at_terminal). Returns (exit status, screen with LF line ends)."""
    status, screen = run_at_terminal(argv, [x.encode() for x in lines], cwd, on_prompt)
    return status, screen.replace(b"\r\n", b"\n").decode("latin-1")
