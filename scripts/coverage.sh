#!/usr/bin/env bash
# Line and branch coverage of src/ by the whole host test suite, measured
# with clang's source-based coverage (preset "coverage"): builds, runs
# every test but the Wine ones (they run cross-built executables, whose
# coverage the Windows layer's own figures would need), merges the
# profiles of every process, prints the figures per file and in total,
# and fails when the total is below a floor.
#
#   bash scripts/coverage.sh            # build, test, report, check
#   bash scripts/coverage.sh --no-run   # report on the last run's profiles
#
# Figures and floor cover src/ without src/platform/win32 and src/app/win32, which the host
# cannot build; the lines named below are left out of both. The settings
# below can be overridden from the environment, for instance
#   COVERAGE_EXCLUDED_FILES='^src/(platform/win32|check)/' \
#     bash scripts/coverage.sh --no-run
set -euo pipefail
cd "$(dirname "$0")/.."

# ---------------------------------------------------------------- settings
# The floors, in percent; the run fails below either, and CI runs this.
# The suite reaches lines 99.2%, branches 92.9%: a change that leaves
# much code untested shows. (Branches of a template count once for each
# type it is made for, and the checker's typed key rows make many.)
LINE_FLOOR=${LINE_FLOOR:-98}
BRANCH_FLOOR=${BRANCH_FLOOR:-92}
# What is measured: files under src/ whose path matches none of this.
EXCLUDED_FILES=${COVERAGE_EXCLUDED_FILES:-'^src/(platform|app)/win32/'}

# Lines no host test can reach: "file|anchor|offset|count|why" names
# `count` lines from `offset` lines below the one line of `file` that reads
# `anchor` in whole. When the anchor changes or goes, the script fails
# until the lines are named anew.
UNREACHABLE=(
  "src/regstore/TreeRegistry.cpp|    if (handle == kLocalMachine) handle = next_handle_++;|0|1|the handle counter reaches the value of HKEY_LOCAL_MACHINE only after 2^31 keys were opened in one run"
  "src/platform/posix/StorePlace.cpp|      if (static_cast<std::size_t>(n) >= target.size()) {|0|2|Linux refuses link targets of PATH_MAX bytes or more, so readlink never fills the buffer"
  "src/regstore/RegParse.cpp|      return ParseHexBytes(body.substr(close + 2), data);|3|1|follows a switch whose every case returns"
  "src/regstore/RegSyntax.h|  return {};|0|1|every data form has a spelling in the table above it"
  "src/regstore/Utf.cpp|  for (char16_t c : text) {|0|3|the byte order of a big-endian host; the hosts that build and test are little-endian"
  "src/platform/posix/Cabinet.cpp|  const bool made =|1|10|libgcab fails on one file in one folder written to memory only when memory runs out, and GLib ends the process then"
  "src/config/LineReader.cpp|  if (needed < count) return false;  // beyond what any memory holds|0|1|a line and a chunk whose lengths add up past SIZE_MAX would not fit in memory"
)
# Lines that hold only a closing brace are not counted either: they hold
# no statement, and the one after a return or break shows as never run.
# ---------------------------------------------------------------- run

build=build/coverage
profiles=$build/profiles

# The LLVM tools of clang's own version: a profile is read only by them.
llvm_tool() {
  local major
  major=$(clang++ -dumpversion | cut -d. -f1)
  if command -v "$1-$major" >/dev/null; then echo "$1-$major"; else echo "$1"; fi
}
profdata=$(llvm_tool llvm-profdata)
cov=$(llvm_tool llvm-cov)

if [ "${1:-}" != "--no-run" ]; then
  cmake --preset coverage >/dev/null
  cmake --build --preset coverage
  rm -rf "$profiles"
  mkdir -p "$profiles"
  # The preset's LLVM_PROFILE_FILE pools each program's profiles in four
  # files that every process of it merges into.
  ctest --preset coverage
fi

"$profdata" merge -sparse "$profiles"/*.profraw -o "$build/coverage.profdata"

# Every instrumented program the tests ran: the test executables, and the
# installer, checker and out-of-memory build that they start.
objects=()
while IFS= read -r exe; do
  objects+=(-object "$exe")
done < <(find "$build" -type f -perm -u+x -not -path '*/CMakeFiles/*' \
           -exec sh -c 'head -c 4 "$1" | grep -q "ELF" && echo "$1"' _ {} \;)

# Functions that a header defines but a program never uses have no counts
# there; llvm-cov warns of them as "mismatched data", which is harmless.
"$cov" export -format=lcov -instr-profile="$build/coverage.profdata" \
  "${objects[@]}" 2>/dev/null >"$build/coverage.lcov"

# The named lines, as "file:line" for the tally below.
skip=$(mktemp)
trap 'rm -f "$skip"' EXIT
for entry in "${UNREACHABLE[@]}"; do
  IFS='|' read -r file anchor offset count why <<<"$entry"
  found=$(grep -nxF -- "$anchor" "$file" | cut -d: -f1 || true)
  if [ "$(echo "$found" | grep -c .)" -ne 1 ]; then
    echo "coverage: \"$anchor\" is not a line of $file, or not the only one;" \
         "name the unreachable lines anew in scripts/coverage.sh" >&2
    exit 1
  fi
  for (( i = 0; i < count; i++ )); do
    echo "$file:$(( found + offset + i ))" >>"$skip"
  done
done

awk -v root="$PWD/" -v excluded="$EXCLUDED_FILES" \
    -v line_floor="$LINE_FLOOR" -v branch_floor="$BRANCH_FLOOR" '
  FNR == NR { skip[$0] = 1; next }
  /^SF:/ {
    path = substr($0, 4)
    file = path
    if (index(file, root) == 1) file = substr(file, length(root) + 1)
    keep = file ~ /^src\// && file !~ excluded
    if (keep) {
      files[file] = 1
      n = 0
      delete brace
      while ((getline text < path) > 0) {
        if (text ~ /^[ \t]*}[ \t;]*$/) brace[n + 1] = 1
        n++
      }
      close(path)
    }
    next
  }
  !keep { next }
  /^DA:/ {
    split(substr($0, 4), f, ",")
    if ((file ":" f[1]) in skip) { skipped++; next }
    if (f[1] in brace) next
    lines[file]++; total_lines++
    if (f[2] > 0) { hit[file]++; total_hit++ }
    next
  }
  /^BRDA:/ {
    split(substr($0, 6), f, ",")
    if ((file ":" f[1]) in skip) next
    branches[file]++; total_branches++
    if (f[4] != "-" && f[4] > 0) { taken[file]++; total_taken++ }
  }
  function pct(a, b) { return b == 0 ? 100 : 100 * a / b }
  END {
    printf "%-42s %15s %8s %15s %8s\n", "file", "lines", "", "branches", ""
    n = asorti_files()
    for (i = 1; i <= n; i++) {
      name = order[i]
      printf "%-42s %7d/%-7d %7.2f%% %7d/%-7d %7.2f%%\n", name, hit[name],
        lines[name], pct(hit[name], lines[name]), taken[name], branches[name],
        pct(taken[name], branches[name])
    }
    lp = pct(total_hit, total_lines); bp = pct(total_taken, total_branches)
    printf "%-42s %7d/%-7d %7.2f%% %7d/%-7d %7.2f%%\n", "TOTAL", total_hit,
      total_lines, lp, total_taken, total_branches, bp
    printf "(%d unreachable lines left out; floors: lines %.1f%%, branches %.1f%%)\n",
      skipped, line_floor, branch_floor
    if (lp + 1e-9 < line_floor || bp + 1e-9 < branch_floor) {
      print "coverage: below the floor" > "/dev/stderr"
      exit 1
    }
  }
  # Sorts the file names (mawk has no asorti).
  function asorti_files(   name, i, j, t, n) {
    n = 0
    for (name in files) order[++n] = name
    for (i = 2; i <= n; i++) {
      t = order[i]
      for (j = i - 1; j >= 1 && order[j] > t; j--) order[j + 1] = order[j]
      order[j + 1] = t
    }
    return n
  }
' "$skip" "$build/coverage.lcov"
