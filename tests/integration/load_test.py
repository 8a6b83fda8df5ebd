#!/usr/bin/python3
"""Concurrent load through lighttpd: 300 requests, 8 at a time, loopback only, bounded in time.

Every response must be a whole page that names its own picture; every picture must exist,
decode and be 600x350; nothing temporary may be left in Temp; PictureName.ini must be whole.
Usage: load_test.py SOURCE_DIR BUILD_DIR
"""
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request
from concurrent.futures import ThreadPoolExecutor

from PIL import Image

REQUESTS, PARALLEL, DEADLINE_S = 300, 8, 240
SECURITIES = ["IBM Corp", "Coca-Cola Co", "General Electric Co", "Nobody at all"]
ZONES = ["EST", "ACST", "GMT", "Moscow", "HST"]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_up(port, seconds):
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
            return
        except OSError:
            time.sleep(0.1)
    raise RuntimeError(f"server did not listen on {port}")


def main():
    src, build = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="stockdyn-load-")
    www = os.path.join(work, "www")
    shutil.copytree(os.path.join(build, "www"), www)
    temp = os.path.join(www, "Exe", "Temp")
    for name in os.listdir(temp):
        os.remove(os.path.join(temp, name))
    port = free_port()
    server = subprocess.Popen([os.path.join(src, "scripts", "serve"), www, str(port)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              start_new_session=True)
    failures = []
    try:
        wait_up(port, 15)
        start = time.monotonic()

        def one(i):
            if time.monotonic() - start > DEADLINE_S:
                return i, None, "deadline"
            q = urllib.parse.urlencode({"TRS_TZ": ZONES[i % len(ZONES)],
                                        "D3_NATAL_DATA_TOWNS": SECURITIES[i % len(SECURITIES)]})
            try:
                with urllib.request.urlopen(f"http://127.0.0.1:{port}/Exe/srv_stock_dyn?{q}",
                                            timeout=60) as r:
                    return i, r.status, r.read().decode("cp1251")
            except Exception as e:  # noqa: BLE001 - every failure is reported below
                return i, None, repr(e)

        with ThreadPoolExecutor(PARALLEL) as pool:
            results = list(pool.map(one, range(REQUESTS)))
        elapsed = time.monotonic() - start

        pictures = []
        for i, status, body in results:
            if status != 200:
                failures.append(f"request {i}: status {status}: {body[:200]}")
                continue
            if not body.rstrip().endswith("</BODY></HTML>"):
                failures.append(f"request {i}: page not whole")
            m = re.search(r'src="/Exe/Temp/([^"]+\.gif)"', body)
            if not m:
                failures.append(f"request {i}: no picture named")
                continue
            pictures.append(m.group(1))
        if len(set(pictures)) != len(pictures):
            failures.append(f"{len(pictures) - len(set(pictures))} pages share a picture")
        for name in set(pictures):
            path = os.path.join(temp, name)
            try:
                with Image.open(path) as im:
                    im.load()
                    if im.size != (600, 350):
                        failures.append(f"{name}: size {im.size}")
            except Exception as e:  # noqa: BLE001
                failures.append(f"{name}: {e!r}")
        # The sweep's lock file stays by design; anything else that is not a picture is a leftover.
        leftovers = [n for n in os.listdir(temp)
                     if n != ".sweep.lock" and (not n.endswith(".gif") or n.startswith("."))]
        if leftovers:
            failures.append(f"temporary files left in Temp: {leftovers[:5]}")
        with open(os.path.join(www, "Exe", "PictureName.ini"), "rb") as f:
            memory = f.read()
        if memory not in (b"Picture.bmp\r\n", b"Picture.bmp\n"):
            failures.append(f"PictureName.ini not whole: {memory[:80]!r}")
        print(f"{REQUESTS} requests, {PARALLEL} at a time, in {elapsed:.2f} s: "
              f"{REQUESTS / elapsed:.1f} requests per second")
    finally:
        try:
            os.killpg(server.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        server.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)
    for f in failures[:20]:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
