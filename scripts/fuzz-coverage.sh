#!/bin/sh
# Line and branch coverage of the tool's own sources reached by the fuzz corpora that the
# fuzz preset's runs left (in build/fuzz, or the folder given): rebuilds the targets with source coverage,
# replays each corpus once and prints llvm-cov's report.
set -eu
cd "$(dirname "$0")/.."
out=$(pwd)/build/fuzz-coverage
corpora=$(realpath "${1:-build/fuzz/tests/fuzz}")
flags="-fprofile-instr-generate -fcoverage-mapping -fsanitize=fuzzer-no-link"
cmake -S . -B $out -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_CXX_FLAGS="$flags" -DWLAN_NVRAM_BUILD_TESTS=OFF -DWLAN_NVRAM_BUILD_FUZZERS=ON >/dev/null
cmake --build $out --target fuzz_verify_switch fuzz_run_tool >/dev/null
for pair in fuzz_verify_switch:switch fuzz_run_tool:run; do
    target=${pair%%:*} corpus=$corpora/corpus-${pair#*:}
    LLVM_PROFILE_FILE=$out/$target.profraw $out/tests/fuzz/$target -runs=0 "$corpus" >/dev/null 2>&1
done
llvm-profdata-14 merge -o $out/all.profdata $out/*.profraw
llvm-cov-14 report $out/tests/fuzz/fuzz_run_tool -object $out/tests/fuzz/fuzz_verify_switch \
    -instr-profile=$out/all.profdata tool/ platform/nvram_access.cpp
