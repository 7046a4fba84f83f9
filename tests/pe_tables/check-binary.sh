#!/bin/sh
# check-binary.sh OBJDUMP FILE [NAME=ORDINAL ...]
# Checks a Windows binary's tables: every NAME=ORDINAL pair is exported under
# exactly that undecorated name and ordinal (and nothing else is exported),
# and no DLL outside the system's own is imported (no MinGW runtime).
set -eu
# objdump translates its headings; the parsing below reads the English ones.
export LC_ALL=C
objdump=$1
file=$2
shift 2
dump=$(mktemp)
trap 'rm -f "$dump"' EXIT
"$objdump" -p "$file" > "$dump"
status=0

echo "imports of $file:"
grep 'DLL Name:' "$dump" | sed 's/^[[:space:]]*/  /'
allowed='^(KERNEL32|USER32|OLEAUT32|ADVAPI32|GDI32|msvcrt|api-ms-win-crt-[a-z0-9-]*|ucrtbase)\.dll$'
for dll in $(grep 'DLL Name:' "$dump" | awk '{print $3}'); do
  if ! echo "$dll" | grep -Eiq "$allowed"; then
    echo "FAIL: imports $dll, which is not a system DLL"
    status=1
  fi
done

if [ $# -gt 0 ]; then
  base=$(awk '/^Ordinal Base/ {print $3}' "$dump")
  exported=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$dump" | grep '\[' | grep -v 'Ordinal/Name' |
             sed 's/^[[:space:]]*\[[[:space:]]*\([0-9]*\)\][[:space:]]*\(.*\)$/\2=\1/')
  echo "exports (name=ordinal-base) with base $base:"
  echo "$exported" | sed 's/^/  /'
  count=0
  for pair in "$@"; do
    name=${pair%=*}
    ordinal=${pair#*=}
    count=$((count + 1))
    want="$name=$((ordinal - base))"
    if ! echo "$exported" | grep -qx "$want"; then
      echo "FAIL: expected export $name with ordinal $ordinal"
      status=1
    fi
  done
  have=$(echo "$exported" | grep -c . || true)
  if [ "$have" -ne "$count" ]; then
    echo "FAIL: $have exports, expected $count"
    status=1
  fi
fi
exit $status
