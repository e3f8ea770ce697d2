#!/usr/bin/env bash
# The real program when the X server fails it, under an Xvfb of its own:
#  - the server at its client limit (the socket still answers, the connection set-up is
#    refused): the program says there is no display and ends with status 1;
#  - several instances started at once on a server with few free places: each one either
#    shows its message or says there is no display and ends with status 1; none is killed
#    by a signal (the toolkit's own abort);
#  - the server killed under the running instances: each says the display was lost and ends
#    with status 1.
# Usage: display_e2e.sh ZENDREL
set -u
zendrel=$1
work=$(mktemp -d)
xvfb= holder=
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null && wait "$holder" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset -maxclients 64 \
  3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display") QT_QPA_PLATFORM=xcb
failed=0
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failed=1; }

mkdir "$work/app" "$work/runtime"
chmod 700 "$work/runtime"
cp "$zendrel" "$work/app/zendrel"
touch "$work/not a folder.txt"
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/data HOME=$work

# Holds N connections to the server that completed the X set-up, until its stdin closes.
# Prints how many it got once it has them.
cat >"$work/hold.py" <<'EOF'
import socket, struct, sys
wanted, number = int(sys.argv[1]), sys.argv[2]
held = []
for _ in range(wanted):
    s = socket.socket(socket.AF_UNIX)
    try:
        s.connect(f"/tmp/.X11-unix/X{number}")
        s.sendall(b"l\0" + struct.pack("<HHHH", 11, 0, 0, 0) + b"\0\0")
        if s.recv(1) != b"\1":
            break
    except OSError:
        break
    held.append(s)
print(len(held), flush=True)
sys.stdin.read()
EOF
hold() { python3 "$work/hold.py" "$1" "${DISPLAY#:}"; }

# Starts a holder of N connections and waits until it has them.
start_holder() {
  rm -f "$work/held"
  mkfifo "$work/hold-in"
  hold "$1" <"$work/hold-in" >"$work/held" &
  holder=$!
  exec 4>"$work/hold-in"
  for _ in $(seq 100); do [ -s "$work/held" ] && break; sleep 0.1; done
  rm -f "$work/hold-in"
}

stop_holder() {
  exec 4>&-
  wait "$holder" 2>/dev/null
  holder=
}

# Status of a finished run, 128+N when a signal ended it.
run_status() { wait "$1"; }

# 1. The server full: its socket accepts, the set-up is refused.
start_holder 200
echo "holding $(cat "$work/held") connections: the server is full"
timeout 30 "$work/app/zendrel" "$work/not a folder.txt" 2>"$work/full" 4>&-
status=$?
[ "$status" -eq 1 ] && grep -q 'no display' "$work/full" &&
  ok "server full: said there is no display, status 1" ||
  fail "server full: status $status, stderr: $(cat "$work/full")"
stop_holder

# 2. Several instances at once with three free places; the holder keeps the rest.
start_holder 61
pids=()
for i in $(seq 8); do
  # Not holding the holder's input open.
  timeout 60 "$work/app/zendrel" "$work/not a folder.txt" 2>"$work/many-$i" 4>&- &
  pids+=($!)
done
sleep 5
shown=0 refused=0 running=()
for i in $(seq 8); do
  pid=${pids[$((i - 1))]}
  if kill -0 "$pid" 2>/dev/null; then
    shown=$((shown + 1))
    running+=("$i")
    continue
  fi
  run_status "$pid"
  status=$?
  if [ "$status" -eq 1 ] && grep -q 'no display' "$work/many-$i"; then
    refused=$((refused + 1))
  else
    fail "instance $i: status $status, stderr: $(cat "$work/many-$i")"
  fi
done
[ "$refused" -gt 0 ] && ok "8 at once: $shown showed their message, $refused said there is no display" ||
  fail "8 at once on 3 free places: none was refused ($shown running)"
stop_holder

# 3. The server killed under the instances still running.
kill -KILL "$xvfb"
wait "$xvfb" 2>/dev/null
xvfb=
for i in "${running[@]}"; do
  pid=${pids[$((i - 1))]}
  run_status "$pid"
  status=$?
  [ "$status" -eq 1 ] && grep -q 'connection to the display was lost' "$work/many-$i" &&
    ok "instance $i: the display was lost, status 1" ||
    fail "instance $i after the server died: status $status, stderr: $(cat "$work/many-$i")"
done

exit $failed
