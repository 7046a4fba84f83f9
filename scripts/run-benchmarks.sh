#!/bin/sh
# Builds the native preset and runs the regression benchmarks with
# repetitions: the exhaustive screening (every subset of k centred random
# columns) and the literal uBLAS fit on the same data (a fixed sample of 32
# subsets drawn uniformly from all masks). Prints nanoseconds per subset
# (median, and the lowest and highest of the repetitions), then, as its last
# line, the speed-up of the screening over the literal fit at n = 1000,
# k = 20 (ratio of the medians).
#
#   scripts/run-benchmarks.sh [repetitions]   (default 5)
set -eu
cd "$(dirname "$0")/.."
repetitions=${1:-5}

cmake --preset native >/dev/null
cmake --build --preset native -j2 --target regression_bench >/dev/null

results=$(mktemp)
trap 'rm -f "$results"' EXIT
build/native/bench/regression_bench --benchmark_repetitions="$repetitions" --benchmark_min_time=0.3 \
  --benchmark_format=csv >"$results" 2>/dev/null

awk -F, '
  # One row per repetition: "BM_Name/n:N/k:K",iterations,real,cpu,unit,bytes/s,items/s,...
  $1 ~ /^"BM_/ && $1 !~ /_(mean|median|stddev|cv)"$/ {
    name = $1; gsub(/"/, "", name)
    if (!(name in count)) { order[++names] = name; count[name] = 0 }
    value[name, ++count[name]] = 1e9 / $7
  }
  function sortRuns(name,   i, j, t) {
    for (i = 2; i <= count[name]; i++)
      for (j = i; j > 1 && value[name, j - 1] > value[name, j]; j--) {
        t = value[name, j]; value[name, j] = value[name, j - 1]; value[name, j - 1] = t
      }
  }
  function median(name,   c) {
    c = count[name]
    return c % 2 ? value[name, (c + 1) / 2] : (value[name, c / 2] + value[name, c / 2 + 1]) / 2
  }
  END {
    printf "%-28s %12s %12s %12s\n", "ns per subset", "median", "lowest", "highest"
    for (i = 1; i <= names; i++) {
      name = order[i]; sortRuns(name)
      printf "%-28s %12.1f %12.1f %12.1f\n", name, median(name), value[name, 1], value[name, count[name]]
    }
    literal = "BM_LiteralFit/n:1000/k:20"; ours = "BM_Screening/n:1000/k:20"
    if (!(literal in count) || !(ours in count)) { print "benchmark results missing" > "/dev/stderr"; exit 1 }
    printf "flatness in n: n=1000 vs n=100 at k=20: %.2f; n=10000 vs n=100 at k=16: %.2f\n",
      median(ours) / median("BM_Screening/n:100/k:20"),
      median("BM_Screening/n:10000/k:16") / median("BM_Screening/n:100/k:16")
    printf "speed-up range over the repetitions: %.0f to %.0f\n",
      value[literal, 1] / value[ours, count[ours]], value[literal, count[literal]] / value[ours, 1]
    printf "speedup_vs_literal n=1000 k=20: %.1f\n", median(literal) / median(ours)
  }' "$results"
