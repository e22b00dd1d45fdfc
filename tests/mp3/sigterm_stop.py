#!/usr/bin/python3
"""SIGTERM to `lettrino-cli tags --apply` over 200 files, once the journal shows the run under way:
the run stops after the files in hand, says "N done, M not started" with N + M = 200, exits with
128 + SIGTERM, every file is its old self or its whole new self (N new), and undo gives the old
bytes back to all of them.

usage: sigterm_stop.py CLI [FILES]
"""
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kill_stress import song  # noqa: E402
import random  # noqa: E402


def journal_records(state):
    count = 0
    for path in glob.glob(os.path.join(state, "lettrino", "journal", "*.journal")):
        with open(path, "rb") as f:
            count += f.read().count(b"\ntag")
    return count


def main():
    cli = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    base = tempfile.mkdtemp(prefix="lt-term-")
    try:
        state = os.path.join(base, "state")
        env = dict(os.environ, XDG_STATE_HOME=state)
        folder = os.path.join(base, "songs")
        os.makedirs(folder)
        rng = random.Random(7)
        old = {}
        for i in range(count):
            old["s%03d.mp3" % i] = song(rng, i)
            with open(os.path.join(folder, "s%03d.mp3" % i), "wb") as f:
                f.write(old["s%03d.mp3" % i])
        process = subprocess.Popen([cli, "tags", "--apply", folder], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE, env=env)
        deadline = time.monotonic() + 30
        while journal_records(state) < 5 and process.poll() is None and time.monotonic() < deadline:
            time.sleep(0.001)
        process.send_signal(signal.SIGTERM)
        _, err = process.communicate()
        err = err.decode("utf-8", "replace")
        match = re.search(r"stopped by SIGTERM: (\d+) done, (\d+) not started", err)
        failures = []
        if process.returncode != 128 + signal.SIGTERM or not match:
            failures.append("exit %d, stderr: %s" % (process.returncode, err))
        done, left = (int(match.group(1)), int(match.group(2))) if match else (-1, -1)
        if match and (done + left != count or left == 0):
            failures.append("done %d + not started %d (of %d)" % (done, left, count))
        changed = 0
        for name, data in old.items():
            with open(os.path.join(folder, name), "rb") as f:
                now = f.read()
            if now == data:
                continue
            changed += 1
            # Whole: the audio behind the tag is the same bytes, the title is Latin.
            if not now.endswith(data[-4000:]) or b"\xff\xfb\x90\x00" not in now:
                failures.append("%s is neither old nor whole" % name)
        if changed != done:
            failures.append("%d files changed, %d reported done" % (changed, done))
        undo = subprocess.run([cli, "undo", "--apply"], capture_output=True, env=env)
        back = sum(1 for name, data in old.items() if open(os.path.join(folder, name), "rb").read() == data)
        if back != count:
            failures.append("after undo %d of %d files old: %s" % (back, count, undo.stderr.decode()))
        print("files %d: done %d, not started %d, exit %d, changed %d, old again after undo %d"
              % (count, done, left, process.returncode, changed, back))
        for failure in failures:
            print("FAILED:", failure)
        return 1 if failures else 0
    finally:
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
