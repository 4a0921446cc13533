#!/bin/sh
# output_targets.sh TOOL SCENE DIR
# `tarvolk-host render -o` to targets that are not plain files, checked from
# outside: a symbolic link is followed (and stays a link), a named pipe and a
# device are written to as they are (and stay what they were), a directory
# is an error; nothing is ever left beside a target. Device nodes are made
# in DIR when the system allows it (as root), so that a fault could only
# ever replace those; otherwise /dev/null itself, which a normal user cannot
# replace.
set -u
tool=$1 scene=$2 dir=$3
rm -rf "$dir"
mkdir -p "$dir"
failed=0
check() {  # DESCRIPTION CONDITION...
  what=$1
  shift
  if ! "$@"; then
    echo "FAILED: $what"
    failed=1
  fi
}
is_png() { [ "$(head -c 8 "$1" | od -An -c | tr -d ' ')" = '211PNG\r\n032\n' ]; }
render() {  # TARGET: the status, stderr in $dir/error.txt
  "$tool" render "$scene" --downsample 8 -o "$1" > /dev/null 2> "$dir/error.txt"
}

# A link to a file: the file is replaced, the link stays.
echo old > "$dir/real.png"
ln -s real.png "$dir/link.png"
render "$dir/link.png"
check "link: status 0" [ $? = 0 ]
check "link: still a link" [ -L "$dir/link.png" ]
check "link: the file it names is the PNG" is_png "$dir/real.png"

# A link to no file yet: the file is made where it points.
mkdir "$dir/sub"
ln -s sub/made.png "$dir/dangling.png"
render "$dir/dangling.png"
check "dangling link: status 0" [ $? = 0 ]
check "dangling link: still a link" [ -L "$dir/dangling.png" ]
check "dangling link: the file is made" is_png "$dir/sub/made.png"

# Links in a circle name no file: an error, and the links stay.
ln -s loop_b "$dir/loop_a"
ln -s loop_a "$dir/loop_b"
render "$dir/loop_a"
check "links in a circle: status 1" [ $? = 1 ]
check "links in a circle: says so" grep -q "loop_a: Too many levels of symbolic links$" \
  "$dir/error.txt"
check "links in a circle: still a link" [ -L "$dir/loop_a" ]

# A named pipe with a reader: the PNG goes through it.
mkfifo "$dir/pipe"
cat "$dir/pipe" > "$dir/from_pipe" &
reader=$!
render "$dir/pipe"
check "pipe: status 0" [ $? = 0 ]
[ -p "$dir/pipe" ] || kill $reader  # replaced: the reader would wait for ever
wait $reader
check "pipe: still a pipe" [ -p "$dir/pipe" ]
check "pipe: the reader got the PNG" is_png "$dir/from_pipe"

# A device: /dev/null takes the PNG; /dev/full refuses it, which is an error.
if mknod "$dir/null" c 1 3 2> /dev/null && mknod "$dir/full" c 1 7 2> /dev/null; then
  null=$dir/null full=$dir/full
else
  null=/dev/null full=
fi
render "$null"
check "null device: status 0" [ $? = 0 ]
check "null device: still a device" [ -c "$null" ]
ln -s "$null" "$dir/to_null"
render "$dir/to_null"
check "link to the null device: status 0" [ $? = 0 ]
check "link to the null device: still a link" [ -L "$dir/to_null" ]
check "null device: still a device after the link" [ -c "$null" ]
if [ -n "$full" ]; then
  render "$full"
  check "full device: status 1" [ $? = 1 ]
  check "full device: says so" grep -q "^tarvolk-host render: .*/full: No space left on device$" \
    "$dir/error.txt"
  check "full device: in one message" [ "$(wc -l < "$dir/error.txt")" = 1 ]
  check "full device: still a device" [ -c "$full" ]
fi

# A directory is no file to write.
render "$dir/sub"
check "directory: status 1" [ $? = 1 ]
check "directory: says so" grep -q "tarvolk-host render: .*/sub: Is a directory" "$dir/error.txt"

leftovers=$(find "$dir" -name '*.part-*')
check "nothing left beside a target: $leftovers" [ -z "$leftovers" ]
exit $failed
