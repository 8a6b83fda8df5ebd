"""Independent computation of the evaluation's statistics with SciPy and statsmodels.

Reads a JSON document on stdin: {"s": [...], "r": [...], "shifts": [...], "p": [...]}
and writes the statistics as JSON on stdout.
"""
import json
import sys

import numpy as np
from scipy import stats
from statsmodels.stats.multitest import multipletests

doc = json.load(sys.stdin)
s = np.array(doc["s"], dtype=float)
r = np.array(doc["r"], dtype=float)
n = len(s)

ic = stats.spearmanr(s, r).correlation
rotated = [stats.spearmanr(np.roll(s, -k), r).correlation for k in doc["shifts"]]
as_large = sum(1 for x in rotated if abs(x) >= abs(ic) - 1e-12)
p_perm = (1 + as_large) / (len(doc["shifts"]) + 1)

nz = (s != 0) & (r != 0)
hits = int(np.sum(np.sign(s[nz]) == np.sign(r[nz])))

order = np.argsort(s, kind="stable")
quint = [float(np.mean(r[order[g * n // 5:(g + 1) * n // 5]])) for g in range(5)]

p = np.array(doc["p"], dtype=float)
holm = multipletests(p, method="holm")[1]
bh = multipletests(p, method="fdr_bh")[1]

json.dump({"ic": float(ic), "p_perm": p_perm, "rotated": [float(x) for x in rotated], "hits": hits,
           "hit_pairs": int(np.sum(nz)), "quintiles": quint, "holm": list(map(float, holm)),
           "bh": list(map(float, bh))}, sys.stdout)
