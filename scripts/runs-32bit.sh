#!/bin/sh
# Answers (exit status 0) whether this machine runs 32-bit x86 programs: a
# tiny program built with gcc -m32 must start and print. Kernels without
# 32-bit support refuse it ("Exec format error"). On failure the reason is
# printed as one line.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '#include <stdio.h>\nint main(void) { puts("32"); return 0; }\n' > "$dir/probe.c"
if ! LC_ALL=C gcc -m32 "$dir/probe.c" -o "$dir/probe" >"$dir/log" 2>&1; then
  echo "no 32-bit compiler (gcc -m32 failed: $(head -n 1 "$dir/log"))"
  exit 1
fi
out=$(LC_ALL=C "$dir/probe" 2>&1)
if [ "$out" != "32" ]; then
  echo "the kernel does not run 32-bit programs (${out:-no output})"
  exit 1
fi
echo "32-bit programs run"
