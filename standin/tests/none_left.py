"""Fails when a stand-in registered in the folder is still alive (and ends it); stale entries go."""

import os
import signal
import sys

folder = sys.argv[1]
alive = []
for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
    path = os.path.join(folder, name)
    try:
        with open("/proc/%s/cmdline" % name, "rb") as command:
            running = b"standin/server/main.py" in command.read()
    except OSError:
        running = False
    if running:
        alive.append(name)
        os.kill(int(name), signal.SIGKILL)
    os.unlink(path)
if alive:
    print("stand-ins still alive after the tests: %s" % ", ".join(alive))
    sys.exit(1)
