#!/bin/sh
# expect_status.sh STATUS PATTERN COMMAND [ARG...]
# Runs the command; passes when it ends with STATUS and prints, on standard
# error, a message of under 1000 bytes that matches the extended regular
# expression PATTERN.
status=$1
pattern=$2
shift 2
message=$("$@" 2>&1 >/dev/null)
got=$?
printf '%s\n' "$message"
if [ "$got" != "$status" ]; then
  echo "ended with status $got, not $status"
  exit 1
fi
if [ ${#message} -ge 1000 ]; then
  echo "a message of ${#message} bytes"
  exit 1
fi
if ! printf '%s\n' "$message" | grep -Eq -- "$pattern"; then
  echo "no line matches: $pattern"
  exit 1
fi
