#!/bin/bash
# The real zarnres against what a user's machine does to it: killed at every
# writing system call of a change (strace fault injection) and at random
# moments, two programs changing one file at once, and named pipes or devices
# where files belong. A resource file must afterwards be the complete old file
# or the complete new one, every byte of it, and nothing may hang.
# Usage: resource_file_faults.sh ZARNRES
set -u
Z=$1
work=$(mktemp -d /tmp/zarn-faults-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A 16 MiB file holding a dozen items of different sizes.
"$Z" new base.zrf --model 12 --size 32M >/dev/null || exit 1
for i in $(seq 1 12); do
    head -c $((i * 97000 + i * 13)) /dev/urandom >s$i.wav
    "$Z" add base.zrf s$i.wav >/dev/null || exit 1
done
head -c 900000 /dev/urandom >big.wav
ops=("add t.zrf big.wav --after 5" "delete t.zrf 0")
for k in 0 1; do
    cp base.zrf t.zrf
    "$Z" ${ops[k]} >/dev/null || exit 1
    cp t.zrf new$k.zrf
done

# old, new or damaged: what t.zrf is after an attempt at change $1.
outcome() {
    if cmp -s t.zrf base.zrf; then echo old; elif cmp -s t.zrf new$1.zrf; then echo new; else echo damaged; fi
}
no_temporaries_after_next_change() {
    cp base.zrf t.zrf
    "$Z" ${ops[$1]} >/dev/null || fail "${ops[$1]} after the kills"
    leftover=$(ls -A | grep -c '^\.t\.zrf\.tmp-')
    [ "$leftover" -eq 0 ] || fail "${ops[$1]}: $leftover temporary files left after a change"
}

# 1. Killed at the N-th call of each writing system call, every N until the command completes.
if strace -f -qq -o /dev/null true 2>/dev/null; then
    for k in 0 1; do
        kills=0
        for call in openat pwrite64 write fsync fchown fchmod flock linkat rename; do
            n=1
            while :; do
                cp base.zrf t.zrf
                # (The leak checker of a sanitizer build cannot work under ptrace.)
                { ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" strace -f -qq -o /dev/null -e trace=$call \
                    -e inject=$call:signal=KILL:when=$n "$Z" ${ops[k]} >/dev/null 2>err; } 2>/dev/null
                status=$?
                [ "$(outcome $k)" = damaged ] && fail "${ops[k]} killed at $call #$n: the file is damaged"
                [ $status -eq 0 ] && break
                [ $status -eq 137 ] || { fail "${ops[k]} under $call #$n: status $status: $(cat err)"; break; }
                kills=$((kills + 1))
                n=$((n + 1))
                [ $n -gt 300 ] && { fail "${ops[k]} never completed under $call injection"; break; }
            done
        done
        echo "${ops[k]}: killed at $kills system calls"
        no_temporaries_after_next_change $k
        # Killed between naming its new file and the rename: the new file is left
        # beside the old one, whole, until the next command that opens the file,
        # one that only reads included.
        cp base.zrf t.zrf
        { strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 -e inject=rename,renameat,renameat2:signal=KILL \
            "$Z" ${ops[k]} >/dev/null 2>&1; } 2>/dev/null
        left=$(ls -A | grep -c '^\.t\.zrf\.tmp-')
        [ "$left" -ge 1 ] || fail "${ops[k]} killed at its rename left no temporary file to remove"
        for reader in "list t.zrf" "check t.zrf" "info t.zrf"; do
            [ "$left" -ge 1 ] || break
            "$Z" $reader >/dev/null || fail "$reader after a killed change"
            left=$(ls -A | grep -c '^\.t\.zrf\.tmp-')
            [ "$left" -eq 0 ] || fail "$reader left $left temporary files of a killed change"
            cp base.zrf t.zrf
            { strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 -e inject=rename,renameat,renameat2:signal=KILL \
                "$Z" ${ops[k]} >/dev/null 2>&1; } 2>/dev/null
            left=$(ls -A | grep -c '^\.t\.zrf\.tmp-')
        done
        [ "$(outcome $k)" = old ] || fail "${ops[k]} killed at its rename did not leave the old file"
        rm -f .t.zrf.tmp-*
    done
else
    echo "SKIP: strace cannot trace here; the random kills below still run"
fi

# 2. Killed by a signal at a random moment of the command's run (as long as it
# takes on this machine now).
for k in 0 1; do
    cp base.zrf t.zrf
    start=$(date +%s%N)
    "$Z" ${ops[k]} >/dev/null
    span=$((($(date +%s%N) - start) / 1000000 + 1))
    for signal in KILL TERM INT; do
        old=0 new=0
        for r in $(seq 1 40); do
            cp base.zrf t.zrf
            ms=$((RANDOM % span + 1)) # never 0: that would mean no time limit
            delay=$(printf "%d.%03d" $((ms / 1000)) $((ms % 1000)))
            { timeout -s $signal "$delay" "$Z" ${ops[k]} >/dev/null 2>&1; } 2>/dev/null
            case $(outcome $k) in
            old) old=$((old + 1)) ;;
            new) new=$((new + 1)) ;;
            *) fail "${ops[k]} after SIG$signal: the file is damaged" ;;
            esac
        done
        echo "${ops[k]}, SIG$signal at random within ${span} ms: $old old, $new new"
    done
    no_temporaries_after_next_change $k
done

# 3. Two writers at once: both changes land, or one is refused with its text; nothing is lost.
"$Z" new c0.zrf >/dev/null
for i in 1 2 3 4 5; do head -c $((i * 1000 + 7)) /dev/urandom >c$i.wav && "$Z" add c0.zrf c$i.wav >/dev/null; done
head -c 3333 /dev/urandom >a.wav
head -c 4444 /dev/urandom >b.wav
# Prints the items' lengths in order, after checking each item's bytes against its source.
items() {
    local row=0 length
    for length in $("$Z" list c.zrf --json | grep -o '"length": [0-9]*' | grep -o '[0-9]*$'); do
        "$Z" extract c.zrf $row item.bin --raw >/dev/null
        source=$(for f in c?.wav a.wav b.wav; do [ "$(stat -c %s $f)" = "$length" ] && echo $f; done)
        cmp -s item.bin "$source" || fail "item $row ($length bytes) does not hold its data"
        printf '%s ' "$length"
        row=$((row + 1))
    done
}
both=0 refused=0
for r in $(seq 1 30); do
    cp c0.zrf c.zrf
    "$Z" add c.zrf a.wav --after 1 >/dev/null 2>err1 &
    "$Z" add c.zrf b.wav --after 1 >/dev/null 2>err2 &
    wait %1; s1=$?
    wait %2; s2=$?
    got=$(items)
    for pair in "$s1 3333 err1" "$s2 4444 err2"; do
        set -- $pair
        if [ "$1" -eq 0 ]; then
            [[ " $got" == *" $2 "* ]] || fail "run $r: an add that said it succeeded is missing ($got)"
        else
            grep -q "is being changed by another program" "$3" || fail "run $r: refused without its text: $(cat "$3")"
            refused=$((refused + 1))
        fi
    done
    [ $s1 -eq 0 ] && [ $s2 -eq 0 ] && both=$((both + 1))
    for length in 1007 2007 3007 4007 5007; do
        [[ " $got" == *" $length "* ]] || fail "run $r: item of $length bytes lost ($got)"
    done
done
echo "two adds at once, 30 runs: both landed in $both, $refused refused with the busy text, nothing lost"
for r in $(seq 1 20); do
    cp c0.zrf c.zrf
    "$Z" delete c.zrf 0 >/dev/null 2>&1 &
    "$Z" delete c.zrf 0 >/dev/null 2>&1 &
    wait %1; s1=$?
    wait %2; s2=$?
    deleted=$(((s1 == 0) + (s2 == 0)))
    expected=$(echo "1007 2007 3007 4007 5007 " | cut -d' ' -f$((deleted + 1))-)
    [ "$(items)" = "$expected" ] || fail "two deletes, run $r: $(items) instead of $expected"
done
echo "two deletes at once, 20 runs: each deletion that said so took effect, no other item lost"

# 4. Named pipes and devices are refused at once, as sources and as resource files.
mkfifo p.wav p.bmp p.png 8X16.asc p.zrf
ln -s /dev/zero z.wav
cp c0.zrf c.zrf
refused_quickly() {
    local start end status
    start=$(date +%s%N)
    timeout 5 "$Z" "$@" >/dev/null 2>out
    status=$?
    end=$(date +%s%N)
    [ $status -eq 1 ] || fail "zarnres $*: status $status instead of 1"
    [ $(((end - start) / 1000000)) -lt 1000 ] || fail "zarnres $*: took $(((end - start) / 1000000)) ms"
    grep -q "not a regular file" out || fail "zarnres $*: $(cat out)"
}
for source in p.wav p.bmp p.png 8X16.asc z.wav; do refused_quickly add c.zrf $source; done
for command in list check info extract program; do
    case $command in
    extract) refused_quickly extract p.zrf 0 out.bin ;;
    program) refused_quickly program p.zrf --device /dev/null ;;
    *) refused_quickly $command p.zrf ;;
    esac
done
refused_quickly add p.zrf c1.wav
refused_quickly list /dev/zero
cmp -s c.zrf c0.zrf || fail "a refused add changed the file"
echo "named pipes and devices: refused within a second"

[ $failures -eq 0 ] || { echo "$failures failures"; exit 1; }
