#!/bin/bash
# Runs every case of a picture corpus (bench/picture_corpus) through a zarnres:
# a blank file of the case's model row, `zarnres add` of the picture with the
# case's options. Prints one line per case: the case, the exit status and the
# digests of standard output, standard error and the resulting file. Two builds
# made the same items when their lines are the same (diff them).
#
# Usage: bench/picture_identity.sh ZARNRES CORPUS_DIR [PATTERN]  > table.txt
set -u
zarnres=$1
corpus=$2
pattern=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for model in 1 2 3 4 5 6 7 8 9 10 11 12; do
  "$zarnres" new "$work/blank$model.zrf" --model "$model" >/dev/null
done
while IFS='|' read -r file model options; do
  [ -n "$pattern" ] && [[ "$file" != $pattern ]] && continue
  cp "$work/blank$model.zrf" "$work/t.zrf"
  [ "$options" = - ] && options=
  # shellcheck disable=SC2086
  "$zarnres" add "$work/t.zrf" "$corpus/$file" $options >"$work/out" 2>"$work/err"
  status=$?
  printf '%s|%s|%s|%s|%s|%s|%s\n' "$file" "$model" "${options:--}" "$status" \
    "$(md5sum <"$work/out" | cut -c1-12)" "$(md5sum <"$work/err" | cut -c1-12)" \
    "$(md5sum <"$work/t.zrf" | cut -c1-12)"
done <"$corpus/cases.txt"
