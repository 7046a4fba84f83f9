#!/bin/sh
# check-sse-math.sh OBJDUMP FILE NAME...
# The i686 build must do its floating-point arithmetic in SSE2 registers:
# x87 arithmetic rounds through 80-bit registers and gives different bits at
# different optimisation levels. Disassembles every function whose symbol
# contains one of the NAMEs and fails on any x87 arithmetic instruction
# (loads and stores of the x87 registers are allowed: the 32-bit calling
# convention returns doubles there, and a 64-bit integer becomes a double
# through an exact x87 integer load). A NAME without any function
# fails too, so a renamed function cannot slip out of the check.
set -eu
# objdump translates its headings; the parsing below reads the English ones.
export LC_ALL=C
objdump=$1
file=$2
shift 2
status=0
symbols=$("$objdump" -t "$file" | awk '{print $NF}')
for name in "$@"; do
  found=$(echo "$symbols" | grep -F "$name" | grep -v '^__GLOBAL__' || true)
  if [ -z "$found" ]; then
    echo "FAIL: no function named like $name"
    status=1
    continue
  fi
  for symbol in $found; do
    # objdump goes on past the function; keep its own body only.
    x87=$("$objdump" -d --no-show-raw-insn --disassemble="$symbol" "$file" |
          awk '/^[0-9a-f]+ <.*>:$/ { n++ } n == 1' |
          grep -E '^[[:space:]]*[0-9a-f]+:[[:space:]]+f(add|sub|mul|div|sqrt|prem|rndint|scale|yl2x|2xm1|sin|cos|sincos|patan|ptan|i(add|sub|mul|div))' || true)
    if [ -n "$x87" ]; then
      echo "FAIL: x87 arithmetic in $symbol:"
      echo "$x87" | head -5
      status=1
    else
      echo "ok: $symbol"
    fi
  done
done
exit $status
