#!/bin/sh
# The main job on the bundled sample data: builds the command-line program
# (installing the native build's packages if they are missing) and prints the
# best models of the cement-hardening data, then of the synthetic data set
# with 20 explanatory variables (a search over 2^20 - 1 subsets per dependent
# variable; a progress bar shows on a terminal), and the cement data as
# Japanese Excel saves it (code page 932, Japanese names, a text column).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --native >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)" --target tavrel >/dev/null
echo "== tavrel -y y -k 5 examples/cement.csv"
build/native/cli/tavrel -y y -k 5 examples/cement.csv
echo "== tavrel -y sales -y rating -k 5 examples/synthetic20.csv"
build/native/cli/tavrel -y sales -y rating -k 5 examples/synthetic20.csv
echo "== tavrel -y 発熱量 -k 3 examples/cement-excel.csv   (saved by Excel as \"CSV (コンマ区切り)\")"
build/native/cli/tavrel -y 発熱量 -k 3 examples/cement-excel.csv
echo "== tavrel -y 発熱量 -k 3 --layout long examples/cement-excel.csv"
build/native/cli/tavrel -y 発熱量 -k 3 --layout long examples/cement-excel.csv
