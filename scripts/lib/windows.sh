# The Windows stage: the Qt-free programs and suites cross-built with MinGW-w64 into build-win/
# and run under Wine in a prefix of the build's own. Sourced by scripts/test.

VANTORO_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine wine64)

# vantoro_windows_stage LINUX_BUILD: configures, builds and tests build-win; returns ctest's status.
vantoro_windows_stage() {
    local linux_build=$1
    local build=build-win
    echo "== Windows stage: cross-build into $build, tests under Wine"
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DVANTORO_LINUX_BUILD="$PWD/$linux_build" >/dev/null
    cmake --build "$build" -j "$(nproc)"
    # One Wine prefix, so its first (slow) start happens once; the suites share it in turn.
    (cd "$build" && ctest --output-on-failure --timeout 600)
}
