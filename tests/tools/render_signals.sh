#!/usr/bin/env bash
# render_signals.sh TOOL SCENE DIR MODE
# A frame range rendered by several processes (--jobs), stopped from
# outside as a user stops it, checked from outside:
#   ctrl_c       Ctrl-C as a terminal sends it (to the whole process group),
#                at several moments: the run is cancelled with one message
#   twice        Ctrl-C twice: the run ends at once
#   term         SIGTERM to the tool: the run ends at once
#   share_fails  frames cannot be written: each one's error is told once,
#                and the processes stop without another word
# Every run ends with every process of it gone and no unfinished file
# (OUT_NNNN.png.part-PID-N) left behind.
set -u
tool=$1 scene=$2 dir=$3 mode=$4
set -m  # background runs in process groups of their own, as a shell's jobs
failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}

# Starts a run of FRAMES into $dir/run; its pid in $pid.
start() {
  rm -rf "$dir/run"
  mkdir -p "$dir/run"
  "$tool" render "$scene" --frames "$1" --jobs 3 -o "$dir/run/f.png" \
    > "$dir/run/out.txt" 2> "$dir/run/err.txt" &
  pid=$!
}
# Waits for the run's first frame to be written.
first_frame() {
  local tries=0
  while ! grep -qs '^frame' "$dir/run/out.txt" && [ $tries -lt 1200 ]; do
    sleep 0.05
    tries=$((tries + 1))
  done
}
# The checks every run ends with: what it did is in $status and err.txt.
ended_clean() {
  local what=$1
  # The processes a signal ended are gone once they have exited: on a busy
  # machine that can take a moment, so wait for it (at most 10 s).
  local tries=0
  while pgrep -f -- "$dir/run/f.png" > /dev/null && [ $tries -lt 200 ]; do
    sleep 0.05
    tries=$((tries + 1))
  done
  if pgrep -f -- "$dir/run/f.png" > /dev/null; then
    fail "$what: processes left: $(pgrep -a -f -- "$dir/run/f.png")"
    pkill -KILL -f -- "$dir/run/f.png"
  fi
  local parts
  parts=$(find "$dir/run" -name '*.part-*')
  [ -z "$parts" ] || fail "$what: unfinished files left: $parts"
  if grep -E 'did not give back|Sanitizer|runtime error' "$dir/run/err.txt"; then
    fail "$what: see above"
  fi
}

case $mode in
  ctrl_c)
    for pause in 0 0.05 0.1 0.2 0.3 0.5; do
      start 0..2000
      first_frame
      sleep $pause
      kill -INT -- -$pid
      wait $pid
      status=$?
      [ $status = 130 ] || fail "Ctrl-C after $pause s: status $status, not 130"
      if ! grep -Eq '^tarvolk-host render: cancelled; [0-9]+ of 2001 frames were written$' \
             "$dir/run/err.txt" || [ "$(wc -l < "$dir/run/err.txt")" != 1 ]; then
        fail "Ctrl-C after $pause s: not one message: $(cat "$dir/run/err.txt")"
      fi
      ended_clean "Ctrl-C after $pause s"
    done
    ;;
  twice)
    for pause in 0 0.1 0.3; do
      start 0..2000
      first_frame
      kill -INT -- -$pid
      sleep $pause
      kill -INT -- -$pid
      wait $pid
      status=$?
      # Ended by the first Ctrl-C already, or by the second at once: 130
      # either way.
      [ $status = 130 ] || fail "Ctrl-C twice: status $status, not 130"
      ended_clean "Ctrl-C twice, $pause s apart"
    done
    ;;
  term)
    for pause in 0 0.2; do
      start 0..2000
      first_frame
      sleep $pause
      kill -TERM $pid
      wait $pid
      status=$?
      [ $status = 143 ] || fail "SIGTERM: status $status, not 143 (ended by the signal)"
      ended_clean "SIGTERM after $pause s"
    done
    ;;
  share_fails)
    rm -rf "$dir/run"
    mkdir -p "$dir/run"
    "$tool" render "$scene" --frames 0..40 --jobs 3 -o "$dir/run/missing/f.png" \
      > "$dir/run/out.txt" 2> "$dir/run/err.txt"
    status=$?
    [ $status = 1 ] || fail "a share fails: status $status, not 1"
    # Each frame that could not be written, once: a process has up to three
    # frames in its writers' hands when the first fails.
    lines=$(wc -l < "$dir/run/err.txt")
    other=$(grep -cv 'tarvolk-host render: .*/missing/f_00[0-9][0-9]\.png: No such file or directory$' \
              "$dir/run/err.txt")
    twice=$(sort "$dir/run/err.txt" | uniq -d)
    if [ "$lines" -lt 1 ] || [ "$lines" -gt 9 ] || [ "$other" != 0 ] || [ -n "$twice" ]; then
      fail "a share fails: not each error once ($lines lines, $other others): $(cat "$dir/run/err.txt")"
    fi
    ended_clean "a share fails"
    ;;
esac
exit $failed
