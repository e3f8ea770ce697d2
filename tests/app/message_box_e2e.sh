#!/usr/bin/env bash
# The real program as a user meets it, under an X server of its own (Xvfb):
#  - without a display, or without a folder for the user's data, it says so on stderr and
#    ends with status 1;
#  - started on a file, its message 107 comes up, this script closes it as a user would
#    (Enter), and the process ends with status 1; an empty argument gives message 107 too;
#  - with DuplicateModule=0, a second run while the first one's message is up ends at once,
#    silently, with status 0;
#  - started without a folder, it asks to register (Enter takes the default, Yes), confirms,
#    and the folder verb appears as a desktop entry and a Dolphin service menu; started so
#    again, it asks to remove the registration, confirms, and the menus are gone.
# Usage: message_box_e2e.sh ZENDREL [SCREENSHOT.png]
set -u
zendrel=$1
shot=${2:-}
work=$(mktemp -d)
xvfb=
trap '[ -n "$xvfb" ] && kill $xvfb 2>/dev/null && wait $xvfb 2>/dev/null; rm -rf "$work"' EXIT

# Xvfb picks a free display itself and tells its number: no race with other X servers.
# It must not reset when its last client goes, or the next run may meet it mid-reset.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
failed=0
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failed=1; }

# Waits for the message box whose window role names message $1 and presses Enter on it until
# it closes (a key sent while the box is still being mapped can be lost).
answer() {
  local id role
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --name '^zendrel$' 2>/dev/null); do
      role=$(xprop -id "$id" WM_WINDOW_ROLE 2>/dev/null)
      if [[ $role == *"\"zendrel-message-$1\""* ]]; then
        for _ in $(seq 20); do
          xdotool windowfocus --sync "$id" key Return 2>/dev/null
          sleep 0.3
          xprop -id "$id" WM_WINDOW_ROLE >/dev/null 2>&1 || return 0
          xdotool search --onlyvisible --name '^zendrel$' 2>/dev/null | grep -qx "$id" || return 0
        done
        return 1
      fi
    done
    sleep 0.1
  done
  return 1
}

# Ends a run that is still waiting (a failed step must not leave the test hanging).
finish() {
  timeout 30 tail --pid="$1" -f /dev/null || kill "$1" 2>/dev/null
  wait "$1"
}


# A copy of the program with a configuration of its own beside it.
mkdir "$work/app" "$work/runtime"
cp "$zendrel" "$work/app/zendrel"
printf '[ZendrelConfig]\r\nDuplicateModule=0\r\n' > "$work/app/ZenConfig.ini"
touch "$work/not a folder.txt"
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/data

env -u HOME -u XDG_DATA_HOME "$work/app/zendrel" "$work" 2>"$work/no-home" &&
  fail "ran without a folder for the user's data"
grep -q "no folder for the user's data" "$work/no-home" &&
  ok "no HOME: said so on stderr, status 1" || fail "no HOME: stderr was: $(cat "$work/no-home")"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/app/zendrel" "$work" \
  2>"$work/no-display" && fail "ran without a display"
grep -q 'no display' "$work/no-display" && ok "no display: said so on stderr, status 1" ||
  fail "no display: stderr was: $(cat "$work/no-display")"

QT_QPA_PLATFORM=xcb "$work/app/zendrel" "$work/not a folder.txt" 2>"$work/stderr" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^zendrel$' | head -n 1)
if [ -z "$window" ]; then
  fail "no window captioned 'zendrel' appeared: $(cat "$work/stderr")"
  kill $pid
  exit 1
fi
role=$(xprop -id "$window" WM_WINDOW_ROLE)
case "$role" in
  *'"zendrel-message-107"'*) ok "message 107 shown, captioned zendrel" ;;
  *) fail "unexpected window role: $role" ;;
esac
[ -n "$shot" ] && sleep 0.5 && import -window root "$shot"

# The first run holds the single-instance lock while its message is up. Without the rule
# the second would show message 107 too and wait for it.
QT_QPA_PLATFORM=xcb timeout 10 "$work/app/zendrel" "$work/not a folder.txt" 2>/dev/null
second=$?
windows=$(xdotool search --onlyvisible --name '^zendrel$' | wc -l)
[ "$second" -eq 0 ] && [ "$windows" -eq 1 ] && ok "second instance ended silently" ||
  fail "second instance: status $second, $windows windows"

answer 107 || fail "message 107 could not be closed"
finish $pid
status=$?
[ "$status" -eq 1 ] && ok "exit status 1 after message 107" || fail "exit status $status"

# An empty argument is a tail of two quotes, as on Windows: not a folder, no registration.
QT_QPA_PLATFORM=xcb "$work/app/zendrel" "" 2>"$work/stderr" &
pid=$!
answer 107 && ok 'an empty argument gives message 107' ||
  fail "an empty argument: no message 107: $(cat "$work/stderr")"
finish $pid

export XDG_CONFIG_HOME=$work/config
entry=$XDG_DATA_HOME/applications/org.zendrel.zendrel.desktop
servicemenu=$XDG_DATA_HOME/kio/servicemenus/org.zendrel.zendrel.desktop
for round in register remove; do
  QT_QPA_PLATFORM=xcb "$work/app/zendrel" 2>"$work/stderr" &
  pid=$!
  if [ $round = register ]; then asked=102 told=104; else asked=103 told=105; fi
  answer $asked && answer $told && ok "$round: messages $asked and $told" ||
    fail "$round: messages $asked and $told did not come: $(cat "$work/stderr")"
  finish $pid
  status=$?
  [ $status -eq 0 ] || fail "$round: exit status $status"
  if [ $round = register ]; then
    if [ ! -e "$entry" ] && grep -q "^Exec=.*$work/app/zendrel.* %f" "$servicemenu" &&
      [ -x "$servicemenu" ]; then
      ok "registered: service menu executable, no application entry for folders"
    else
      fail "registered: menus missing or wrong: $(cat "$servicemenu" 2>&1)"
    fi
  fi
done
[ ! -e "$entry" ] && [ ! -e "$servicemenu" ] && ok "menus removed with the registration" ||
  fail "menus left behind after removal"
exit $failed
