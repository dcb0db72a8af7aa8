#!/usr/bin/env python3
"""Runs a program at a pseudo-terminal, typing each line of an input file once the
program waits at a prompt (it has written a line without its end and gone quiet),
and prints what the terminal showed, byte for byte but with CR LF as LF. Exit status: the
program's. With --xvfb the program gets a virtual X display of its own (Xvfb's messages go
to xvfb.log in the current folder), so that plots open a window."""
import fcntl
import os
import pty
import select
import struct
import subprocess
import sys
import termios
import time

QUIET = 0.1       # seconds without output after a prompt: waiting for an answer
LIMIT = 120.0     # the whole run


def run_at_terminal(argv, lines, cwd=None, on_prompt=None):
    """Runs argv at a pseudo-terminal, typing lines (bytes) at its prompts; on_prompt(screen),
    when given, may return bytes to send instead of the next line, or a signal number to send
    the program instead. (status, screen bytes)."""
    lines = list(lines)
    pid, fd = pty.fork()
    if pid == 0:
        # A wide screen, so that long answers are shown whole rather than scrolled;
        # set before the program starts, since a later change redraws its prompt.
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 250, 0, 0))
        if cwd is not None:
            os.chdir(cwd)
        os.execv(argv[0], argv)
    out = bytearray()
    start = time.monotonic()
    last = time.monotonic()
    answered = False  # typed at the current prompt; wait for the program to go on
    while time.monotonic() - start < LIMIT:
        ready, _, _ = select.select([fd], [], [], 0.02)
        if ready:
            try:
                data = os.read(fd, 4096)
            except OSError:
                break
            if not data:
                break
            out += data
            answered = False
            last = time.monotonic()
        elif (not answered and out and out[-1:] != b"\n"
              and time.monotonic() - last > QUIET):
            special = on_prompt(bytes(out)) if on_prompt else None
            if isinstance(special, int):
                os.kill(pid, special)
            elif special is not None:
                os.write(fd, special)
            elif lines:
                os.write(fd, lines.pop(0) + b"\n")
            else:
                os.write(fd, b"\x04")  # end of input, as ^D at the terminal
            answered = True
            last = time.monotonic()
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status), bytes(out)


def start_display(log):
    """A virtual X server on a free display: (process, ":N"), or (None, "") when none
    came up. The server picks its own number; under load it may be slow to say it, or die
    on the way, and then a fresh one is tried. It does not reset when a client leaves, so
    the next window opened at once finds it listening."""
    for _ in range(5):
        rd, wr = os.pipe()
        proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wr), "-noreset", "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"], pass_fds=(wr,), stdout=log, stderr=log)
        os.close(wr)
        number = display_number(rd, proc)
        os.close(rd)
        socket = "/tmp/.X11-unix/X" + number
        for _ in range(100):
            if not number or os.path.exists(socket):
                break
            time.sleep(0.05)
        time.sleep(0.2)
        if number and os.path.exists(socket) and proc.poll() is None:
            return proc, ":" + number
        stop_display(proc)
    return None, ""


def display_number(rd, proc, limit=60.0):
    """The number the server writes once it listens ("" when it died first or took longer
    than limit seconds); whole once nothing more follows at once."""
    said = b""
    end = time.monotonic() + limit
    while time.monotonic() < end:
        if select.select([rd], [], [], 0.05)[0]:
            part = os.read(rd, 16)
            if not part:
                break
            said += part
        elif said or proc.poll() is not None:
            break
    return said.decode().strip()


def stop_display(proc):
    if proc is not None and proc.poll() is None:
        proc.terminate()
        proc.wait()


def type_on_display(argv, lines, on_prompt=None):
    """run_at_terminal with a virtual X display of its own (its messages in xvfb.log); writes
    the screen as run() does and exits with the program's status."""
    with open("xvfb.log", "wb") as log:
        xserver, display = start_display(log)
    if xserver is None:
        sys.exit("no virtual X display could be started")
    os.environ["DISPLAY"] = display
    try:
        status, out = run_at_terminal(argv, lines, on_prompt=on_prompt)
    finally:
        stop_display(xserver)
    sys.stdout.buffer.write(out.replace(b"\r\n", b"\n"))
    sys.exit(status)


def main():
    args = sys.argv[1:]
    xserver = None
    if args and args[0] == "--xvfb":
        args = args[1:]
        with open("xvfb.log", "wb") as log:
            xserver, display = start_display(log)
        if xserver is None:
            with open("xvfb.log", "rb") as log:
                said = log.read()[-2000:].decode("latin-1")
            sys.stderr.write("pty_run.py: no virtual X display could be started; Xvfb said:\n"
                             + said)
            sys.exit(2)
        os.environ["DISPLAY"] = display
    try:
        run(*args)
    finally:
        stop_display(xserver)


def run(program, input_path):
    with open(input_path, "rb") as f:
        lines = f.read().splitlines()
    status, out = run_at_terminal([program], lines)
    sys.stdout.buffer.write(out.replace(b"\r\n", b"\n"))
    sys.stdout.flush()
    sys.exit(status)


if __name__ == "__main__":
    main()
