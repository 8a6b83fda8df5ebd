#!/usr/bin/env python3
"""Writes src/astro/series_tables.cpp from plain-text coefficient files.

Usage: tools/gen_series_tables.py tools/series-data > src/astro/series_tables.cpp

The data directory (tools/series-data in the repository) holds sun200.txt, mer200.txt ...
plu200.txt, moon.txt and meeus-uranus-neptune.txt (one record per line, first token a keyword,
'#' comments).
The numbers are copied as printed, so the C++ tables hold exactly the published figures.
The build does not run this script; its output is kept in the source tree.
"""
import os
import sys

PLANET_FILES = [
    ("kSun200", "sun200.txt"), ("kMer200", "mer200.txt"), ("kVen200", "ven200.txt"),
    ("kMar200", "mar200.txt"), ("kJup200", "jup200.txt"), ("kSat200", "sat200.txt"),
    ("kUra200", "ura200.txt"), ("kNep200", "nep200.txt"), ("kPlu200", "plu200.txt"),
]


def records(path):
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                yield line.split()


def fail(msg):
    sys.exit("gen_series_tables: " + msg)


def planet(sym, path):
    name = None
    body = None
    anglemap = {}      # name -> (a, b) tokens
    blocks = []        # dict(a, b, off, terms)
    mixed_names = None
    mixed = []
    lp, poly = [], ["0", "0", "0"]
    final_l = final_r = final_b = prec = None
    for r in records(path):
        k = r[0]
        if k == "routine":
            name = r[1]
        elif k in ("frame", "time", "units"):
            pass
        elif k == "body":
            body = (r[2], r[3])
            anglemap[r[1]] = body
        elif k == "perturber":
            ab = (r[2], r[3])
            if r[1] in anglemap and anglemap[r[1]] != ab:
                fail(f"{path}: {r[1]} with two sets of constants")
            anglemap[r[1]] = ab
            off = None
            if len(r) > 4:
                if r[4] != "offset" or len(r) != 7:
                    fail(f"{path}: bad perturber line {r}")
                off = (anglemap[r[5]], r[6])
            blocks.append(dict(a=ab[0], b=ab[1], off=off, terms=[]))
        elif k == "t":
            if not blocks or len(r) != 10:
                fail(f"{path}: bad term row {r}")
            i, j, p = int(r[1]), int(r[2]), int(r[3])
            terms = blocks[-1]["terms"]
            if p >= 1:
                if not terms or (terms[-1][0], terms[-1][1], terms[-1][2]) != (i, j, p - 1):
                    fail(f"{path}: time-power row {r} does not follow its argument")
            terms.append((i, j, p, r[4:10]))
        elif k == "angle":
            anglemap[r[1]] = (r[2], r[3])
        elif k == "mixed_angles":
            mixed_names = r[1:]
            if len(mixed_names) > 4:
                fail(f"{path}: more than four mixed angles")
        elif k == "m":
            n = len(mixed_names)
            if len(r) != 1 + n + 1 + 6:
                fail(f"{path}: bad mixed row {r}")
            mixed.append(([int(x) for x in r[1:1 + n]], int(r[1 + n]), r[2 + n:]))
        elif k == "lp":
            if r[1] != "L":
                fail(f"{path}: long-period term on {r[1]}")
            lp.append(r[2:5])
        elif k == "poly":
            if r[1] != "L":
                fail(f"{path}: polynomial on {r[1]}")
            poly = r[2:5]
        elif k == "final_L":
            final_l = r[1:4]
        elif k == "final_R":
            final_r = r[1:5]
        elif k == "final_B":
            final_b = r[1:5]
        elif k == "prec_1950":
            prec = r[1:5]
        else:
            fail(f"{path}: unknown keyword {k}")
    if None in (name, body, final_l, final_r, final_b):
        fail(f"{path}: incomplete")

    out = []
    terms_sym = sym + "Terms"
    all_terms = []
    block_lines = []
    for bl in blocks:
        first = len(all_terms)
        all_terms.extend(bl["terms"])
        imin = min(t[0] for t in bl["terms"])
        imax = max(t[0] for t in bl["terms"])
        jmin = min(t[1] for t in bl["terms"])
        jmax = max(t[1] for t in bl["terms"])
        if max(-imin, imax, -jmin, jmax) > MAX_MULTIPLE:
            fail(f"{path}: a multiple beyond {MAX_MULTIPLE}")
        if bl["off"]:
            (oa, ob), ok = bl["off"]
        else:
            oa, ob, ok = "0", "0", "0"
        block_lines.append(
            f"    {{{bl['a']}, {bl['b']}, {oa}, {ob}, {ok}, {first}, {len(bl['terms'])}, "
            f"{imin}, {imax}, {jmin}, {jmax}}},")
    out.append(f"const PerturbationTerm {terms_sym}[] = {{")
    for i, j, p, c in all_terms:
        out.append(f"    {{{i}, {j}, {p}, {', '.join(c)}}},")
    out.append("};")
    out.append(f"const PerturberBlock {sym}Blocks[] = {{")
    out.extend(block_lines)
    out.append("};")
    if mixed:
        out.append(f"const MixedTerm {sym}Mixed[] = {{")
        for ks, p, c in mixed:
            ks4 = ks + [0] * (4 - len(ks))
            out.append(f"    {{{{{', '.join(map(str, ks4))}}}, {p}, {', '.join(c)}}},")
        out.append("};")
    if lp:
        out.append(f"const PeriodicTerm {sym}LongPeriod[] = {{")
        for a in lp:
            out.append(f"    {{{', '.join(a)}}},")
        out.append("};")
    mixed_angles = [anglemap[n] for n in (mixed_names or [])]
    while len(mixed_angles) < 4:
        mixed_angles.append(("0", "0"))
    deg = {"arcsec": "false", "deg": "true"}[final_b[3]]
    out.append(f"}}  // namespace\n\nconst PlanetSeriesData {sym} = {{")
    out.append(f"    \"{name}\",")
    out.append(f"    {body[0]}, {body[1]},")
    out.append(f"    {terms_sym},")
    out.append(f"    {sym}Blocks,")
    out.append("    {" + ", ".join(f"{{{a}, {b}}}" for a, b in mixed_angles) + "},")
    out.append(f"    {sym + 'Mixed' if mixed else 'std::span<const MixedTerm>()'},")
    out.append(f"    {sym + 'LongPeriod' if lp else 'std::span<const PeriodicTerm>()'},")
    out.append(f"    {{{', '.join(poly)}}},")
    out.append(f"    {{{', '.join(final_l)}}},")
    out.append(f"    {{{', '.join(final_r)}}},")
    out.append(f"    {{{', '.join(final_b[:3])}}}, {deg},")
    out.append(f"    {'true' if prec else 'false'}, {{{', '.join(prec) if prec else '0, 0, 0, 0'}}},")
    out.append("};\n\nnamespace {")
    return "\n".join(out)


def moon(path):
    mean, lps, lpc, dgam, mult, s, n, pl = {}, [], {}, [], {}, [], [], []
    arc = init_sinpi = final_beta = final_sinpi = None
    for r in records(path):
        k = r[0]
        if k in ("routine", "frame", "time"):
            pass
        elif k == "arc":
            arc = r[1]
        elif k == "mean":
            mean[r[1]] = r[2:5]
        elif k == "lps":
            if r[1] != f"S{len(lps) + 1}":
                fail("moon: long-period arguments out of order")
            lps.append(r[2:4])
        elif k == "lpc":
            lpc[r[1]] = r[2:9]
        elif k == "lpc_D_from":
            if r[1:] != ["L0", "ls"]:
                fail("moon: the evaluator forms dD = dL0 - dls only")
        elif k == "dgam":
            dgam.append(r[1:4])
        elif k == "mult":
            mult[r[1]] = r[2:6]
        elif k == "init_sinpi":
            init_sinpi = r[1]
        elif k == "s":
            s.append(r[1:9])
        elif k == "n":
            n.append(r[1:6])
        elif k == "pl":
            pl.append(r[1:4])
        elif k == "final_beta":
            final_beta = r[1:4]
        elif k == "final_sinpi":
            final_sinpi = r[1]
        else:
            fail(f"moon: unknown keyword {k}")
    kmax = [int(mult[x][3]) for x in ("l", "ls", "F", "D")]
    if max(kmax) > MAX_MULTIPLE:
        fail(f"moon: a multiple beyond {MAX_MULTIPLE}")
    for row in [r[4:8] for r in s] + [r[1:5] for r in n]:
        for x, k in enumerate(row):
            if abs(int(k)) > kmax[x]:
                fail(f"moon: multiple {k} beyond the stated largest {kmax[x]}")
    out = ["const MoonSolarTerm kMoonSolar[] = {"]
    for row in s:
        out.append(f"    {{{', '.join(row[:4])}, {{{', '.join(row[4:])}}}}},")
    out.append("};")
    out.append("const MoonLatitudeTerm kMoonLatitude[] = {")
    for row in n:
        out.append(f"    {{{row[0]}, {{{', '.join(row[1:])}}}}},")
    out.append("};")
    out.append("const PeriodicTerm kMoonPlanetary[] = {")
    for row in pl:
        out.append(f"    {{{', '.join(row)}}},")
    out.append("};")
    out.append("}  // namespace\n\nconst MoonSeriesData kMoonSeries = {")
    out.append(f"    {arc},")
    out.append("    {" + ", ".join("{" + ", ".join(mean[x]) + "}"
                                   for x in ("L0", "l", "ls", "F", "D")) + "},")
    out.append("    {" + ", ".join("{" + ", ".join(x) + "}" for x in lps) + "},")
    out.append("    {" + ", ".join("{" + ", ".join(lpc[x]) + "}"
                                   for x in ("L0", "l", "ls", "F")) + "},")
    out.append("    {" + ", ".join("{" + ", ".join(x) + "}" for x in dgam) + "},")
    out.append("    {" + ", ".join("{" + ", ".join(mult[x]) + "}"
                                   for x in ("l", "ls", "F", "D")) + "},")
    out.append(f"    {init_sinpi},")
    out.append("    kMoonSolar, kMoonLatitude, kMoonPlanetary,")
    out.append(f"    {{{', '.join(final_beta)}}},")
    out.append(f"    {final_sinpi},")
    out.append("};\n\nnamespace {")
    return "\n".join(out)


# Largest multiple of an angle the evaluator tabulates (kMaxMultiple in positions.cpp).
MAX_MULTIPLE = 16

ANGLES = ["P", "Q", "S", "G", "W", "H", "zeta", "eta", "theta"]
QTY = ["dML", "dP", "de", "da", "dlon", "dlat", "dr"]
ELEMENTS = ["L", "a", "e", "i", "omega", "node"]


def parse_argument(text):
    ks = [0] * len(ANGLES)
    pos = 0
    if not text or text[0] not in "+-":
        fail(f"meeus: bad argument {text}")
    while pos < len(text):
        sign = 1 if text[pos] == "+" else -1
        pos += 1
        start = pos
        while pos < len(text) and text[pos].isdigit():
            pos += 1
        mult = int(text[start:pos])
        start = pos
        while pos < len(text) and text[pos] not in "+-":
            pos += 1
        ks[ANGLES.index(text[start:pos])] += sign * mult
    return ks


def factor(fn, arg):
    if fn is None:
        return "{0, {}}"
    return f"{{{1 if fn == 'sin' else 2}, {{{', '.join(map(str, parse_argument(arg)))}}}}}"


def meeus(path):
    aux, aux_u, shared = {}, None, []
    planets = []
    for r in records(path):
        k = r[0]
        if k in ("routine", "frame", "time"):
            pass
        elif k == "aux":
            aux[r[1]] = r[2:4]
        elif k == "aux_u":
            aux_u = r[1:3]
        elif k == "derived":
            target = (ANGLES.index(r[1]), parse_argument(r[2]))
            (planets[-1]["derived"] if planets else shared).append(target)
        elif k == "planet":
            planets.append(dict(name=r[1], el={}, derived=[], p=[]))
        elif k == "el":
            planets[-1]["el"][r[1]] = r[2:6]
        elif k == "p":
            qty = QTY.index(r[1])
            coeffs = r[2:5]
            rest = r[5:]
            fs = []
            while rest:
                fs.append((rest[0], rest[1]))
                rest = rest[2:]
            while len(fs) < 2:
                fs.append((None, None))
            planets[-1]["p"].append((qty, coeffs, fs))
        else:
            fail(f"meeus: unknown keyword {k}")
    if [p["name"] for p in planets] != ["Uranus", "Neptune"]:
        fail("meeus: expected Uranus then Neptune")
    out = []
    for p in planets:
        sym = "kMeeus" + p["name"]
        out.append(f"const MeeusTerm {sym}Terms[] = {{")
        for qty, c, fs in p["p"]:
            out.append(f"    {{{qty}, {{{', '.join(c)}}}, {{{factor(*fs[0])}, {factor(*fs[1])}}}}},")
        out.append("};")
    out.append("}  // namespace\n")
    for p in planets:
        sym = "kMeeus" + p["name"]
        out.append(f"const MeeusPlanetData {sym} = {{")
        out.append("    {" + ", ".join("{" + ", ".join(p["el"][e]) + "}" for e in ELEMENTS) + "},")
        out.append("    {" + ", ".join("{" + str(t) + ", {" + ", ".join(map(str, ks)) + "}}"
                                       for t, ks in shared + p["derived"]) + "},")
        out.append(f"    {len(shared) + len(p['derived'])},")
        out.append(f"    {sym}Terms,")
        out.append("};")
    out.append("const MeeusAuxData kMeeusAux = {")
    out.append("    {" + ", ".join("{" + ", ".join(aux[x]) + "}" for x in ("P", "Q", "S", "G")) + "},")
    out.append(f"    {{{', '.join(aux_u)}}},")
    out.append("};")
    return "\n".join(out)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    d = sys.argv[1]
    parts = [
        "// Generated by tools/gen_series_tables.py from plain-text coefficient files; the figures",
        "// are the published ones (Montenbruck & Pfleger's series, Meeus' elements and terms).",
        "// Regenerate rather than edit by hand.",
        '#include "astro/series_tables.h"',
        "",
        "namespace sd::astro::series {",
        "namespace {",
    ]
    for sym, f in PLANET_FILES:
        parts.append(planet(sym, os.path.join(d, f)))
    parts.append(moon(os.path.join(d, "moon.txt")))
    parts.append(meeus(os.path.join(d, "meeus-uranus-neptune.txt")))
    parts.append("\n}  // namespace sd::astro::series")
    print("\n".join(parts))


main()
