#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test, runs scripts/lint.sh, checks that another project can
# pull the Qt-free libraries in with add_subdirectory, then builds those libraries again under
# AddressSanitizer + UndefinedBehaviorSanitizer and runs their tests.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
bash scripts/install-deps.sh "${LUCIVANE_BUILD_PACKAGES[@]}" "${LUCIVANE_GUI_PACKAGES[@]}" \
  "${LUCIVANE_TEST_PACKAGES[@]}"
bash scripts/install-deps.sh --no-install-recommends "${LUCIVANE_WAYLAND_PACKAGES[@]}"
jobs=$(nproc)

echo "== build and test (all) =="
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

echo "== clang-format and clang-tidy =="
scripts/lint.sh

echo "== the Qt-free libraries pulled into another project with add_subdirectory =="
cmake -S tests/consumer -B build/consumer >/dev/null
cmake --build build/consumer -j "$jobs" --target consumer
build/consumer/consumer && echo "consumer: OK"

echo "== build and test (Qt-free, ASan + UBSan) =="
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j "$jobs"

