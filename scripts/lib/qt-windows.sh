# Provides Qt 6.4.2 for 64-bit Windows (MinGW-w64) and prints its install prefix.
#
#   . scripts/lib/qt-windows.sh; prefix=$(vantoro_qt_windows)
#
# Where it comes from, first match wins:
#   1. $VANTORO_QT_WINDOWS: an install prefix (a folder) or a .tar.xz of one;
#   2. ../shared/windows/qt6.4.2-mingw-w64.tar.xz beside the checkout;
#   3. an existing /opt/qt6.4.2-mingw-w64;
#   4. built from Debian's qt6-base source with the MinGW compiler, once: the result stays in
#      $VANTORO_CACHE (default ~/.cache/vantoro) and later runs take it from there.
# An archive is unpacked into the cache once per archive (its checksum names the copy).
# The prefix may live anywhere: configure projects with vantoro_qt_windows_cmake_args.

VANTORO_QT_WINDOWS_NAME=qt6.4.2-mingw-w64
VANTORO_QT_WINDOWS_VERSION=6.4.2

vantoro_qt_windows_cache() {
    echo "${VANTORO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vantoro}"
}

vantoro_qt_windows_is_prefix() {
    [ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ] && [ -f "$1/plugins/platforms/qwindows.dll" ] &&
        [ -f "$1/mingw-w64-x86_64.cmake" ]
}

# The arguments that configure a project for Windows with the Qt at prefix $1, wherever it
# lies: the toolchain file Qt made at install time names its own prefix, so it is named here.
vantoro_qt_windows_cmake_args() {
    echo "-DCMAKE_TOOLCHAIN_FILE=$1/lib/cmake/Qt6/qt.toolchain.cmake" \
        "-DQT_CHAINLOAD_TOOLCHAIN_FILE=$1/mingw-w64-x86_64.cmake"
}

# Unpacks archive $1 (holding opt/qt6.4.2-mingw-w64/ or qt6.4.2-mingw-w64/ at its top) into the
# cache and prints the prefix inside it.
vantoro_qt_windows_unpack() {
    local archive=$1 sum dest prefix
    sum=$(sha256sum "$archive" | cut -c1-16)
    dest="$(vantoro_qt_windows_cache)/qt-windows-$sum"
    if [ ! -f "$dest/.unpacked" ]; then
        echo "Unpacking Qt for Windows from $archive" >&2
        rm -rf "$dest"
        mkdir -p "$dest"
        tar -C "$dest" -xJf "$archive" || { rm -rf "$dest"; return 1; }
        touch "$dest/.unpacked"
    fi
    for prefix in "$dest/opt/$VANTORO_QT_WINDOWS_NAME" "$dest/$VANTORO_QT_WINDOWS_NAME" "$dest"; do
        if vantoro_qt_windows_is_prefix "$prefix"; then
            echo "$prefix"
            return 0
        fi
    done
    echo "$archive holds no Qt for Windows install prefix" >&2
    return 1
}

# The machine's own Debian mirror, for the deb-src entry.
vantoro_debian_mirror() {
    local uri
    uri=$(grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '$2 ~ /debian\/?$/ {print $2; exit}')
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $2 ~ /debian\/?$/ {print $2; exit}' \
        /etc/apt/sources.list 2>/dev/null)
    echo "${uri:-http://deb.debian.org/debian}"
}

# Fetches and unpacks qt6-base's source into $1/qtbase, with a source list of its own so the
# machine's apt configuration stays as it is.
vantoro_qt_windows_fetch_source() {
    local work=$1
    [ -f "$work/qtbase/CMakeLists.txt" ] && return 0
    mkdir -p "$work/apt/lists/partial" "$work/download"
    echo "deb-src $(vantoro_debian_mirror) bookworm main" >"$work/apt/sources.list"
    local opts=(-o "Dir::Etc::sourcelist=$work/apt/sources.list" -o "Dir::Etc::sourceparts=-"
        -o "Dir::State::Lists=$work/apt/lists" -o "APT::Get::List-Cleanup=0")
    apt-get "${opts[@]}" update -qq >&2 || return 1
    (cd "$work/download" && apt-get "${opts[@]}" source --download-only -qq qt6-base >&2) ||
        return 1
    local orig
    orig=$(ls "$work"/download/qt6-base_"$VANTORO_QT_WINDOWS_VERSION"*.orig.tar.xz | head -1)
    [ -n "$orig" ] || { echo "apt-get source gave no qt6-base orig tarball" >&2; return 1; }
    rm -rf "$work/qtbase.tmp" && mkdir -p "$work/qtbase.tmp"
    tar -C "$work/qtbase.tmp" --strip-components=1 -xJf "$orig" || return 1
    mv "$work/qtbase.tmp" "$work/qtbase"
}

vantoro_qt_windows_write_toolchain() {
    # The project's own toolchain file, kept in the prefix, so Qt and Vantoro build alike.
    cp "$(dirname "${BASH_SOURCE[0]}")/../../cmake/mingw-w64-x86_64.cmake" "$1"
}

# Configures Qt's source for Windows; with VANTORO_QT_WINDOWS_CONFIGURE_ONLY=1 it stops there.
vantoro_qt_windows_configure() {
    local work=$1 prefix=$2
    mkdir -p "$prefix"
    vantoro_qt_windows_write_toolchain "$prefix/mingw-w64-x86_64.cmake"
    # The host's Qt tools (moc, rcc, uic) of the same version do the build-time work.
    cmake -G Ninja -S "$work/qtbase" -B "$work/build" \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS="-ffile-prefix-map=$work=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$work=." \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_dbus=OFF \
        -DFEATURE_network=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
        -DFEATURE_xml=OFF -DFEATURE_system_zlib=OFF -DINPUT_libjpeg=no -DFEATURE_vulkan=OFF \
        -DFEATURE_tabletevent=OFF >&2
    # Debian's source leaves out the wintab headers, which tablet events would need: hence off.
}

# Builds Qt for Windows from Debian's source into the cache, once.
vantoro_qt_windows_build() {
    local work prefix
    work="$(vantoro_qt_windows_cache)/qt-windows-source"
    prefix="$(vantoro_qt_windows_cache)/$VANTORO_QT_WINDOWS_NAME"
    if vantoro_qt_windows_is_prefix "$prefix" && [ -f "$prefix/.built" ]; then
        echo "$prefix"
        return 0
    fi
    echo "Building Qt $VANTORO_QT_WINDOWS_VERSION for Windows from Debian's source (once; about" \
        "15 minutes on two cores)" >&2
    vantoro_qt_windows_fetch_source "$work" || return 1
    vantoro_qt_windows_configure "$work" "$prefix" || return 1
    [ "${VANTORO_QT_WINDOWS_CONFIGURE_ONLY:-0}" = 1 ] && { echo "$work/build"; return 0; }
    cmake --build "$work/build" -j "$(nproc)" >&2 || return 1
    cmake --install "$work/build" >&2 || return 1
    touch "$prefix/.built"
    echo "$prefix"
}

vantoro_qt_windows() {
    local here shared
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    shared="$here/../shared/windows/$VANTORO_QT_WINDOWS_NAME.tar.xz"
    if [ -n "${VANTORO_QT_WINDOWS:-}" ]; then
        if [ -d "$VANTORO_QT_WINDOWS" ]; then
            vantoro_qt_windows_is_prefix "$VANTORO_QT_WINDOWS" ||
                { echo "VANTORO_QT_WINDOWS=$VANTORO_QT_WINDOWS is no Qt for Windows prefix" >&2; return 1; }
            (cd "$VANTORO_QT_WINDOWS" && pwd)
        elif [ -f "$VANTORO_QT_WINDOWS" ]; then
            vantoro_qt_windows_unpack "$VANTORO_QT_WINDOWS"
        else
            echo "VANTORO_QT_WINDOWS=$VANTORO_QT_WINDOWS does not exist" >&2
            return 1
        fi
    elif [ -f "$shared" ]; then
        vantoro_qt_windows_unpack "$shared"
    elif vantoro_qt_windows_is_prefix "/opt/$VANTORO_QT_WINDOWS_NAME"; then
        echo "/opt/$VANTORO_QT_WINDOWS_NAME"
    else
        vantoro_qt_windows_build
    fi
}
