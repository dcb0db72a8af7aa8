#!/usr/bin/env python3
"""Runs a program at a pseudo-terminal and types the lines of a script into it, one line
each time the program waits at a prompt; prints what the terminal showed.

    pty_run.py PROGRAM SCRIPT > transcript

A prompt counts as reached when the program has printed something and then stays quiet
for a moment. Once the script is used up, every further prompt gets an end of input
(Ctrl-D). Exits with the program's status (124 when it had to be killed)."""
import os, pty, select, signal, sys, time

QUIET = 0.25     # seconds of silence that mean "waiting for input"
LIMIT = 120      # seconds for the whole run

def main():
    prog, script = sys.argv[1], sys.argv[2]
    with open(script, "rb") as f:
        lines = f.read().splitlines()
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(prog, [prog])
    out = bytearray()
    fresh = False          # output since the last line typed
    last = time.monotonic()
    start = last
    eofs = 0
    while True:
        r, _, _ = select.select([fd], [], [], 0.05)
        if r:
            try:
                data = os.read(fd, 4096)
            except OSError:
                break
            if not data:
                break
            out += data
            fresh = True
            last = time.monotonic()
            continue
        now = time.monotonic()
        if now - start > LIMIT:
            os.kill(pid, signal.SIGKILL)
            break
        if fresh and now - last > QUIET:
            fresh = False
            if lines:
                os.write(fd, lines.pop(0) + b"\n")
            elif eofs < 20:
                eofs += 1
                os.write(fd, b"\x04")
    _, status = os.waitpid(pid, 0)
    sys.stdout.buffer.write(bytes(out).replace(b"\r\n", b"\n"))
    sys.exit(os.WEXITSTATUS(status) if os.WIFEXITED(status) else 124)

main()
