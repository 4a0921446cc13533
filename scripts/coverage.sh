#!/usr/bin/env bash
# Line and branch coverage of the production code (everything outside tests/
# and bench/) by the whole test suite: builds with gcc's --coverage in
# build-coverage/, runs every test, and prints gcovr's plain line and branch
# figures, overall and per top-level folder. The full report per file is left
# in build-coverage/coverage.txt. Not run by CI.
#   scripts/coverage.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh gcovr
build_dir=build-coverage
# Atomic counters: a frame runs on several threads, and counts they raise at
# once would come out wrong, even negative, which gcov cannot report.
flags="--coverage -fprofile-update=atomic"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DTARVOLK_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage
cmake --build "$build_dir" -j "$(nproc)"

# Counts left by an earlier run, or by the test discovery of this build,
# would add to this run's.
find "$build_dir" -name '*.gcda' -delete
tests_status=0
(cd "$build_dir" && ctest --output-on-failure -j "$(nproc)") || tests_status=$?

# gcovr's default counting (every branch gcc emits, exception paths too), so
# that figures stay comparable from one run to the next. A process forked
# while another thread is inside a function (render --jobs) can leave a
# count gcov derives as -1; that one branch is left out, with a warning.
gcovr --root . --object-directory "$build_dir" -j "$(nproc)" --gcov-ignore-parse-errors \
  --exclude-directories "$build_dir/CMakeFiles" \
  --exclude 'tests/' --exclude 'bench/' --exclude 'build[^/]*/' \
  --txt "$build_dir/coverage.txt" --json-summary "$build_dir/coverage.json"

python3 - "$build_dir/coverage.json" <<'EOF'
import collections
import json
import sys

summary = json.load(open(sys.argv[1]))
folders = collections.defaultdict(lambda: [0, 0, 0, 0])
for f in summary["files"]:
    folder = f["filename"].split("/")[0] if "/" in f["filename"] else "."
    counts = folders[folder]
    counts[0] += f["line_covered"]
    counts[1] += f["line_total"]
    counts[2] += f["branch_covered"]
    counts[3] += f["branch_total"]


def share(covered, total):
    percent = f"{100.0 * covered / total:5.1f} %" if total else "    - "
    return f"{percent} {covered:>7,}/{total:<7,}"


print(f"{'':16} {'lines':<23} branches")
for folder in sorted(folders):
    lc, lt, bc, bt = folders[folder]
    print(f"{folder + '/':16} {share(lc, lt)} {share(bc, bt)}")
print(f"{'total':16} {share(summary['line_covered'], summary['line_total'])} "
      f"{share(summary['branch_covered'], summary['branch_total'])}")
EOF

if [ "$tests_status" -ne 0 ]; then
  echo "coverage.sh: some tests failed (ctest exit status $tests_status); the figures count the run as it went" >&2
fi
exit "$tests_status"
