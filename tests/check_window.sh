#!/bin/sh
# The lobby in a window, used as a person would: under a virtual X server,
# xdotool types a line into the input line, presses Enter and clicks Quit. The
# line must reach the chat service and the visit end with result 4. First,
# without any display, --window must fail at once as a usage error (exit 2).
#   check_window.sh QVHOST MODULE
# Exit 77 (skipped) only where no X server can be started.
qvhost=$1
module=$2
nodisplay=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 \
  "$qvhost" --module "$module" --window --crowd 0 2>&1)
status=$?
if [ "$status" -ne 2 ] || ! echo "$nodisplay" | grep -q 'no display to show it on (DISPLAY is not set)'; then
  echo "FAILED: --window without a display exited with $status (124: it ran unseen until stopped)"
  echo "$nodisplay"
  exit 1
fi
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "SKIPPED: Xvfb or xdotool is not installed (tools/setup.sh installs them)"
  exit 77
fi
tmp=$(mktemp -d)
xvfb=""
host=""
cleanup() {
  [ -n "$host" ] && kill "$host" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
i=0
while [ ! -s "$tmp/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
if [ ! -s "$tmp/display" ]; then
  echo "SKIPPED: no X server could be started"; cat "$tmp/xvfb.log"
  exit 77
fi
DISPLAY=:$(cat "$tmp/display")
export DISPLAY
"$qvhost" --own-temp --module "$module" --window --crowd 0 --print >"$tmp/out" 2>&1 &
host=$!
# The title changes to "QvMulti lobby" once the lobby's first frame is drawn.
wid=$(timeout 30 xdotool search --sync --onlyvisible --name 'QvMulti lobby' | head -n 1)
if [ -z "$wid" ]; then
  echo "FAILED: the lobby window did not open"; cat "$tmp/out"
  exit 1
fi
# Keys go to the window under the pointer (no window manager) and to the focus.
xdotool mousemove --window "$wid" 200 300
xdotool windowfocus --sync "$wid" 2>/dev/null
sleep 0.5
xdotool type --delay 30 "hello from the window"
xdotool key Return
sleep 0.5
# The quit button (693..772 x 470..489); clicked again if a busy machine lost the click.
for try in 1 2 3; do
  xdotool mousemove --window "$wid" 733 480 click 1 2>/dev/null
  i=0
  while kill -0 "$host" 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  kill -0 "$host" 2>/dev/null || break
done
if kill -0 "$host" 2>/dev/null; then
  echo "FAILED: the visit did not end after the click on Quit"; cat "$tmp/out"
  exit 1
fi
wait "$host"
status=$?
host=""
cat "$tmp/out"
grep -q 'SendChatLine("hello from the window")' "$tmp/out" || { echo "FAILED: the typed line did not reach the chat service"; exit 1; }
grep -q 'result 4' "$tmp/out" || { echo "FAILED: the visit did not end with result 4"; exit 1; }
[ "$status" -eq 0 ] || { echo "FAILED: qvhost exited with $status"; exit 1; }
echo "window test passed"
