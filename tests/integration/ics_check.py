#!/usr/bin/env python3
"""Reads an events calendar with a real iCalendar parser (Debian's python3-icalendar).

usage: ics_check.py CALENDAR.ics SECURITY_NAME

Checks the raw bytes (CRLF line ends only, no line above 75 octets, folding that never splits a
UTF-8 sequence), then parses the file and checks every field of the calendar and its events:
PRODID, VERSION 2.0, and per VEVENT a unique UID, DTSTAMP, DTSTART and SUMMARY in UTC, a
DESCRIPTION that starts with the security's name exactly as given (the parser undoes the
escaping of commas, semicolons and line ends), and DTEND after DTSTART where there is one.
Prints one line of JSON with what it counted; exits 1 naming the first fault.
"""
import json
import sys

import icalendar


def fail(why):
    print("ics_check: " + why)
    sys.exit(1)


def main():
    path, name = sys.argv[1], sys.argv[2]
    raw = open(path, "rb").read()
    if not raw.endswith(b"\r\n"):
        fail("the file does not end with CRLF")
    lines = raw.split(b"\r\n")[:-1]
    for i, line in enumerate(lines):
        if b"\n" in line or b"\r" in line:
            fail("line %d has a bare line end" % (i + 1))
        if len(line) > 75:
            fail("line %d has %d octets" % (i + 1, len(line)))
        if line.startswith(b" ") and len(line) > 1 and (line[1] & 0xC0) == 0x80:
            fail("line %d continues inside a UTF-8 sequence" % (i + 1))
        line.decode("utf-8")  # each physical line is whole UTF-8 on its own
    folded = sum(1 for line in lines if line.startswith(b" "))

    cal = icalendar.Calendar.from_ical(raw)
    if str(cal.get("VERSION")) != "2.0":
        fail("VERSION is %r" % cal.get("VERSION"))
    if not str(cal.get("PRODID", "")):
        fail("no PRODID")
    if str(cal.get("X-WR-CALNAME")) != name + ": transit events":
        fail("X-WR-CALNAME is %r" % str(cal.get("X-WR-CALNAME")))
    events = cal.walk("VEVENT")
    if not events:
        fail("no VEVENT")
    uids = set()
    with_end = 0
    for ev in events:
        for field in ("UID", "DTSTAMP", "DTSTART", "SUMMARY", "DESCRIPTION"):
            if ev.get(field) is None:
                fail("a VEVENT without %s: %s" % (field, ev.to_ical()[:200]))
        uid = str(ev["UID"])
        if uid in uids:
            fail("UID %s twice" % uid)
        uids.add(uid)
        start = ev.decoded("DTSTART")
        if start.tzinfo is None or start.utcoffset().total_seconds() != 0:
            fail("DTSTART %s is not UTC" % start)
        if ev.decoded("DTSTAMP").utcoffset().total_seconds() != 0:
            fail("DTSTAMP is not UTC")
        description = str(ev["DESCRIPTION"])
        if not description.startswith(name + "\n"):
            fail("DESCRIPTION does not start with the name: %r" % description[:80])
        if ev.get("DTEND") is not None:
            with_end += 1
            if ev.decoded("DTEND") <= start:
                fail("DTEND %s not after DTSTART %s" % (ev.decoded("DTEND"), start))
            if "In orb" not in description:
                fail("DTEND without a passage in the description")
    print(json.dumps({"events": len(events), "with_end": with_end, "folded_lines": folded,
                      "summaries": sorted(str(ev["SUMMARY"]) for ev in events)[:3]}))


if __name__ == "__main__":
    main()
