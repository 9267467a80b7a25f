#!/bin/bash
# The file commands of zarnres for Linux and of zarnres.exe under Wine, given
# the same inputs: every resource file and extracted file must be the same
# bytes, every exit status and message the same text (Windows ends its lines
# with CR LF where Linux ends them with LF), the refusals included.
# Usage: same_files_both_systems.sh LINUX_ZARNRES WINDOWS_ZARNRES_EXE DATA_DIR
set -u
linux=$(realpath "$1")
windows=$(realpath "$2")
data=$3
wine=${WINE:-wine}
work=$(mktemp -d /tmp/zarn-both-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/linux" "$work/windows"
failures=0
steps=0

# The same inputs in both folders: a picture, a font library, a sound, names outside ASCII.
for side in linux windows; do
    d=$work/$side
    cp "$data/import/standard/rnd_k8_19x13.bmp" "$d/bild.bmp"
    cp "$data/import/standard/im_k24_37x23.bmp" "$d/Ünïcode.bmp"
    yes 'font library' | head -c 261696 >"$d/16X16.hzk"
    yes 'eight by sixteen' | head -c 4096 >"$d/8X16.asc"
    { printf 'RIFF\x2c\x10\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00data\x08\x10\x00\x00'
      yes 'sound' | head -c 4104; } >"$d/ton.wav"
    mkdir "$d/folder.zrf"
done

# same STATUS ARGS...: runs one command with both programs in their folders,
# expects STATUS from both and compares what they did.
same() {
    local expected=$1
    shift
    steps=$((steps + 1))
    (cd "$work/linux" && "$linux" "$@" >../l.out 2>../l.err)
    local ls=$?
    (cd "$work/windows" && "$wine" "$windows" "$@" >../w.out 2>../w.err)
    local ws=$?
    sed 's/\r$//' "$work/w.out" >"$work/w.out.lf"
    sed 's/\r$//' "$work/w.err" >"$work/w.err.lf"
    if [ $ls -ne "$expected" ] || [ $ws -ne "$expected" ]; then
        echo "FAIL: zarnres $*: exit status $ls on Linux, $ws on Windows, $expected expected"
        cat "$work/l.err" "$work/w.err"
        failures=$((failures + 1))
    fi
    if ! cmp -s "$work/l.out" "$work/w.out.lf" || ! cmp -s "$work/l.err" "$work/w.err.lf"; then
        echo "FAIL: zarnres $*: different output"
        diff "$work/l.out" "$work/w.out.lf"
        diff "$work/l.err" "$work/w.err.lf"
        failures=$((failures + 1))
    fi
    if ! diff -r "$work/linux" "$work/windows" >/dev/null; then
        echo "FAIL: zarnres $*: the files differ afterwards"
        diff -rq "$work/linux" "$work/windows"
        failures=$((failures + 1))
    fi
}

same 0 new r.zrf --model 3
same 0 add r.zrf bild.bmp
same 0 add r.zrf Ünïcode.bmp --ignore-color 0x001F
same 0 add r.zrf 16X16.hzk
same 0 add r.zrf 8X16.asc --after 0
same 0 add r.zrf ton.wav
same 0 delete r.zrf 1
same 0 set-ignore-color r.zrf 0 0xF800
same 0 info r.zrf
same 0 list r.zrf
same 0 check r.zrf
same 0 extract r.zrf 0 back.bmp
same 0 extract r.zrf 3 back.wav
same 0 new 资源.zrf --model 5 --size 8M
same 0 add 资源.zrf ton.wav
same 0 list 资源.zrf
# Refusals: a missing source, a folder for a file, a file that is not a resource file.
same 1 add r.zrf missing.wav
same 1 add folder.zrf ton.wav
same 1 info bild.bmp
same 1 delete r.zrf 9
same 1 add r.zrf 16X0.hzk

# What the Windows build lacks, it says. (Its link commands are
# link_under_wine.sh's, its font commands fonts_both_systems.sh's.)
for args in "add r.zrf bild.png:BMP files only"; do
    (cd "$work/windows" && "$wine" "$windows" ${args%%:*} >/dev/null 2>../w.err)
    status=$?
    if [ $status -ne 1 ] || ! grep -q "${args#*:}" "$work/w.err"; then
        echo "FAIL: zarnres.exe ${args%%:*}: status $status, $(cat "$work/w.err")"
        failures=$((failures + 1))
    fi
done

echo "$steps commands compared, $failures failures"
[ $failures -eq 0 ]
