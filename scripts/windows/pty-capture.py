#!/usr/bin/env python3
"""Stands in for the device on a pseudo-terminal for the wine tests.

    pty-capture.py OUT

Prints the pty's path on its first line, then appends every byte that
arrives to OUT until it gets SIGTERM. The slave stays open here too, so that
the line never hangs up between two programs that use it.
"""
import os
import signal
import sys
import time
import tty

out_path = sys.argv[1]
master, slave = os.openpty()
tty.setraw(master)
tty.setraw(slave)
print(os.ttyname(slave), flush=True)
running = True


def stop(_signum, _frame):
    global running
    running = False


signal.signal(signal.SIGTERM, stop)
with open(out_path, "wb", buffering=0) as out:
    os.set_blocking(master, False)
    while running:
        try:
            data = os.read(master, 4096)
            out.write(data)
        except BlockingIOError:
            time.sleep(0.01)
        except OSError:
            break
