#!/bin/sh
# Builds the native preset and runs the regression benchmarks with
# repetitions:
# - the exhaustive screening (every subset of k centred random columns) and
#   the literal uBLAS fit on the same data (a fixed sample of 32 subsets
#   drawn uniformly from all masks): nanoseconds per subset (median, and the
#   lowest and highest of the repetitions);
# - the bounded search against the exhaustive screening at n = 200, k = 22,
#   and the bounded search alone at k = 25, 30 and 31 for each criterion, on
#   noise (y unrelated to the columns) and on signal data (y a strong
#   combination of every third column): seconds per search, keep count 10;
# - the bounded search at n = 200, k = 31 on each hard kind of data (a
#   total column, scaled copies, a dummy set, powers of a year, Longley,
#   far apart scales, near-exact fits, a constant column, few rows, a
#   timestamp in nanoseconds) and
#   each criterion: bounded_seconds_hard lines, and exhaustive_fallbacks,
#   the number of those data sets left to the exhaustive screening;
# - few rows (few_rows_n20: n = 20, y the first of k noise columns plus
#   noise) at k = 24 and 31 for rss, mse, aic and aicc (k = 31 once per
#   criterion: about a minute each);
# - the command line's requests on the same data (the 3 best of each size,
#   two forced variables, BIC, Cp; at most 3 repetitions):
#   request_seconds_hard lines;
# - when R and its leaps package are installed, R's leaps on the same data
#   at k = 25 and 30: regsubsets(method = "exhaustive", nbest = 10,
#   nvmax = k, really.big = TRUE), then the best 10 by the same criterion
#   from its per-size lists, timed from the call to the list, beside the
#   bounded search's time (repetitions pairs, each the bounded search then
#   leaps, back to back: the medians, and the median of the pairs'
#   ratios), and whether the two lists agree.
# - when R, leaps, MASS and mlbench are installed, the best models of each
#   size (per-size lists by RSS, nbest 1 and 10) on the hard kinds at
#   k = 25 and 31 and on real data sets shaped into k = 31 sheets
#   (scripts/make-real-sheets.R), beside leaps' regsubsets(nbest) on the
#   same sheet in the same run (scripts/leaps-per-size.R): per_size_seconds
#   lines, and whether the lists are the same; where they are not, the
#   first difference is decided in exact rational arithmetic on the sheet's
#   doubles (per_size_bench --exact-compare);
# - beyond 31 variables, tavrel on Sonar sheets (mlbench; k = 35 and 40 the
#   best of each size, k = 48 and 59 the 10 best by AIC and by BIC), beside
#   leaps' per-size lists where it finishes (k ≤ 40): wide_seconds lines,
#   tavrel on one thread as leaps runs; and the searches of more than a
#   second again on two threads: threads_speedup lines (the ratio of the
#   medians, one thread over two);
# - one result block of 65535 kept models over n = 100000, k = 20:
#   seconds (report_seconds);
# The last line is the speed-up of the screening over the literal fit at
# n = 1000, k = 20 (ratio of the medians).
#
#   scripts/run-benchmarks.sh [repetitions]   (default 5; leaps beside the bounded search and
#                                              the requests at most 3; the per-size lists 9 on
#                                              each side, whatever the repetitions)
set -eu
cd "$(dirname "$0")/.."
repetitions=${1:-5}

# Fixed thresholds for glibc's heap, for every program of the run, ours and
# R alike. With its adaptive ones, whether a run's blocks go back to the
# system when freed (so that the next run of the same process faults them
# in again, at over 10 µs a fault on a virtual machine) depends on where
# the heap's top happened to lie: the same search of 1 to 5 ms took 30 to
# 40% longer from one build to the next with the same instructions. Below
# 64 MB a block comes from the heap, and the heap keeps up to 256 MB free;
# the first run of each process still pays its faults, and is in each
# line's range.
export MALLOC_MMAP_THRESHOLD_=67108864 MALLOC_TRIM_THRESHOLD_=268435456

cmake --preset native >/dev/null
cmake --build --preset native -j2 --target regression_bench search_bench request_bench per_size_bench tavrel >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/native/bench/regression_bench --benchmark_filter='BM_(Screening|LiteralFit)' \
  --benchmark_repetitions="$repetitions" --benchmark_min_time=0.3 \
  --benchmark_format=csv >"$work/regression.csv" 2>/dev/null
build/native/bench/regression_bench --benchmark_filter='BM_ReportBlock' --benchmark_repetitions="$repetitions" \
  --benchmark_format=csv >"$work/report.csv" 2>/dev/null
build/native/bench/search_bench --benchmark_filter='BM_(Bounded|Exhaustive)/' \
  --benchmark_repetitions="$repetitions" --benchmark_min_time=0.1 \
  --benchmark_format=csv >"$work/search.csv" 2>/dev/null
build/native/bench/search_bench --benchmark_filter='BM_BoundedHard' --benchmark_repetitions="$repetitions" \
  --benchmark_format=csv >"$work/hard.csv" 2>/dev/null
# Few rows (n = 20): k = 24 and 28 with repetitions; k = 31 takes about
# 15 seconds per criterion (28 by AICc), so once.
build/native/bench/search_bench --benchmark_filter='BM_FewRows/k:(24|28)/' --benchmark_repetitions="$repetitions" \
  --benchmark_format=csv >"$work/few.csv" 2>/dev/null
build/native/bench/search_bench --benchmark_filter='BM_FewRows/k:31/' --benchmark_repetitions=1 \
  --benchmark_format=csv 2>/dev/null | tail -n +2 >>"$work/few.csv"
request_repetitions=$((repetitions < 3 ? repetitions : 3))
build/native/bench/request_bench --benchmark_repetitions="$request_repetitions" \
  --benchmark_format=csv >"$work/request.csv" 2>/dev/null

# Median, lowest and highest of the repetitions of each benchmark, one line
# each: name median lowest highest (in the benchmark's own unit; with
# per_item set, 1e9 / items per second, i.e. nanoseconds per item).
summarise() {
  awk -F, -v per_item="$2" '
    $1 ~ /^"BM_/ && $1 !~ /_(mean|median|stddev|cv)"$/ {
      name = $1; gsub(/"/, "", name)
      if (!(name in count)) { order[++names] = name; count[name] = 0 }
      value[name, ++count[name]] = per_item ? 1e9 / $7 : $3
    }
    END {
      for (i = 1; i <= names; i++) {
        name = order[i]; c = count[name]
        for (a = 2; a <= c; a++)
          for (b = a; b > 1 && value[name, b - 1] > value[name, b]; b--) {
            t = value[name, b]; value[name, b] = value[name, b - 1]; value[name, b - 1] = t
          }
        median = c % 2 ? value[name, (c + 1) / 2] : (value[name, c / 2] + value[name, c / 2 + 1]) / 2
        print name, median, value[name, 1], value[name, c]
      }
    }' "$1"
}
summarise "$work/regression.csv" 1 >"$work/regression.txt"
summarise "$work/search.csv" 0 >"$work/search.txt"
summarise "$work/hard.csv" 0 >"$work/hard.txt"
summarise "$work/request.csv" 0 >"$work/request.txt"

# The screening's table and its closing lines (the speed-up line last).
awk '
  { name[NR] = $1; median[$1] = $2; low[$1] = $3; high[$1] = $4 }
  END {
    printf "%-28s %12s %12s %12s\n", "ns per subset", "median", "lowest", "highest"
    for (i = 1; i <= NR; i++) printf "%-28s %12.1f %12.1f %12.1f\n", name[i], median[name[i]], low[name[i]], high[name[i]]
    literal = "BM_LiteralFit/n:1000/k:20"; ours = "BM_Screening/n:1000/k:20"
    if (!(literal in median) || !(ours in median)) { print "benchmark results missing" > "/dev/stderr"; exit 1 }
    printf "flatness in n: n=1000 vs n=100 at k=20: %.2f; n=10000 vs n=100 at k=16: %.2f\n",
      median[ours] / median["BM_Screening/n:100/k:20"],
      median["BM_Screening/n:10000/k:16"] / median["BM_Screening/n:100/k:16"]
    printf "speed-up range over the repetitions: %.0f to %.0f\n", low[literal] / high[ours], high[literal] / low[ours]
    printf "speedup_vs_literal n=1000 k=20: %.1f\n", median[literal] / median[ours]
  }' "$work/regression.txt" >"$work/screening-lines.txt"
sed '$d' "$work/screening-lines.txt"

# The bounded search: table, ratio at k = 22, seconds at k = 31.
awk '
  function criterion(code) { return code == 0 ? "rss" : code == 1 ? "mse" : "aic" }
  { name[NR] = $1; median[$1] = $2 / 1000; low[$1] = $3 / 1000; high[$1] = $4 / 1000 }
  END {
    printf "\n%-40s %10s %10s %10s\n", "seconds per search (n=200, keep 10)", "median", "lowest", "highest"
    for (i = 1; i <= NR; i++) {
      label = name[i]; sub(/signal:0$/, "noise", label); sub(/signal:1$/, "signal", label)
      printf "%-40s %10.5f %10.5f %10.5f\n", label, median[name[i]], low[name[i]], high[name[i]]
    }
    exhaustive = "BM_Exhaustive/k:22/criterion:2/signal:0"; bounded = "BM_Bounded/k:22/criterion:2/signal:0"
    printf "bounded_vs_exhaustive n=200 k=22: %.0f (noise, aic; range %.0f to %.0f)\n",
      median[exhaustive] / median[bounded], low[exhaustive] / high[bounded], high[exhaustive] / low[bounded]
    for (s = 0; s <= 1; s++)
      for (c = 0; c <= 2; c++) {
        key = "BM_Bounded/k:31/criterion:" c "/signal:" s
        printf "bounded_seconds n=200 k=31 criterion=%s keep=10: %.5f %s (%.5f to %.5f)\n",
          criterion(c), median[key], s ? "signal" : "noise", low[key], high[key]
      }
  }' "$work/search.txt"

# The hard kinds at k = 31 (the kind's name is in the data set order of
# search_test_data.h's hardKinds).
kinds="total_column scaled_copies dummy_set year_powers longley scales_1e-6_to_1e9 near_exact_1e-8 near_exact_1e-12 constant_column few_rows timestamps_ns"
echo
awk -v kinds="$kinds" '
  function criterion(code) { return code == 0 ? "rss" : code == 1 ? "mse" : "aic" }
  BEGIN { split(kinds, kind, " ") }
  {
    name = $1; sub(/\/iterations:1$/, "", name)
    split(name, part, /[\/:]/)   # BM_BoundedHard kind K criterion C
    name = kind[part[3] + 1]
    printf "bounded_seconds_hard n=%d k=31 case=%s criterion=%s keep=10: %.5f (%.5f to %.5f)\n",
      name == "few_rows" ? 33 : 200, name, criterion(part[5]), $2 / 1000, $3 / 1000, $4 / 1000
  }' "$work/hard.txt"
summarise "$work/few.csv" 0 >"$work/few.txt"
awk '
  function criterion(code) { return code == 0 ? "rss" : code == 1 ? "mse" : code == 2 ? "aic" : "aicc" }
  {
    name = $1; sub(/\/iterations:1$/, "", name)
    split(name, part, /[\/:]/)   # BM_FewRows k K criterion C
    printf "bounded_seconds_hard n=20 k=%d case=few_rows_n20 criterion=%s keep=10: %.5f (%.5f to %.5f)\n",
      part[3], criterion(part[5]), $2 / 1000, $3 / 1000, $4 / 1000
  }' "$work/few.txt"
echo "exhaustive_fallbacks: $(build/native/bench/search_bench --fallbacks)"

# The command line's requests on the same hard kinds (request_bench.cpp).
echo
awk -v kinds="$kinds" '
  BEGIN { split(kinds, kind, " "); split("per_size=3,criterion=aic force=2,criterion=aic,keep=10 criterion=bic,keep=10 criterion=cp,keep=10", request, " ") }
  {
    name = $1; sub(/\/iterations:1$/, "", name)
    split(name, part, /[\/:]/)   # BM_RequestHard kind K request R
    name = kind[part[3] + 1]
    printf "request_seconds_hard n=%d k=31 case=%s %s: %.5f (%.5f to %.5f)\n",
      name == "few_rows" ? 33 : 200, name, request[part[5] + 1], $2 / 1000, $3 / 1000, $4 / 1000
  }' "$work/request.txt"

# R's leaps on the same data, when it is there.
if command -v Rscript >/dev/null 2>&1 && Rscript -e 'suppressMessages(library(leaps))' >/dev/null 2>&1; then
  r_repetitions=$((repetitions < 3 ? repetitions : 3))
  cat >"$work/leaps.R" <<'EOF'
args <- commandArgs(TRUE)
d <- read.csv(args[1])
repetitions <- as.integer(args[2])
suppressMessages(library(leaps))
n <- nrow(d); k <- ncol(d) - 1
best <- function(code) {
  fit <- regsubsets(y ~ ., data = d, method = "exhaustive", nbest = 10, nvmax = min(k, n - 2), really.big = TRUE)
  s <- summary(fit)
  size <- rowSums(s$which) - 1
  value <- switch(code + 1, s$rss, s$rss / (n - size - 1), n * log(s$rss / n) + 2 * size)
  s$which[order(value)[1:10], -1, drop = FALSE]
}
codes <- if (length(args) >= 3) as.integer(strsplit(args[3], ",")[[1]]) else 0:2
for (code in codes) {
  seconds <- numeric(repetitions)
  for (r in 1:repetitions) seconds[r] <- system.time(kept <- best(code))[["elapsed"]]
  subsets <- apply(kept, 1, function(row) paste(which(row), collapse = "+"))
  cat(code, median(seconds), min(seconds), max(seconds), paste(subsets, collapse = " "), "\n")
}
EOF
  echo
  # Each repetition times the bounded search (the benchmark, at least 0.2 s
  # of searches) and then leaps, in turn, so that both see the machine alike:
  # on a shared virtual machine the speed of a stretch of seconds can differ
  # by half from the next, and timings taken minutes apart (the table above
  # and leaps' runs after it) can land in different stretches.
  median_of() {
    sort -g | awk '{ value[NR] = $1 } END {
      printf "%s %s %s", NR % 2 ? value[(NR + 1) / 2] : (value[NR / 2] + value[NR / 2 + 1]) / 2, value[1], value[NR] }'
  }
  bounded_seconds() {
    build/native/bench/search_bench --benchmark_filter="^$1\$" --benchmark_min_time=0.2 --benchmark_format=csv 2>/dev/null |
      awk -F, '$1 ~ /^"BM_/ { scale = $5 == "ms" ? 1e-3 : $5 == "us" ? 1e-6 : $5 == "ns" ? 1e-9 : 1; printf "%.6f\n", $3 * scale }'
  }
  # Times $4 pairs: the benchmark $1 (bounded_seconds), then leaps on the
  # sheet $2 by criterion code $3, into ours-times.txt and leaps-times.txt
  # (leaps' last run in leaps-run.txt). False where a run gave no time.
  time_pairs() {
    : >"$work/ours-times.txt"
    : >"$work/leaps-times.txt"
    pair=0
    while [ "$pair" -lt "$4" ]; do
      bounded_seconds "$1" >>"$work/ours-times.txt"
      Rscript "$work/leaps.R" "$2" 1 "$3" >"$work/leaps-run.txt" 2>/dev/null || : >"$work/leaps-run.txt"
      awk '{ print $2 }' "$work/leaps-run.txt" >>"$work/leaps-times.txt"
      pair=$((pair + 1))
    done
    [ "$(wc -l <"$work/leaps-times.txt")" -eq "$4" ] && [ "$(wc -l <"$work/ours-times.txt")" -eq "$4" ]
  }
  echo "R leaps (regsubsets, nbest = 10, then the best 10 by the criterion) beside the bounded search, same data,"
  echo "each repetition of one timed right after the other's:"
  for k in 25 30; do
    for data in noise signal; do
      signal=$([ "$data" = signal ] && echo 1 || echo 0)
      build/native/bench/search_bench --write-csv="$work/data.csv" "$k" "$data"
      for code in 0 1 2; do
        criterion=$(echo "$code" | sed 's/^0$/rss/; s/^1$/mse/; s/^2$/aic/')
        if ! time_pairs "BM_Bounded/k:$k/criterion:$code/signal:$signal" "$work/data.csv" "$code" "$repetitions"; then
          echo "leaps_seconds n=200 k=$k criterion=$criterion keep=10: not measured ($data; a run of leaps or of the benchmark gave no time)"
          continue
        fi
        subsets=$(sed 's/^[^ ]* [^ ]* [^ ]* [^ ]* //; s/ *$//' "$work/leaps-run.txt")
        # The ratio of each pair, timed back to back, and their median.
        paste -d ' ' "$work/leaps-times.txt" "$work/ours-times.txt" | awk '{ printf "%.6f\n", $1 / $2 }' >"$work/ratios.txt"
        set -- $(median_of <"$work/leaps-times.txt") $(median_of <"$work/ours-times.txt") $(median_of <"$work/ratios.txt")
        ours=$(build/native/bench/search_bench --print-kept "$k" "$data" "$code" | tr '\n' ' ' | sed 's/ $//')
        same=$([ "$ours" = "$subsets" ] && echo yes || echo no)
        echo "leaps_seconds n=200 k=$k criterion=$criterion keep=10: $1 $data ($2 to $3);" \
          "bounded: $(printf '%.5f (%.5f to %.5f)' "$4" "$5" "$6");" \
          "leaps over bounded, pair by pair: $(printf '%.0f (%.0f to %.0f)' "$7" "$8" "$9");" \
          "same list: $same"
      done
    done
  done
  # Few rows (n = 20): leaps' sizes up to n - 2, the most a ranked subset
  # holds; rss, mse and aic at k = 24, 28 and 31 (leaps has no corrected
  # AIC), each repetition of the bounded search (one search) right before
  # leaps' run, as above: three pairs at k = 24 and 28, one at k = 31.
  # Where the lists differ, the first difference is decided in exact
  # rational arithmetic on the sheet's numbers.
  for k in 24 28 31; do
    build/native/bench/search_bench --write-csv="$work/few$k.csv" "$k" few_rows_n20
    few_repetitions=$([ "$k" = 31 ] && echo 1 || echo "$r_repetitions")
    for code in 0 1 2; do
      criterion=$(echo "$code" | sed 's/^0$/rss/; s/^1$/mse/; s/^2$/aic/')
      if ! time_pairs "BM_FewRows/k:$k/criterion:$code/iterations:1" "$work/few$k.csv" "$code" "$few_repetitions"; then
        echo "leaps_seconds n=20 k=$k case=few_rows_n20 criterion=$criterion keep=10: not measured (a run of leaps or of the benchmark gave no time)"
        continue
      fi
      build/native/bench/search_bench --print-kept "$k" few_rows_n20 "$code" >"$work/ours-few.txt"
      sed 's/^[^ ]* [^ ]* [^ ]* [^ ]* //; s/ *$//' "$work/leaps-run.txt" | tr ' ' '\n' >"$work/leaps-few.txt"
      if cmp -s "$work/ours-few.txt" "$work/leaps-few.txt"; then
        same=yes
      else
        first=$(paste -d '|' "$work/ours-few.txt" "$work/leaps-few.txt" | awk -F'|' '$1 != $2 { print NR; exit }')
        pair=$(paste -d '|' "$work/ours-few.txt" "$work/leaps-few.txt" | sed -n "${first}p")
        verdict=$(echo "$pair" | tr '|' ' ' | build/native/bench/per_size_bench --exact-compare="$work/few$k.csv" |
          awk '{ printf "exact RSS %s %s %s", $2, $1 == "<" ? "below" : $1 == "=" ? "equal to" : "above", $3 }')
        same="no (first difference at place $first: tavrel's ${pair%%|*}, $verdict of leaps' ${pair#*|})"
      fi
      paste -d ' ' "$work/leaps-times.txt" "$work/ours-times.txt" | awk '{ printf "%.6f\n", $1 / $2 }' >"$work/ratios.txt"
      set -- $(median_of <"$work/leaps-times.txt") $(median_of <"$work/ours-times.txt") $(median_of <"$work/ratios.txt")
      echo "leaps_seconds n=20 k=$k case=few_rows_n20 criterion=$criterion keep=10: $1 ($2 to $3);" \
        "bounded: $(printf '%.5f (%.5f to %.5f)' "$4" "$5" "$6");" \
        "leaps over bounded, pair by pair: $(printf '%.2f (%.2f to %.2f)' "$7" "$8" "$9");" \
        "same list: $same"
    done
  done
else
  echo
  echo "R with leaps not installed (scripts/install-deps.sh --with-r): no comparison with leaps"
fi

# Per-size lists beside leaps' nbest, on the hard kinds and on real data.
if command -v Rscript >/dev/null 2>&1 &&
  Rscript -e 'suppressMessages({ library(leaps); library(MASS); library(mlbench) })' >/dev/null 2>&1; then
  # Nine runs on each side, whatever the repetitions: a single run takes
  # milliseconds at k = 25, where the first one or two runs of a fresh
  # process pay the page faults of their storage and three would leave
  # the median to one of them.
  per_size_repetitions=9
  sheets="$work/sheets"
  mkdir -p "$sheets"
  for k in 25 31; do
    for kind in $kinds; do build/native/bench/per_size_bench --write-csv="$sheets/${kind}_k$k.csv" "$kind" "$k"; done
  done
  Rscript scripts/make-real-sheets.R "$sheets" >/dev/null
  echo
  echo "Per-size lists by RSS (tavrel --per-size N -c rss) beside leaps' regsubsets(nbest = N), same sheet, same run:"
  for sheet in $(for kind in $kinds; do echo "${kind}_k25 ${kind}_k31"; done) boston cars93 ozone pima biopsy; do
    file="$sheets/$sheet.csv"
    n=$(($(wc -l <"$file") - 1))
    k=$(($(head -n 1 "$file" | tr -cd , | wc -c)))
    for nbest in 1 10; do
      build/native/bench/per_size_bench --sheet="$file" --nbest="$nbest" --benchmark_repetitions="$per_size_repetitions" \
        --benchmark_format=csv >"$work/per_size.csv" 2>/dev/null
      ours=$(summarise "$work/per_size.csv" 0 | awk '{ printf "%.4f (%.4f to %.4f)", $2 / 1000, $3 / 1000, $4 / 1000 }')
      build/native/bench/per_size_bench --print-lists="$file" "$nbest" >"$work/ours.txt"
      Rscript scripts/leaps-per-size.R "$file" "$nbest" "$per_size_repetitions" >"$work/leaps.txt"
      leaps=$(head -n 1 "$work/leaps.txt" | awk '{ printf "%.4f", $1 }')
      tail -n +2 "$work/leaps.txt" >"$work/leaps-lists.txt"
      if cmp -s "$work/ours.txt" "$work/leaps-lists.txt"; then
        same=yes
      else
        # The first entry where the lists part, decided exactly.
        first=$(paste -d '|' "$work/ours.txt" "$work/leaps-lists.txt" | awk -F'|' '$1 != $2 { print NR; exit }')
        pair=$(paste -d '|' "$work/ours.txt" "$work/leaps-lists.txt" | sed -n "${first}p")
        ours_subset=$(echo "$pair" | cut -d '|' -f 1 | sed 's/^.*: //')
        leaps_subset=$(echo "$pair" | cut -d '|' -f 2 | sed 's/^.*: //')
        size=$(echo "$pair" | cut -d '|' -f 1 | cut -d : -f 1)
        verdict=$(echo "$ours_subset $leaps_subset" | build/native/bench/per_size_bench --exact-compare="$file" |
          awk '{ printf "exact RSS %s %s %s", $2, $1 == "<" ? "below" : $1 == "=" ? "equal to" : "above", $3 }')
        same="no ($(wc -l <"$work/ours.txt") and $(wc -l <"$work/leaps-lists.txt") entries; first difference at size ${size:-?}: tavrel's $ours_subset, $verdict of leaps' $leaps_subset)"
      fi
      echo "per_size_seconds n=$n k=$k case=$sheet nbest=$nbest: $ours; leaps: $leaps; same lists: $same"
    done
  done
else
  echo
  echo "R with leaps, MASS and mlbench not installed (scripts/install-deps.sh --with-r): no per-size comparison"
fi

# Beyond 31 variables: tavrel itself on Sonar sheets (band V20 as y, the
# first k of the other bands as candidates; scripts/make-wide-sheets.R),
# wall-clock seconds of the whole run over at most 3 repetitions, beside
# leaps' per-size lists on the same sheet in the same run where leaps
# finishes in minutes (k ≤ 40).
if command -v Rscript >/dev/null 2>&1 &&
  Rscript -e 'suppressMessages({ library(leaps); library(mlbench) })' >/dev/null 2>&1; then
  wide_repetitions=$((repetitions < 3 ? repetitions : 3))
  # Wall-clock seconds of tavrel on $1 threads with the remaining arguments,
  # over wide_repetitions runs: median (least to most).
  time_tavrel() {
    threads=$1
    shift
    : >"$work/wide-times.txt"
    r=0
    while [ "$r" -lt "$wide_repetitions" ]; do
      start=$(date +%s%N)
      build/native/cli/tavrel -y y --threads "$threads" "$@" >/dev/null
      end=$(date +%s%N)
      echo "$(((end - start) / 1000000))" >>"$work/wide-times.txt"
      r=$((r + 1))
    done
    sort -n "$work/wide-times.txt" | awk '{ t[NR] = $1 / 1000 }
      END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.2f (%.2f to %.2f)", m, t[1], t[NR] }'
  }
  wide="$work/wide"
  mkdir -p "$wide"
  Rscript scripts/make-wide-sheets.R "$wide" 35 40 48 59
  echo
  echo "tavrel beyond 31 variables (wall-clock seconds of the run), beside leaps' regsubsets where it finishes:"
  for entry in "35:--per-size 1 -c rss" "40:--per-size 1 -c rss" "48:-k 10 -c aic" "48:-k 10 -c bic" \
    "59:-k 10 -c aic" "59:-k 10 -c bic"; do
    k=${entry%%:*}
    request=${entry#*:}
    file="$wide/sonar$k.csv"
    # shellcheck disable=SC2086 # the request is a list of options
    ours=$(time_tavrel 1 $request "$file")
    leaps="not run"
    case "$request" in
    --per-size*)
      if [ "$k" -le 40 ]; then
        Rscript scripts/leaps-per-size.R "$file" 1 "$wide_repetitions" >"$work/leaps.txt"
        leaps=$(head -n 1 "$work/leaps.txt" | awk '{ printf "%.2f", $1 }')
      fi
      ;;
    esac
    echo "wide_seconds case=sonar k=$k request=$request: $ours; leaps: $leaps"
    median=${ours%% *}
    if awk -v m="$median" 'BEGIN { exit !(m > 1) }'; then
      # shellcheck disable=SC2086
      two=$(time_tavrel 2 $request "$file")
      speedup=$(awk -v one="$median" -v two="${two%% *}" 'BEGIN { printf "%.2f", one / two }')
      echo "threads_speedup case=sonar k=$k request=$request threads=2: $speedup (1 thread: $ours; 2 threads: $two)" >>"$work/threads.txt"
    fi
  done
  cat "$work/threads.txt" 2>/dev/null || echo "threads_speedup: no search took more than a second on one thread"
else
  echo
  echo "R with leaps and mlbench not installed (scripts/install-deps.sh --with-r): no runs beyond 31 variables"
fi

# One block of 65535 kept models (statistics and rows) over 100000 rows.
echo
summarise "$work/report.csv" 0 | awk '{ printf "report_seconds n=100000 k=20 keep=65535: %.3f (%.3f to %.3f)\n", $2, $3, $4 }'

echo
tail -n 1 "$work/screening-lines.txt"
