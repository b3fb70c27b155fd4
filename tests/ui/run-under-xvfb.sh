#!/usr/bin/env bash
# Runs a window test on a private X server, so that xdotool can click as a user does. Exits 77
# (the test is skipped) when Xvfb or xdotool is missing or the server does not start.
set -u
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"; exit 77; }
done
. "$(dirname "$0")/../../scripts/xvfb.sh"
start_xvfb 2>&1 || { echo "SKIP: the X server did not start"; exit 77; }
trap stop_xvfb EXIT
QT_QPA_PLATFORM=xcb "$@"
