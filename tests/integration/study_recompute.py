#!/usr/bin/env python3
"""Recomputes an event study's figures from its --details file and the price files alone.

usage: study_recompute.py DOCUMENT.json DETAILS.csv FAMILY_OR_STATE_ID...

For each id, from the words of the definitions: r_t = ln(C_t / C_(t-1)), a_t = r_t less the
series' mean return; for a family the mean a at each lag j = -K..K over its observations'
event days, CAR(k) the running sum of those means from -K, T the sum of lags 0..H-1; for a
state the mean a over the listed days less the mean a over the series' other return days,
pooled over the series. Exits 1 naming the first figure that differs from the document by more
than 1e-12.
"""
import csv
import json
import math
import os
import sys

TOLERANCE = 1e-12


def read_closes(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    header = [h.strip().lower() for h in rows[0]]
    di, ci = header.index("date"), header.index("close")
    dates, closes = [], []
    for row in rows[1:]:
        if not row or not row[ci].strip():
            continue
        dates.append(row[di].strip())
        closes.append(float(row[ci]))
    return dates, closes


def abnormal(closes):
    r = [math.log(closes[t] / closes[t - 1]) for t in range(1, len(closes))]
    mean = sum(r) / len(r)
    return [x - mean for x in r]  # index t-1 holds row t


def fail(what):
    print("differs: " + what)
    sys.exit(1)


def close(a, b):
    return a is not None and b is not None and abs(a - b) <= TOLERANCE


def main():
    doc = json.load(open(sys.argv[1]))
    wanted = sys.argv[3:]
    k = doc["settings"]["window"]
    h = doc["settings"]["horizon"]
    series = {}
    for u in doc["universe"]:
        dates, closes = read_closes(u["prices"])
        series[u["label"]] = (dates, abnormal(closes))
    rows = {}
    with open(sys.argv[2], newline="") as f:
        reader = csv.DictReader(f)
        for row in reader:
            rows.setdefault(row["family"], []).append(row)
    families = {f["id"]: f for f in doc["families"]}
    states = {s["id"]: s for s in doc["states"]}
    for ident in wanted:
        listed = rows.get(ident, [])
        if ident in families:
            fam = families[ident]
            if len(listed) != fam["observations"]:
                fail("%s: %d rows, %d observations" % (ident, len(listed), fam["observations"]))
            sums = [0.0] * (2 * k + 1)
            for row in listed:
                dates, a = series[row["label"]]
                d0 = dates.index(row["event_day"])
                for j in range(-k, k + 1):
                    sums[j + k] += a[d0 + j - 1]
            n = len(listed)
            means = [s / n for s in sums]
            car, running = [], 0.0
            for m in means:
                running += m
                car.append(running)
            stat = sum(means[k:k + h])
            for j, (mine, theirs) in enumerate(zip(car, fam["car"])):
                if not close(mine, theirs):
                    fail("%s: CAR at lag %d: %r against %r" % (ident, j - k, mine, theirs))
            if not close(stat, fam["stat"]):
                fail("%s: T %r against %r" % (ident, stat, fam["stat"]))
        elif ident in states:
            st = states[ident]
            s_in = s_out = 0.0
            n_in = n_out = 0
            by_label = {}
            for row in listed:
                by_label.setdefault(row["label"], set()).add(row["event_day"])
            for label, (dates, a) in series.items():
                days = by_label.get(label, set())
                for t in range(1, len(dates)):
                    if dates[t] in days:
                        s_in += a[t - 1]
                        n_in += 1
                    else:
                        s_out += a[t - 1]
                        n_out += 1
            if n_in != st["days_in"] or n_out != st["days_out"]:
                fail("%s: %d days in, %d out" % (ident, n_in, n_out))
            diff = s_in / n_in - s_out / n_out
            if not close(diff, st["diff"]):
                fail("%s: D %r against %r" % (ident, diff, st["diff"]))
        else:
            fail("%s: not in the document" % ident)
        print("%s: agrees (%d rows)" % (ident, len(listed)))


if __name__ == "__main__":
    main()
