#!/bin/sh
# scene_fuzz.sh TOOL MUTANTS EXAMPLES_DIR WORK_DIR [ROUNDS] [FIRST]
#
# The fuzz test: mutants of the example scenes (written by MUTANTS, the
# scene_mutants program) through `tarvolk-host render` (its -o now and then
# a link to /dev/null or a directory), `outlines` and `panel`, four runs at
# a time. A run passes when it ends by itself within 300 s with status 0, 1
# or 2 and prints no sanitizer report, no raw exception text and no line
# over 300 characters (a message quotes only the start of a long value).
# ROUNDS defaults to TARVOLK_FUZZ_ROUNDS, else 300 (CI);
# 100000 makes a long run. Rounds are numbered from FIRST (1); a failing
# round's scene and messages stay in WORK_DIR, and that FIRST with 1 round
# repeats it.
set -u
forbidden='Sanitizer|runtime error:|terminate called|std::|what\(\):|bad_alloc|type_error|out_of_range|invalid_iterator'

if [ "$1" = --one ]; then
  # TOOL VERB SCENE: one run, judged in one line.
  tool=$2 verb=$3 scene=$4
  set --
  if [ "$verb" = render ]; then
    # Now and then a target that is no plain file: a link to /dev/null
    # (only the link is lost should the tool ever replace the target), a
    # directory.
    round=${scene##*_}
    case $((${round%.json} % 4)) in
      0) ln -sf /dev/null "$scene.png" ;;
      1) mkdir -p "$scene.png" ;;
    esac
    set -- -o "$scene.png"
  fi
  timeout -k 5 300 "$tool" "$verb" "$scene" "$@" > /dev/null 2> "$scene.$verb.txt"
  status=$?
  case $status in
    0|1|2) ;;
    124|137) echo "FAILED $verb $scene: no end within 300 s"; exit 0 ;;
    *) echo "FAILED $verb $scene: status $status"; exit 0 ;;
  esac
  if word=$(grep -Eo "$forbidden" "$scene.$verb.txt" | head -n 1) && [ -n "$word" ]; then
    echo "FAILED $verb $scene: printed $word"
    exit 0
  fi
  if long=$(awk 'length > 300 { print length; exit }' "$scene.$verb.txt") && [ -n "$long" ]; then
    echo "FAILED $verb $scene: printed a line of $long characters"
    exit 0
  fi
  rm -rf "$scene.$verb.txt" "$scene.png"
  echo "ended $status"
  exit 0
fi

tool=$1 mutants=$2 examples=$3 work=$4
rounds=${5:-${TARVOLK_FUZZ_ROUNDS:-300}}
first=${6:-1}
mkdir -p "$work" || exit 2
results="$work/results.txt"
: > "$results"
round=$first
end=$((first + rounds))
while [ "$round" -lt "$end" ]; do
  batch=$((end - round))
  [ "$batch" -gt 100 ] && batch=100
  "$mutants" "$examples" "$work" "$round" "$batch" || exit 2
  i=$round
  while [ "$i" -lt $((round + batch)) ]; do
    for verb in render outlines panel; do echo "$verb $work/round_$i.json"; done
    i=$((i + 1))
  done | xargs -P 4 -L 1 sh "$0" --one "$tool" >> "$results"
  # A scene whose runs all passed is not kept.
  for scene in "$work"/round_*.json; do
    ls "$scene".*.txt > /dev/null 2>&1 || rm -f "$scene"
  done
  round=$((round + batch))
done
grep '^FAILED' "$results"
failed=$(grep -c '^FAILED' "$results")
echo "$rounds rounds, $(wc -l < "$results") runs ($(grep -c '^ended 0' "$results") ended 0," \
  "$(grep -c '^ended 1' "$results") 1, $(grep -c '^ended 2' "$results") 2), $failed failed"
[ "$failed" -eq 0 ]
