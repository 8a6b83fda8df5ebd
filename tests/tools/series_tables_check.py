#!/usr/bin/env python3
"""The committed series tables are the generator's output on the committed series files.

Usage: series_tables_check.py SOURCE_DIR
Runs tools/gen_series_tables.py on SOURCE_DIR/tools/series-data and compares its output with
SOURCE_DIR/src/astro/series_tables.cpp byte for byte; names the first line that differs.
"""
import subprocess
import sys


def main():
    top = sys.argv[1]
    made = subprocess.run([sys.executable, f"{top}/tools/gen_series_tables.py", f"{top}/tools/series-data"],
                          check=True, capture_output=True).stdout
    with open(f"{top}/src/astro/series_tables.cpp", "rb") as f:
        kept = f.read()
    if made == kept:
        return 0
    made_lines, kept_lines = made.split(b"\n"), kept.split(b"\n")
    for n, (a, b) in enumerate(zip(made_lines, kept_lines), 1):
        if a != b:
            print(f"line {n}: generated {a!r}, committed {b!r}", file=sys.stderr)
            break
    else:
        print(f"generated {len(made_lines)} lines, committed {len(kept_lines)}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
