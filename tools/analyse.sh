#!/usr/bin/env bash
# Static analysis of the programs' own sources: clang-tidy with the checks in
# .clang-tidy, then cppcheck. Usage: tools/analyse.sh [BUILD_DIR]; the build
# folder must have compile_commands.json (every preset writes one).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure first" >&2; exit 2; }

# The sources this platform compiles; the Windows files are checked by the
# Windows build's own warnings.
mapfile -t sources < <(git ls-files '*.cpp' | grep -v -e '_windows\.cpp$' -e '^fuzz/' -e '^bench/')
# The release build's link-time optimisation flags are GCC's; clang only
# reads the sources and need not understand them.
clang-tidy --quiet -p "$build" --extra-arg=-Wno-ignored-optimization-argument "${sources[@]}"

cppcheck --quiet --error-exitcode=1 --inline-suppr --std=c++20 --language=c++ \
    --enable=warning,style,performance,portability --suppress=missingIncludeSystem \
    -I errfold/src -I vestorkal/src "${sources[@]}"
echo "analysis clean"
