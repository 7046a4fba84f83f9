#!/usr/bin/env python3
"""Writes synthetic20.csv: 200 observations of 20 explanatory variables and
two dependent variables, with a fixed seed so the file is reproducible.

x01..x20 are standard normal, except that x02 and x03 are correlated with x01
(so the best subsets are not obvious) and x20 carries a large offset, as
calendar years or prices do. The dependent variables are
    sales  = 3 + 2.0 x01 - 1.5 x04 + 0.8 x07 + 0.5 x12 + noise(sd 1.5)
    rating = 10 + 0.9 x02 + 0.4 (x20 - 2000) - 0.7 x15 + noise(sd 2.0)
Run: python3 make-synthetic.py > synthetic20.csv
"""
import random

rng = random.Random(20261208)
n, k = 200, 20
names = ["x%02d" % (i + 1) for i in range(k)]
print(",".join(names + ["sales", "rating"]))
for _ in range(n):
    x = [rng.gauss(0.0, 1.0) for _ in range(k)]
    x[1] = 0.7 * x[0] + 0.3 * x[1]
    x[2] = -0.5 * x[0] + 0.8 * x[2]
    x[19] = 2000.0 + 3.0 * x[19]
    sales = 3 + 2.0 * x[0] - 1.5 * x[3] + 0.8 * x[6] + 0.5 * x[11] + rng.gauss(0.0, 1.5)
    rating = 10 + 0.9 * x[1] + 0.4 * (x[19] - 2000.0) - 0.7 * x[14] + rng.gauss(0.0, 2.0)
    print(",".join("%.4f" % v for v in x + [sales, rating]))
