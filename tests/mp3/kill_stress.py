#!/usr/bin/python3
"""Kills `lettrino-cli tags --apply --recursive` with SIGKILL at random moments and checks that
every MP3 is byte for byte either its old self or its new self, and that the next run leaves no
temporary file behind.

usage: kill_stress.py CLI [FILES [KILLS]]   (defaults: 200 files, 20 kills)
"""
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CYRILLIC = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя"


def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame(fid, data):
    return fid + len(data).to_bytes(4, "big") + b"\0\0" + data


def song(rng, index):
    # A tag without padding whose texts grow when transliterated: every rewrite must move the audio.
    words = " ".join("".join(rng.choice(CYRILLIC) for _ in range(rng.randint(3, 9))) for _ in range(3))
    body = frame(b"TIT2", b"\0" + words.encode("cp1251"))
    body += frame(b"TPE1", b"\0" + "щука".encode("cp1251"))
    body += frame(b"PRIV", b"owner\0" + bytes(range(256)))
    audio = bytearray()
    for f in range(rng.randint(20, 60)):
        audio += b"\xff\xfb\x90\x00" + bytes((i * 7 + f + index) % 200 for i in range(4, 417))
    return b"ID3\x03\x00\x00" + synchsafe(len(body)) + body + bytes(audio)


def run(cli, folder, kill_after=None):
    process = subprocess.Popen([cli, "tags", "--apply", "--recursive", folder],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if kill_after is not None:
        time.sleep(kill_after)
        process.send_signal(signal.SIGKILL)
    _, err = process.communicate()
    return process.returncode, err.decode("utf-8", "replace")


def leftovers(folder):
    return [os.path.join(d, n) for d, _, names in os.walk(folder) for n in names if ".lt-" in n]


def main():
    cli = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    kills = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    rng = random.Random(13)
    base = tempfile.mkdtemp(prefix="lt-kill-")
    try:
        old = {}
        for i in range(count):
            old[os.path.join("sub%d" % (i % 4), "s%03d.mp3" % i)] = song(rng, i)
        pristine = os.path.join(base, "pristine")
        for name, data in old.items():
            os.makedirs(os.path.dirname(os.path.join(pristine, name)), exist_ok=True)
            with open(os.path.join(pristine, name), "wb") as f:
                f.write(data)
        reference = os.path.join(base, "reference")
        shutil.copytree(pristine, reference)
        start = time.monotonic()
        status, err = run(cli, reference)
        full = time.monotonic() - start
        if status != 0:
            print("reference run failed:", err)
            return 1
        new = {}
        for name in old:
            with open(os.path.join(reference, name), "rb") as f:
                new[name] = f.read()
        changed = sum(1 for name in old if new[name] != old[name])

        work = os.path.join(base, "work")
        shutil.copytree(pristine, work)
        mixed = bad = left = 0
        for kill in range(kills):
            # Each round starts from the old files; what the last kill left stays for this run to clear.
            for name in old:
                shutil.copyfile(os.path.join(pristine, name), os.path.join(work, name))
            run(cli, work, kill_after=rng.uniform(0.0, full))
            states = {"old": 0, "new": 0}
            for name in old:
                with open(os.path.join(work, name), "rb") as f:
                    data = f.read()
                if data == old[name]:
                    states["old"] += 1
                elif data == new[name]:
                    states["new"] += 1
                else:
                    bad += 1
                    print("damaged after kill %d: %s" % (kill + 1, name))
            if states["old"] and states["new"]:
                mixed += 1
            left += len(leftovers(work))
        status, err = run(cli, work)
        remaining = leftovers(work)
        finished = all(open(os.path.join(work, n), "rb").read() == new[n] for n in old)
        print("files %d (tags grow in %d), full run %.2f s, kills %d (%d cut a run between files), "
              "damaged files %d, temporaries left by kills %d, left after the next run %d, "
              "next run exit %d, all new after it: %s"
              % (count, changed, full, kills, mixed, bad, left, len(remaining), status, finished))
        return 0 if bad == 0 and not remaining and status == 0 and finished else 1
    finally:
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
