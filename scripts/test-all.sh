#!/usr/bin/env bash
# Runs every test: native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# the fuzz targets for a bounded time, the phone page's unit tests and build, and the
# end-to-end tests under Wine (the page's among them, in headless Chromium).
# On a fresh Debian 12 machine it first installs what it needs.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
FUZZ_SECONDS=${FUZZ_SECONDS:-45}

bash scripts/setup.sh || exit 1

passed=0
failed=0
record() {  # record <name> <exit code>
  if [[ $2 -eq 0 ]]; then passed=$((passed + 1)); echo "== $1: passed"; else failed=$((failed + 1)); echo "== $1: FAILED"; fi
}
# Adds the counts of a ctest run from its summary line to the totals.
count_ctest() {  # count_ctest <log>
  local line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [[ -n $line ]]; then
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
  else
    failed=$((failed + 1))
  fi
}

# Adds the counts of a run of Node's test runner ("# pass N", "# fail N") to the totals.
count_node() {  # count_node <log> <exit code>
  local ok bad
  ok=$(grep -E '^# pass [0-9]+' "$1" | tail -n 1 | awk '{print $3}')
  bad=$(grep -E '^# fail [0-9]+' "$1" | tail -n 1 | awk '{print $3}')
  if [[ -n $ok && -n $bad ]]; then
    passed=$((passed + ok)); failed=$((failed + bad))
    [[ $2 -ne 0 && $bad -eq 0 ]] && failed=$((failed + 1))
  else
    failed=$((failed + 1))
  fi
}

logs=$(mktemp -d)

echo "== phone page: unit tests and build (before the Windows build, whose zip carries the page)"
# npm ci installs exactly web/package-lock.json; Playwright drives Debian's chromium and
# downloads no browser of its own.
if (cd web && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund >"$logs/npm-ci.log" 2>&1); then
  (cd web && npm test 2>&1) | tee "$logs/web-unit.log"
  count_node "$logs/web-unit.log" "${PIPESTATUS[0]}"
  (cd web && npm run build 2>&1) | tee "$logs/web-build.log"
  record "phone page build" "${PIPESTATUS[0]}"
else
  tail -n 20 "$logs/npm-ci.log"
  record "phone page dependencies (npm ci)" 1
fi

echo "== building the Windows program"
{ cmake --preset windows >/dev/null && cmake --build --preset windows; }
record "windows build" $?

echo "== native unit tests (ASan + UBSan)"
if cmake --preset native-asan >/dev/null && cmake --build --preset native-asan; then
  ctest --preset native-asan 2>&1 | tee "$logs/unit.log"
  count_ctest "$logs/unit.log"
else
  record "native build" 1
fi

echo "== fuzz targets, ${FUZZ_SECONDS} s each"
if cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; then
  for fuzzer in build/fuzz/*_fuzzer; do
    [[ -x $fuzzer ]] || continue
    name=$(basename "$fuzzer")
    corpus="$logs/corpus-$name"; mkdir -p "$corpus"
    seeds="tests/fuzz/corpus/${name%_fuzzer}"
    [[ -d $seeds ]] && cp -r "$seeds"/. "$corpus"/
    "$fuzzer" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 -artifact_prefix="$logs/" "$corpus" >"$logs/$name.log" 2>&1
    rc=$?
    grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' "$logs/$name.log" | head -n 5
    [[ $rc -ne 0 ]] && tail -n 40 "$logs/$name.log"
    record "fuzz $name" $rc
  done
else
  record "fuzz build" 1
fi

echo "== end-to-end tests under Wine"
if cmake --preset e2e >/dev/null && cmake --build --preset e2e; then
  ctest --preset e2e 2>&1 | tee "$logs/e2e.log"
  count_ctest "$logs/e2e.log"
else
  record "e2e build" 1
fi

echo
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
