# Sourced: start_xvfb starts a private X server (no TCP, no window manager) and exports DISPLAY
# for it; its process is $xvfb_pid and its folder (the log) $xvfb_dir. stop_xvfb ends it. False,
# with the server's log on standard error, when it does not start.
start_xvfb() {
  xvfb_dir=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$xvfb_dir/display" >"$xvfb_dir/log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -s "$xvfb_dir/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$xvfb_dir/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$xvfb_dir/log" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$xvfb_dir/display")"
}

stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  rm -rf "$xvfb_dir"
}
