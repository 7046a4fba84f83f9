#!/bin/sh
# The packer as the build runs it: two runs (in other time zones, from
# other folders) give the workbook the build made, byte for byte; a module
# line that code page 932 cannot hold stops it with the file and line.
#
# usage: packer_runs_test.sh PACKER BUILT_WORKBOOK PACKAGE_DIR RIBBON MODULE.bas...
set -u
packer=$(realpath "$1") built=$(realpath "$2") package=$(realpath "$3") ribbon=$(realpath "$4")
shift 4
modules=""
for module in "$@"; do modules="$modules $(realpath "$module")"; done
set -- $modules
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {
  if [ "$2" = 0 ]; then echo "PASS $1"; passed=$((passed + 1)); else echo "FAIL $1"; failed=$((failed + 1)); fi
}

mkdir "$work/a" "$work/b"
(cd "$work/a" && TZ=UTC "$packer" --package "$package" --ribbon "$ribbon" --output "$work/a/Tavrel.xlam" "$@")
check "first run" $?
(cd "$work/b" && TZ=Asia/Tokyo "$packer" --package "$package" --ribbon "$ribbon" --output "$work/b/Tavrel.xlam" "$@")
check "second run" $?
cmp -s "$work/a/Tavrel.xlam" "$work/b/Tavrel.xlam"
check "two runs give the same bytes" $?
cmp -s "$work/a/Tavrel.xlam" "$built"
check "the build's workbook has the same bytes" $?

# A module whose third line holds a character outside code page 932.
printf 'Attribute VB_Name = "Broken"\nOption Explicit\nConst Face = "\360\237\230\200"\n' > "$work/Broken.bas"
"$packer" --package "$package" --ribbon "$ribbon" --output "$work/broken.xlam" "$work/Broken.bas" 2>"$work/error.txt"
[ $? -ne 0 ]
check "unconvertible character stops the packer" $?
grep -q "Broken.bas:3:" "$work/error.txt"
check "the message names file and line" $?
[ ! -e "$work/broken.xlam" ]
check "no workbook is left behind" $?

# A module whose file name differs from its VB_Name.
printf 'Attribute VB_Name = "Other"\nOption Explicit\n' > "$work/Named.bas"
"$packer" --package "$package" --ribbon "$ribbon" --output "$work/named.xlam" "$work/Named.bas" 2>/dev/null
[ $? -ne 0 ]
check "module name and file name must agree" $?

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
