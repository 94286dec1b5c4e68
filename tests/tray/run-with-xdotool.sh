#!/usr/bin/env bash
# run-with-xdotool.sh PROGRAM [ARGS...]: runs a test program under Wine beside an xdotool
# agent on the same display, so the test can press keys and move the mouse as real X
# events. Starts a 1024 x 768 Xvfb when DISPLAY is unset. Exit status: the program's; 77
# without a display.
set -u
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
. "$scripts/wine-env"
kvo_wine_env "$1" || exit 2
kvo_prefix_ready || exit 2

own_display=0
if [ -z "${DISPLAY:-}" ]; then
  # 77: ctest reports the test as skipped, as it cannot run without a display.
  kvo_start_xvfb || { echo "SKIPPED: no display (DISPLAY unset, Xvfb did not start)"; exit 77; }
  own_display=1
fi

KVO_XDO_DIR=$(mktemp -d /tmp/kvo-xdo.XXXXXX)
export KVO_XDO_DIR
"$here/xdo-agent.sh" "$KVO_XDO_DIR" &
agent=$!

"$scripts/wine-run" "$@"
status=$?

rm -rf "$KVO_XDO_DIR"
kill "$agent" 2>/dev/null
wait "$agent" 2>/dev/null
if [ "$own_display" = 1 ]; then
  "$KVO_WINESERVER" -k >/dev/null 2>&1
  "$KVO_WINESERVER" -w >/dev/null 2>&1
  kvo_stop_xvfb
fi
exit $status
