#!/usr/bin/env python3
"""The closing line of ./test read from ctest's own log: each way a test can end is counted as
what it was, skips with their reasons (a skip once read as a failure)."""
import os
import subprocess
import sys
import tempfile

VERDICT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "test-verdict")

BLOCKS = {
    "passed": "1/4 Testing: A.Passes\nOutput:\n[  PASSED  ] 1 test.\n<end of output>\nTest Passed.\n",
    "failed": "2/4 Testing: B.Fails\nOutput:\nx.cpp:3: Failure\n<end of output>\nTest Failed.\n",
    "skipped by regex": ("3/4 Testing: C.Skips\nOutput:\nc.cpp:9: Skipped\nnot on this machine\n"
                         "[  SKIPPED ] C.Skips\n<end of output>\nTest time =   0.44 sec\n"
                         "Test Pass Reason:\nSkip regular expression found in output. Regex=[\\[  SKIPPED \\]]\n"),
    "cut off": "4/4 Testing: D.Dies\nOutput:\nSegmentation fault\n",
}

CASES = [
    (["passed"], "", "pass: 1 passed, 0 failed, 0 skipped"),
    (["passed", "failed"], "8", "pass: 1 passed, 1 failed (B.Fails), 0 skipped"),
    (["passed", "skipped by regex"], "0", "pass: 1 passed, 0 failed, 1 skipped (C.Skips: not on this machine)"),
    (["cut off"], "8", "pass: 0 passed, 1 failed (D.Dies), 0 skipped"),
    (["passed"], "8", "pass: 1 passed, 0 failed, 0 skipped; ctest exited with status 8"),
]


def main():
    failures = 0
    for blocks, status, want in CASES:
        with tempfile.TemporaryDirectory() as build:
            os.makedirs(os.path.join(build, "Testing", "Temporary"))
            with open(os.path.join(build, "Testing", "Temporary", "LastTest.log"), "w") as f:
                f.write("Start testing\n" + "".join(BLOCKS[b] for b in blocks))
            got = subprocess.run([sys.executable, VERDICT, "pass", build, status], capture_output=True,
                                 text=True).stdout.strip()
        if got != want:
            failures += 1
            print(f"FAILED {blocks}: got {got!r}, want {want!r}")
        else:
            print(f"ok: {blocks}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
