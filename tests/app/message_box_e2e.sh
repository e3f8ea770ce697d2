#!/usr/bin/env bash
# The real program, started on a file under an X server: its message 107 comes up, this
# script closes it as a user would (Enter), and the process ends with status 1.
# Usage: message_box_e2e.sh ZENDREL [SCREENSHOT.png]; run it under xvfb-run.
set -u
zendrel=$1
shot=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/not a folder.txt"

QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work "$zendrel" "$work/not a folder.txt" 2>"$work/stderr" &
pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^zendrel$' | head -n 1)
if [ -z "$window" ]; then
  echo "FAIL: no window captioned 'zendrel' appeared"; cat "$work/stderr"; kill $pid; exit 1
fi
role=$(xprop -id "$window" WM_WINDOW_ROLE)
[ -n "$shot" ] && sleep 0.5 && import -window root "$shot"
xdotool windowfocus --sync "$window" key Return
timeout 30 tail --pid=$pid -f /dev/null
wait $pid
status=$?

failed=0
case "$role" in
  *'"zendrel-message-107"'*) echo "ok: message 107 shown, captioned zendrel" ;;
  *) echo "FAIL: unexpected window role: $role"; failed=1 ;;
esac
if [ "$status" -eq 1 ]; then echo "ok: exit status 1"; else echo "FAIL: exit status $status"; failed=1; fi
exit $failed
