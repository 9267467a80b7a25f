#!/bin/bash
# The link commands of zarnres.exe under Wine, against the Linux virtual module
# on Wine's COM ports: scripts/test-windows names COM3 ... COM12 under
# HKLM\Software\Wine\Ports as links in $ZARN_WINE_PORTS, where zarn-sim puts
# its own. Checked: ports, detect (the Linux zarnres's texts), program on two
# ports at once (what each module received, byte for byte, and the JSON-lines
# log as the Linux zarnres writes it), a module that stops answering, a module
# unplugged mid-transfer, and Ctrl-C ending a station with its summary and log
# line.
# Usage: link_under_wine.sh LINUX_ZARNRES LINUX_ZARNSIM WINDOWS_ZARNRES_EXE
set -u
linux=$(realpath "$1")
sim=$(realpath "$2")
windows=$(realpath "$3")
wine=${WINE:-wine}
ports=${ZARN_WINE_PORTS:?scripts/test-windows prepares Wine COM ports in ZARN_WINE_PORTS}
work=$(mktemp -d /tmp/zarn-winelink-XXXXXX)
sims=()
cleanup() {
    for p in "${sims[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# startsim N OPTIONS...: a module on COMN until it ends or the script does.
startsim() {
    local n=$1
    shift
    ZARN_PORT_DIR=$ports "$sim" --port "$n" --idle-timeout 30 "$@" >"$work/sim$n.out" 2>&1 &
    sims+=($!)
    for _ in $(seq 200); do
        [ -e "$ports/COM$n" ] && return 0
        sleep 0.05
    done
    fail "zarn-sim on COM$n did not start: $(cat "$work/sim$n.out")"
}
# stopsims: every module started so far ends.
stopsims() {
    for p in "${sims[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    sims=()
}
# win ARGS...: zarnres.exe in the work folder, its lines without CR.
win() { (cd "$work" && "$wine" "$windows" "$@" 2>"$work/w.err" | sed 's/\r$//'; exit "${PIPESTATUS[0]}"); }
lin() { (cd "$work" && ZARN_PORT_DIR=$ports "$linux" "$@" 2>"$work/l.err"); }
werr() { sed 's/\r$//' "$work/w.err"; }
# The log's lines without what differs from run to run and system to system.
masked() { sed -E 's/"(time|device|file|seconds)":("[^"]*"|[0-9.]+)/"\1":_/g' "$1"; }

# A file with one 60000-byte sound: 65536 bytes to send.
"$linux" new "$work/a.zrf" --model 4 >/dev/null
yes 'a sound of a module' | head -c 60000 >"$work/a.wav"
"$linux" add "$work/a.zrf" "$work/a.wav" >/dev/null
head -c 65536 "$work/a.zrf" >"$work/used.bin"

# ports: the system's COMn, listed as Wine names them, no port folder.
out=$(win ports)
status=$?
[ $status -eq 0 ] || fail "ports: exit status $status: $(werr)"
grep -qx 'COM5   listed     COM5' <<<"$out" || fail "ports: COM5 is not listed: $out"
grep -qx 'COM2   not listed -' <<<"$out" || fail "ports: COM2 is listed: $out"
grep -q 'Port folder' <<<"$out" && fail "ports: a port folder on Windows: $out"

# detect: the Linux zarnres's text.
startsim 5
out=$(win detect --port 5)
status=$?
expected=$(lin detect --port 5)
[ $status -eq 0 ] || fail "detect: exit status $status: $(werr)"
[ "$out" = "$expected" ] || fail "detect: \"$out\", the Linux zarnres says \"$expected\""
stopsims

# program on COM5 and COM6 at once: each module gets the used part, and the
# log reads as the Linux zarnres's.
for side in w l; do
    startsim 5 --once --save "$work/$side-r5.bin"
    startsim 6 --once --save "$work/$side-r6.bin"
    if [ $side = w ]; then
        out=$(win program a.zrf --port 5-6 --log w.jsonl)
    else
        out=$(lin program a.zrf --port 5-6 --log l.jsonl)
    fi
    status=$?
    wait "${sims[@]}" 2>/dev/null
    sims=()
    [ $status -eq 0 ] || fail "program ($side): exit status $status: $out"
    for n in 5 6; do
        cmp -s "$work/$side-r$n.bin" "$work/used.bin" || fail "program ($side): COM$n received other bytes"
    done
done
sort "$work/w.jsonl" | masked /dev/stdin >"$work/w.masked"
sort "$work/l.jsonl" | masked /dev/stdin >"$work/l.masked"
cmp -s "$work/w.masked" "$work/l.masked" || fail "program: the logs differ: $(diff "$work/w.masked" "$work/l.masked")"
grep -q '"result":"Send Over!!"' "$work/w.jsonl" || fail "program: no Send Over!! in the log"

# A module that stops answering, and one unplugged mid-transfer: one message each, the cause with it.
startsim 5 --drop-ack 50
out=$(win program a.zrf --port 5 --ack-timeout 1)
status=$?
[ $status -eq 1 ] || fail "silent module: exit status $status"
[ "$(werr | tail -1)" = "Programming failed: the module stopped answering" ] || fail "silent module: $(werr)"
stopsims
startsim 5 --hangup-after 100
out=$(win program a.zrf --port 5)
status=$?
[ $status -eq 1 ] || fail "unplugged module: exit status $status"
werr | tr '\n' '|' | grep -q 'Programming failed: the port was lost (the module was unplugged or its line hung up)|WARNING:  ReadFile() Failed with the following error: |.*|Port: 5|$' ||
    fail "unplugged module: $(werr)"
stopsims

# Ctrl-C ends a station cleanly: its summary, the transfer interrupted, its log line.
startsim 5 --baud 115200
(cd "$work" && exec "$wine" "$windows" station a.zrf --port 5 --log s.jsonl >s.out 2>s.err) &
station=$!
for _ in $(seq 200); do
    grep -q 'in progress 1' "$work/s.err" 2>/dev/null && break
    sleep 0.05
done
kill -INT $station
wait $station
status=$?
[ $status -eq 0 ] || fail "station: exit status $status after Ctrl-C: $(cat "$work/s.err")"
[ "$(sed 's/\r$//' "$work/s.out")" = "Programmed 0, failed 0, in progress 0, interrupted 1" ] ||
    fail "station: $(cat "$work/s.out")"
grep -q '"result":"Interrupted: the transfer was stopped before its end"' "$work/s.jsonl" 2>/dev/null ||
    fail "station: no log line for the interrupted transfer"
stopsims

if [ $failures -ne 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "The link commands of zarnres.exe under Wine: all as on Linux"
