#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# Usage: scripts/test.sh [extra ctest arguments, e.g. -R Registry]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

"$root/scripts/install-deps.sh" || { echo "0 passed, 1 failed"; exit 1; }

build=${QUILLON_BUILD_DIR:-$root/build}
if ! cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_WERROR=ON >/dev/null; then
    echo "configure failed"; echo "0 passed, 1 failed"; exit 1
fi
if ! cmake --build "$build" -j "$(nproc)"; then
    echo "build failed"; echo "0 passed, 1 failed"; exit 1
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
(cd "$build" && ctest --output-on-failure -j "$(nproc)" "$@") 2>&1 | tee "$log"
status=${PIPESTATUS[0]}

summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
if [ -n "$summary" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$summary")
    passed=$((total - failed))
else
    passed=0
    failed=1
fi
[ "$status" -eq 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "tests: $passed passed, $failed failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
