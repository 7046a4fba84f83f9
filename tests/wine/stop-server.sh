#!/bin/sh
# stop-server.sh PREFIX: ends the server (and with it Wine's services) that
# make-prefix.sh left running for the test run in PREFIX.
set -eu
export WINEPREFIX="$1"
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
echo "wine server stopped: $1"
