#!/bin/bash
# The font commands of zarnres for Linux (FreeType, fontconfig) and of
# zarnres.exe under Wine (GDI), given the same free font file: the same texts,
# the installed families listed by both, a family chosen by name on Windows
# drawn as its file is, and a GB2312 16X16 library whose glyphs overlap the
# Linux one's (dots in both over dots in either, glyph by glyph). Prints the
# overlap's median, 5th percentile and minimum and the time of both programs.
# Usage: fonts_both_systems.sh LINUX_ZARNRES WINDOWS_ZARNRES_EXE FONT_FILE FAMILY
set -u
linux=$(realpath "$1")
windows=$(realpath "$2")
font=$3
family=$4
wine=${WINE:-wine}
work=$(mktemp -d /tmp/zarn-fonts-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/linux" "$work/windows" "$work/named"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# run SIDE ARGS...: one command in the side's folder, its output in SIDE.out and
# SIDE.err (CR LF and Windows' backslashes made Linux's), its status in $status.
run() {
    local side=$1
    shift
    if [ "$side" = linux ]; then
        (cd "$work/linux" && "$linux" "$@" >../linux.out 2>../linux.err)
    else
        (cd "$work/$side" && "$wine" "$windows" "$@" >../$side.out 2>../$side.err)
    fi
    status=$?
    sed -i 's/\r$//; s/\\/\//g' "$work/$side.out" "$work/$side.err"
}

# The same library from the same file, and the same words about it.
t0=$(now)
run linux font "$font" --type gb2312 --size 16x16 -o out
t1=$(now)
[ $status -eq 0 ] || fail "Linux zarnres font: status $status: $(cat "$work/linux.err")"
run windows font "Z:$font" --type gb2312 --size 16x16 -o out
t2=$(now)
[ $status -eq 0 ] || fail "Windows zarnres font: status $status: $(cat "$work/windows.err")"
cmp -s "$work/linux.out" "$work/windows.out" || fail "font: different texts: $(cat "$work/linux.out") / $(cat "$work/windows.out")"
# What Wine takes to start a program, as a yardstick for the time above.
run windows --version
t3=$(now)
# An installed family by its name: GDI draws the font it has from that file.
run named font "$family" --type gb2312 --size 16x16 -o out
[ $status -eq 0 ] || fail "Windows zarnres font \"$family\": status $status: $(cat "$work/named.err")"
cmp -s "$work/windows/out/16X16.hzk" "$work/named/out/16X16.hzk" || fail "the family by name differs from its file"
# Both list the family, and refuse a name no font bears with the same words.
for side in linux windows; do
    run $side fonts
    grep -qx "$family" "$work/$side.out" || fail "zarnres fonts on $side does not list $family"
    run $side font "No Such Family" --type ascii --size 8x16
    [ $status -eq 1 ] || fail "zarnres font \"No Such Family\" on $side: status $status"
    mv "$work/$side.err" "$work/$side.refused"
done
cmp -s "$work/linux.refused" "$work/windows.refused" || fail "different refusals: $(cat "$work/linux.refused") / $(cat "$work/windows.refused")"
# The preview sheet is the core's: the same picture from the same library.
for side in linux windows; do
    cp "$work/linux/out/16X16.hzk" "$work/$side/same.hzk"
    run $side font-preview same.hzk --size 16x16 --count 300 -o sheet.bmp
done
cmp -s "$work/linux.out" "$work/windows.out" || fail "font-preview: different texts"
cmp -s "$work/linux/sheet.bmp" "$work/windows/sheet.bmp" || fail "font-preview: different sheets"

# Glyph by glyph: dots in both over dots in either, for glyphs with ink on either side.
stats=$(paste -d' ' <(od -An -v -tu1 -w32 "$work/linux/out/16X16.hzk") <(od -An -v -tu1 -w32 "$work/windows/out/16X16.hzk") | awk '
BEGIN { for (v = 0; v < 256; ++v) { c = 0; for (x = v; x; x = int(x / 2)) c += x % 2; ones[v] = c } }
{
    both = 0; either = 0
    for (i = 1; i <= 32; ++i) {
        a = $i; b = $(i + 32); common = 0
        for (bit = 1; bit < 256; bit *= 2)
            if (int(a / bit) % 2 && int(b / bit) % 2)
                common += bit
        both += ones[common]; either += ones[a] + ones[b] - ones[common]
    }
    if (either > 0) { ++glyphs; ++count[int(1000 * both / either + 0.5)]; same += both == either }
}
END {
    for (k = 0; k <= 1000; ++k) {
        if (!count[k]) continue
        if (min == "") min = k
        seen += count[k]
        if (p5 == "" && seen >= glyphs * 0.05) p5 = k
        if (median == "" && seen >= glyphs * 0.5) median = k
    }
    printf "%d %d %.3f %.3f %.3f\n", glyphs, same, median / 1000, p5 / 1000, min / 1000
}')
read -r glyphs same median p5 min <<<"$stats"
echo "GB2312 16X16 from $(basename "$font"): $glyphs glyphs, $same the same dots on both systems;" \
    "overlap median $median, 5th percentile $p5, minimum $min;" \
    "Linux $(elapsed "$t0" "$t1") s, Windows under Wine $(elapsed "$t1" "$t2") s" \
    "(a program that does nothing: $(elapsed "$t2" "$t3") s)"
[ "${glyphs:-0}" -ge 7000 ] || fail "only ${glyphs:-0} glyphs with dots"
awk -v m="${median:-0}" -v p="${p5:-0}" 'BEGIN { exit !(m >= 0.95 && p >= 0.85) }' \
    || fail "the glyphs overlap too little (median ${median:-?}, 5th percentile ${p5:-?})"

echo "$failures failures"
[ $failures -eq 0 ]
