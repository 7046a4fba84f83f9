#!/bin/sh
# check-manifest.sh OBJDUMP FILE TEXT...
# Checks that a Windows program carries an application manifest (resource
# type 24, RT_MANIFEST, id 1) and that the manifest holds every TEXT. The
# resource is located through objdump's resource directory and cut out of
# the file byte for byte, so text elsewhere in the file cannot pass for it.
set -eu
objdump=$1
file=$2
shift 2
export LC_ALL=C
dump=$(mktemp)
manifest=$(mktemp)
trap 'rm -f "$dump" "$manifest"' EXIT
"$objdump" -p "$file" > "$dump"

# The leaf under type 24, name 1: its address (relative to the image base)
# and size. Type entries stand three spaces in, name entries five.
leaf=$(awk '
  /^[0-9a-f]+   Entry: ID: / { type = $4 }
  /^[0-9a-f]+     Entry: ID: / { name = $4 }
  /Leaf: Addr:/ && type == "0x000018," && name == "0x000001," {
    gsub(",", ""); print $4, $6; exit
  }' "$dump")
if [ -z "$leaf" ]; then
  echo "FAIL: $file has no application manifest (resource type 24, id 1)"
  exit 1
fi
rva=$(( $(echo "$leaf" | cut -d' ' -f1) ))
size=$(( $(echo "$leaf" | cut -d' ' -f2) ))
base=$(( 0x$(awk '/^ImageBase/ {print $2}' "$dump") ))
# .rsrc: its address in memory and its offset in the file.
set -- "$@" --
section=$("$objdump" -h "$file" | awk '$2 == ".rsrc" {print $4, $6}')
vma=$(( 0x$(echo "$section" | cut -d' ' -f1) ))
offset=$(( 0x$(echo "$section" | cut -d' ' -f2) ))
start=$(( offset + rva - (vma - base) ))
dd if="$file" of="$manifest" bs=1 skip="$start" count="$size" 2>/dev/null
echo "manifest of $file: $size bytes at file offset $start"

status=0
while [ "$1" != "--" ]; do
  if grep -qF -- "$1" "$manifest"; then
    echo "ok: $1"
  else
    echo "FAIL: the manifest lacks $1"
    status=1
  fi
  shift
done
exit $status
