#!/usr/bin/env python3
"""Runs a program at a pseudo-terminal, typing each line of an input file once the
program waits at a prompt (it has written a line without its end and gone quiet),
and prints what the terminal showed, byte for byte but with CR LF as LF. Exit status: the
program's."""
import fcntl
import os
import pty
import select
import struct
import sys
import termios
import time

QUIET = 0.1       # seconds without output after a prompt: waiting for an answer
LIMIT = 120.0     # the whole run


def main():
    program, input_path = sys.argv[1], sys.argv[2]
    with open(input_path, "rb") as f:
        lines = f.read().splitlines()
    pid, fd = pty.fork()
    if pid == 0:
        # A wide screen, so that long answers are shown whole rather than scrolled;
        # set before the program starts, since a later change redraws its prompt.
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 250, 0, 0))
        os.execv(program, [program])
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
            if lines:
                os.write(fd, lines.pop(0) + b"\n")
            else:
                os.write(fd, b"\x04")  # end of input, as ^D at the terminal
            answered = True
            last = time.monotonic()
    _, status = os.waitpid(pid, 0)
    sys.stdout.buffer.write(out.replace(b"\r\n", b"\n"))
    sys.stdout.flush()
    sys.exit(os.waitstatus_to_exitcode(status))


main()
