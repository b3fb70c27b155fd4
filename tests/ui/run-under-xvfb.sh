#!/usr/bin/env bash
# Runs a window test on a private X server, so that xdotool can click as a user does. Exits 77
# (the test is skipped) when Xvfb or xdotool is missing or the server does not start.
set -u
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"; exit 77; }
done
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "SKIP: Xvfb did not start:"; cat "$work/xvfb.log"
  exit 77
fi
DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb "$@"
