#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the main build (gcc, warnings are errors): unit, widget and end-to-end tests;
#   2. the fuzz build (clang + libFuzzer): each fuzzer for a bounded number of runs;
#   3. the ThreadSanitizer and AddressSanitizer builds of the communication and USB tests.
set -uo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh || exit 1
jobs=$(nproc)
status=0
summary=()

stage() { # name preset-configure-args... ; builds target list in $targets, runs ctest with $ctest_args
    local name=$1; shift
    echo "==== $name: configure"
    if ! cmake -S . -B "build/$name" -G Ninja "$@" >"build/$name.log" 2>&1; then
        cat "build/$name.log"; summary+=("$name: configure failed"); status=1; return
    fi
    echo "==== $name: build"
    if ! cmake --build "build/$name" -j "$jobs" --target $targets >>"build/$name.log" 2>&1; then
        grep -E 'error|Error' -A3 "build/$name.log" | head -100; summary+=("$name: build failed"); status=1; return
    fi
    echo "==== $name: test"
    local out
    out=$(cd "build/$name" && ctest -j "$jobs" --output-on-failure $ctest_args 2>&1)
    local rc=$?
    echo "$out"
    summary+=("$name: $(echo "$out" | grep -E 'tests passed|No tests were found' | tail -1)")
    [ $rc -eq 0 ] || status=1
}

mkdir -p build
targets=all ctest_args="" \
    stage main -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQDA_WERROR=ON
targets=fuzzers ctest_args="-L fuzz" \
    stage fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQDA_WERROR=ON -DQDA_FUZZ=ON -DQDA_BENCH=OFF \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
san_flags() { echo "-fsanitize=$1 -fno-omit-frame-pointer"; }
targets=sanitize-tests ctest_args="-L sanitize" \
    stage tsan -DCMAKE_BUILD_TYPE=Debug -DQDA_BENCH=OFF -DQDA_ONLY_SANITIZE_TESTS=ON \
        "-DCMAKE_CXX_FLAGS=$(san_flags thread)" "-DCMAKE_C_FLAGS=$(san_flags thread)" \
        -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread
targets=sanitize-tests ctest_args="-L sanitize" \
    stage asan -DCMAKE_BUILD_TYPE=Debug -DQDA_BENCH=OFF -DQDA_ONLY_SANITIZE_TESTS=ON \
        "-DCMAKE_CXX_FLAGS=$(san_flags address,undefined) -fno-sanitize-recover=undefined" \
        "-DCMAKE_C_FLAGS=$(san_flags address,undefined)" \
        -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined

echo
echo "==== Summary"
printf '%s\n' "${summary[@]}"
exit $status
