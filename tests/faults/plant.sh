#!/bin/bash
# Plants each fault of faults.txt in turn in a source tree, builds the named
# test binaries, runs them and records which tests fail; then restores the file.
# ("OROR" in faults.txt stands for a C++ "or", which would split the fields.)
# A binary named NAME-replay is a fuzz target, run as the suite runs it.
# Usage: plant.sh SOURCE_TREE BUILD_DIR [fault-id...]
src=$(realpath "$1"); build=$(realpath "$2"); shift 2
list="$(dirname "$0")/faults.txt"
bak=$(mktemp); log=$(mktemp)
trap 'rm -f "$bak" "$log"' EXIT
while IFS='|' read -r id file expr bins what; do
  [[ -z "$id" || "$id" == \#* ]] && continue
  if [[ $# -gt 0 ]] && ! printf '%s\n' "$@" | grep -qx "$id"; then continue; fi
  expr=${expr//OROR/||}
  cp "$src/$file" "$bak"
  sed -i -e "$expr" "$src/$file"
  if cmp -s "$src/$file" "$bak"; then echo "$id: NOT-APPLIED"; continue; fi
  if ! ninja -C "$build" $bins > "$log" 2>&1; then
    echo "$id: BUILD-FAILED"; cp "$bak" "$src/$file"; continue
  fi
  failed=""
  for b in $bins; do
    if [[ "$b" == *-replay ]]; then # a fuzz target's replay, as the suite runs it
      t="fuzz.${b%-replay}"
      ctest --test-dir "$build" -R "^$t\$" > /dev/null 2>&1 || failed+="$t "
      continue
    fi
    exe=$(find "$build/tests" -name "$b" -type f -executable | head -1)
    out=$(cd "$(dirname "$exe")" && QT_QPA_PLATFORM=offscreen timeout 600 "$exe" --gtest_brief=1 2>&1)
    rc=$?
    f=$(printf '%s\n' "$out" | sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_/.]*\).*/\1/p' | sort -u | tr '\n' ' ')
    [[ $rc -ne 0 && -z "$f" ]] && f="$b(crashed/timeout rc=$rc) "
    failed+="$f"
  done
  cp "$bak" "$src/$file"
  if [[ -n "$failed" ]]; then echo "$id: CAUGHT $failed"; else echo "$id: MISSED"; fi
done < "$list"
