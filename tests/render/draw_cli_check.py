#!/usr/bin/python3
"""Runs `stockdyn draw` as a user would and checks the picture and the exit codes."""
import os
import subprocess
import sys
import tempfile

from PIL import Image

STOCKDYN = sys.argv[1]
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def run(*args):
    return subprocess.run([STOCKDYN, "draw", *args], capture_output=True, text=True, timeout=60)


with tempfile.TemporaryDirectory() as tmp:
    values = os.path.join(tmp, "values.txt")
    # 41 values, negative in the middle, a word gap and an empty line, CR LF line ends.
    rows = [str((i - 20) * (i - 30) / 10.0) for i in range(41)]
    rows[10] = "gap"
    rows[11] = ""
    with open(values, "w", newline="") as f:
        f.write("\r\n".join(rows) + "\r\n")

    out = os.path.join(tmp, "picture.png")
    r = run("--values", values, "--start", "2026-03-20", "--zone", "-5", "--out", out)
    check(r.returncode == 0, f"draw failed: {r.returncode} {r.stderr}")
    gif = os.path.join(tmp, "picture.gif")
    check(os.path.exists(gif) and not os.path.exists(out), "the extension is not forced to .gif")
    if os.path.exists(gif):
        im = Image.open(gif)
        check(im.format == "GIF" and im.size == (600, 350), f"picture is {im.format} {im.size}")
        rgb = im.convert("RGB")
        px = rgb.load()
        colours = {px[x, y] for x in range(600) for y in range(350)}
        allowed = {(255, 255, 255), (0, 0, 0), (0, 255, 0), (255, 0, 0), (0, 0, 255), (255, 153, 153)}
        check(colours <= allowed, f"unexpected colours {colours - allowed}")
        curve = [(x, y) for x in range(600) for y in range(243) if px[x, y] in ((0, 255, 0), (255, 0, 0))]
        check(any(px[x, y] == (0, 255, 0) for x, y in curve), "no rising segment")
        check(any(px[x, y] == (255, 0, 0) for x, y in curve), "no falling segment")
        # The gap: values 9 to 12 are not joined, so columns between x(9) and x(12) stay blank.
        check(all(px[x, y] == (255, 255, 255) for x in range(140, 175) for y in range(243)), "gap is drawn")
        # Weekend of 21/22 March: mask marks under the base line.
        check(px[45, 245] == (255, 153, 153), f"no weekend mark: {px[45, 245]}")
        check(any(px[x, y] == (0, 0, 255) for x in range(250, 350) for y in range(325, 350)), "no caption")

    r = run("--values", values, "--start", "2026-03-20", "--days", "5", "--zone", "5:30",
            "--out", os.path.join(tmp, "five"))
    check(r.returncode == 0 and os.path.exists(os.path.join(tmp, "five.gif")), f"--days/--zone H:MM: {r.stderr}")

    r = subprocess.run([STOCKDYN, "draw", "--help"], capture_output=True, text=True)
    check(r.returncode == 0 and "--values" in r.stdout, "--help")

    bad_usage = [
        ["--values", values, "--out", out],
        ["--values", values, "--start", "2026-02-30", "--out", out],
        ["--values", values, "--start", "2026-03-20", "--days", "0", "--out", out],
        ["--values", values, "--start", "2026-03-20", "--zone", "5:75", "--out", out],
        ["--values", values, "--start", "2026-03-20", "--out"],
        ["--values", values, "--start", "2026-03-20", "--out", out, "--bogus", "1"],
    ]
    for args in bad_usage:
        r = run(*args)
        check(r.returncode == 2 and r.stderr, f"expected usage error for {args}: {r.returncode}")

    broken = os.path.join(tmp, "broken.txt")
    with open(broken, "w") as f:
        f.write("1\n2\nthree\n")
    r = run("--values", broken, "--start", "2026-03-20", "--out", os.path.join(tmp, "b.gif"))
    check(r.returncode == 1 and "broken.txt:3" in r.stderr, f"bad value: {r.returncode} {r.stderr}")
    check(not os.path.exists(os.path.join(tmp, "b.gif")), "picture written from a bad file")

    r = run("--values", os.path.join(tmp, "none.txt"), "--start", "2026-03-20", "--out", os.path.join(tmp, "n.gif"))
    check(r.returncode == 1 and "none.txt" in r.stderr, "missing values file")

    r = run("--values", values, "--start", "2026-03-20", "--out", os.path.join(tmp, "no", "dir.gif"))
    check(r.returncode == 1 and "dir.gif" in r.stderr, f"unwritable picture: {r.returncode} {r.stderr}")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
