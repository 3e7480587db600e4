#!/usr/bin/env bash
# Mutation check: plants each bug of scripts/mutants/*.mutant in turn, rebuilds the tests of the
# mutated library and of what is built on it in build/mutants, runs them with ctest -L, and
# reports whether the tests caught it. The source tree is restored after every mutant, also on
# Ctrl-C. Not part of test.sh.
#
#   scripts/mutants.sh                  every mutant
#   scripts/mutants.sh 'lens-*' app-*   the mutants whose file names match
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

# The test labels a change to each library (its folder, the mutant's file-name prefix) can break:
# its own and those of what is built on it. The Qt-free libraries are judged by the Qt-free tests
# (they are what pins them down; the GUI tests would add minutes per mutant). app is the program.
declare -A affected=(
    [gdi]="gdi dib lens" [dib]="dib lens" [lens]="lens"
    [platform]="platform clipboard lenswindow promobar panel e2e wayland install"
    [lenswindow]="lenswindow panel e2e wayland install"
    [promobar]="promobar panel e2e wayland install"
    [panel]="panel e2e wayland install"
    [app]="e2e wayland install")
# What to build for each label: its test executable and the programs its tests start.
declare -A targets=(
    [gdi]=gdi_tests [dib]=dib_tests [lens]=lens_tests [platform]=platform_tests
    [clipboard]=clipboard_tests [lenswindow]=lenswindow_tests [panel]=panel_tests
    [promobar]=promobar_tests [e2e]=e2e_tests [wayland]="wayland_e2e_tests virtual_pointer"
    [install]="install_tests lucivane")
# Tests that read none of a mutant's code: the table sweep (a minute of CPU) reads
# lens/LookUpTableType.cpp alone; the package checks look at packaging, and cpack would build
# every target first.
skip='install\.(desktop_entry_valid|tree|make_package|debian_.*)'
declare -A unaffected=([gdi]="Sweep" [dib]="Sweep")
qtFree=" gdi dib lens "

# The file being mutated and its pristine copy, restored on every way out.
current="" saved="$build/pristine"
restore() {
    if [[ -n $current ]]; then cp -p "$saved" "$current" && touch "$current"; current=""; fi
}
trap 'restore' EXIT
trap 'restore; echo; echo "interrupted"; exit 130' INT TERM

# A field's text; "\n" in it stands for a line break.
field() { local v; v=$(sed -n "s/^$1: //p" "$2" | head -n 1); printf '%s' "${v//\\n/$'\n'}"; }
library() { local f; f=$(field file "$1"); printf '%s' "${f%%/*}"; }

# The chosen mutants, and every label they need.
patterns=("${@:-*}")
chosen=() all="" gui=OFF
for mutant in scripts/mutants/*.mutant; do
    name=$(basename "$mutant" .mutant)
    for p in "${patterns[@]}"; do
        if [[ $name == $p ]]; then
            chosen+=("$mutant")
            lib=$(library "$mutant")
            all+=" ${affected[$lib]:-}"
            [[ $qtFree != *" $lib "* ]] && gui=ON
            break
        fi
    done
done
((${#chosen[@]})) || { echo "no mutant matches ${patterns[*]}"; exit 1; }

mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUCIVANE_GUI=$gui -DLUCIVANE_BENCH=OFF \
    -DLUCIVANE_WERROR=OFF >"$build/configure.log" || { echo "configure failed"; exit 1; }
build_and_test() {  # "labels" [excluded tests]
    local label t=() regex
    for label in $1; do t+=(${targets[$label]}); done
    cmake --build "$build" -j "$jobs" --target "${t[@]}" >"$build/build.log" 2>&1 || return 2
    # The Wayland session test carries no label: it is chosen by name.
    local labels=" $1 " select=()
    [[ $labels == *" wayland "* ]] && select=(-R '^wayland\.') && labels=${labels/ wayland / }
    regex="^($(echo $labels | tr ' ' '|'))\$"
    (cd "$build" && ctest -L "$regex" -E "${2:-$skip}" -j "$jobs" --timeout 300 \
        --stop-on-failure >"$root/$build/test.log" 2>&1) || return 1
    if ((${#select[@]})); then
        (cd "$build" && ctest "${select[@]}" --timeout 300 >>"$root/$build/test.log" 2>&1) ||
            return 1
    fi
    return 0
}

all=$(tr ' ' '\n' <<<"$all" | awk 'NF && !seen[$0]++' | tr '\n' ' ')
echo "baseline: building and testing the unmutated tree ($all)"
build_and_test "${all% }" || { echo "baseline fails: see $build/*.log"; exit 1; }

caught=0 missed=0 stale=0 broken=0 missedList=()
for mutant in "${chosen[@]}"; do
    name=$(basename "$mutant" .mutant)
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
    exclude=$skip
    [[ -n ${unaffected[$lib]:-} ]] && exclude="$skip|${unaffected[$lib]}"
    start=$SECONDS
    build_and_test "$labels" "$exclude"
    case $? in
        0) verdict=missed; ((missed++)); missedList+=("$name") ;;
        1) verdict=caught; ((caught++)) ;;
        *) verdict=broken; ((broken++)) ;;  # does not compile: fix the mutant
    esac
    restore
    printf '%-8s %-28s %4ds  %s\n' "$verdict" "$name" $((SECONDS - start)) "$what"
done

total=$((caught + missed))
echo "caught $caught of $total (stale $stale, not compiling $broken) in $((SECONDS / 60)) min"
((total > 0)) && echo "score: $((100 * caught / total)) %"
((${#missedList[@]})) && echo "missed: ${missedList[*]}"
exit 0
