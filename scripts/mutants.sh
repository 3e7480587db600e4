#!/usr/bin/env bash
# Mutation check: plants each bug of scripts/mutants/*.mutant in turn, rebuilds the affected
# library's tests in build/mutants, runs them with ctest -L, and reports whether the tests caught
# it. The source tree is restored after every mutant, also on Ctrl-C. Not part of test.sh.
#
#   scripts/mutants.sh                  every mutant
#   scripts/mutants.sh lens-*           the mutants whose file names match
#
# A mutant file holds four lines: "what: ", "file: ", "from: " and "to: ". "from" is exact
# text (a line or a fragment, "\n" for a line break) that occurs exactly once in the file; it is
# replaced by "to".
# A mutant whose text is missing or not unique is reported stale and not counted.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=build/mutants
jobs=${MUTANT_JOBS:-2}

# Which test labels a change to each library can break (the library and those built on it).
declare -A affected=([gdi]="gdi|dib|lens" [dib]="dib|lens" [lens]="lens")
# Tests that read none of a library's code, left out for its mutants: the table sweep (a minute
# of CPU) depends on lens/LookUpTableType.cpp alone.
declare -A unaffected=([gdi]="Sweep" [dib]="Sweep" [lens]="^$")

# The file being mutated and its pristine copy, restored on every way out.
current="" saved="$build/pristine"
restore() {
    if [[ -n $current ]]; then cp -p "$saved" "$current" && touch "$current"; current=""; fi
}
trap 'restore' EXIT
trap 'restore; echo; echo "interrupted"; exit 130' INT TERM

# A field's text; "\n" in it stands for a line break.
field() { local v; v=$(sed -n "s/^$1: //p" "$2" | head -n 1); printf '%s' "${v//\\n/$'\n'}"; }

mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUCIVANE_GUI=OFF -DLUCIVANE_BENCH=OFF \
    -DLUCIVANE_WERROR=OFF >"$build/configure.log" || { echo "configure failed"; exit 1; }
targets() { local t; for t in ${1//|/ }; do printf '%s_tests ' "$t"; done; }
build_and_test() {  # labels [excluded tests]
    cmake --build "$build" -j "$jobs" --target $(targets "$1") >"$build/build.log" 2>&1 || return 2
    (cd "$build" && ctest -L "^($1)\$" -E "${2:-^$}" -j "$jobs" --timeout 300 --stop-on-failure \
        >"$root/$build/test.log" 2>&1) || return 1
    return 0
}

echo "baseline: building and testing the unmutated tree"
build_and_test "gdi|dib|lens" || { echo "baseline fails: see $build/*.log"; exit 1; }

patterns=("${@:-*}")
caught=0 missed=0 stale=0 broken=0 missedList=()
for mutant in scripts/mutants/*.mutant; do
    name=$(basename "$mutant" .mutant)
    match=0
    for p in "${patterns[@]}"; do [[ $name == $p ]] && match=1; done
    ((match)) || continue
    file=$(field file "$mutant") from=$(field from "$mutant") to=$(field to "$mutant")
    what=$(field what "$mutant")
    lib=${file%%/*}
    labels=${affected[$lib]:-}
    text=""
    [[ -f $file ]] && text=$(cat "$file"; printf x) && text=${text%x}
    rest=${text#*"$from"}
    if [[ -z $labels || -z $from || $text != *"$from"* || $rest == *"$from"* ]]; then
        printf '%-8s %-28s %s\n' stale "$name" "$what"
        ((stale++))
        continue
    fi
    cp -p "$file" "$saved"
    current=$file
    printf '%s' "${text/"$from"/"$to"}" >"$file"
    build_and_test "$labels" "${unaffected[$lib]}"
    case $? in
        0) verdict=missed; ((missed++)); missedList+=("$name") ;;
        1) verdict=caught; ((caught++)) ;;
        *) verdict=broken; ((broken++)) ;;  # does not compile: fix the mutant
    esac
    restore
    printf '%-8s %-28s %s\n' "$verdict" "$name" "$what"
done

total=$((caught + missed))
echo "caught $caught of $total (stale $stale, not compiling $broken)"
((total > 0)) && echo "score: $((100 * caught / total)) %"
((${#missedList[@]})) && echo "missed: ${missedList[*]}"
exit 0
