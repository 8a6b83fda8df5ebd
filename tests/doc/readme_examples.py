#!/usr/bin/env python3
"""Runs every example of the README that shows its output, and compares.

An example is an indented block whose first line starts with "$ ": the command (continued on
lines ending in a backslash), then what it prints (stdout, then stderr). In the shown output a
line "..." stands for any number of lines, and a line ending in "..." for any line starting with
what comes before it. Commands run in a scratch directory where `build/` is the build directory
and `assets/` the checkout's, with the build's `stockdyn` first on PATH, so that files they write
land there.

usage: readme_examples.py README BUILD_DIR
"""
import os
import subprocess
import sys
import tempfile


def examples(text):
    """(line number, command, expected lines) of each example, in order."""
    lines = text.split("\n")
    found = []
    i = 0
    while i < len(lines):
        if not lines[i].startswith("    $ "):
            i += 1
            continue
        start = i + 1
        command = lines[i][6:]
        while command.endswith("\\") and i + 1 < len(lines):
            i += 1
            command = command[:-1] + " " + lines[i].strip()
        i += 1
        expected = []
        while i < len(lines) and (lines[i].startswith("    ") or lines[i] == "") and not lines[i].startswith("    $ "):
            expected.append(lines[i][4:])
            i += 1
        while expected and expected[-1] == "":
            expected.pop()
        found.append((start, command, expected))
    return found


def line_matches(want, got):
    if want.endswith("..."):
        return got.startswith(want[:-3].rstrip())
    return want == got


def matches(expected, actual):
    """Whether the actual lines are the expected ones, "..." lines standing for any run."""
    if not expected:
        return not actual
    if expected[0] == "...":
        return any(matches(expected[1:], actual[k:]) for k in range(len(actual) + 1))
    return bool(actual) and line_matches(expected[0], actual[0]) and matches(expected[1:], actual[1:])


def main():
    readme, build = sys.argv[1], os.path.abspath(sys.argv[2])
    source = os.path.dirname(os.path.abspath(readme))
    with open(readme, encoding="utf-8") as f:
        found = examples(f.read())
    if not found:
        print(f"{readme}: no example with its output")
        return 1
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        os.symlink(build, os.path.join(scratch, "build"))
        os.symlink(os.path.join(source, "assets"), os.path.join(scratch, "assets"))
        env = {"PATH": build + ":/usr/bin:/bin", "LC_ALL": "C.UTF-8"}
        for line, command, expected in found:
            run = subprocess.run(["bash", "-c", command], cwd=scratch, env=env, capture_output=True,
                                 text=True, timeout=600)
            actual = (run.stdout + run.stderr).rstrip("\n").split("\n")
            if matches(expected, actual):
                print(f"ok: README line {line}: {command}")
                continue
            failures += 1
            print(f"FAILED: README line {line}: {command}\n--- shown\n" + "\n".join(expected) +
                  "\n--- printed\n" + "\n".join(actual) + "\n---")
    print(f"{len(found) - failures} of {len(found)} README examples print what they show")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
