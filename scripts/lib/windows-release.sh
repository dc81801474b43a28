# The steps of the Windows release that scripts/package-windows strings together.

# Cross compiler, setup-program maker, zip, Wine to try the result, and what building Qt for
# Windows from source needs (the host's own Qt tools of the same version, apt's source fetch).
VANTORO_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-tools nsis zip unzip wine wine64
    qt6-base-dev qt6-base-dev-tools xz-utils)

# Renders the program's icon at the sizes Windows shows into the .ico file $1, with the same
# drawing code as the window's icon, built for this machine in the Linux build folder $2 (it
# only draws, so any build does; scripts/test's own build/ is reused when it is there).
vantoro_windows_icon() {
    local ico=$1 host=$2 pngs=() size
    [ -f "$host/CMakeCache.txt" ] ||
        cmake -S . -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
    cmake --build "$host" -j "$(nproc)" --target vantoro-render-icon >/dev/null
    local out
    out=$(mktemp -d)
    QT_QPA_PLATFORM=offscreen "$host/packaging/vantoro-render-icon" "$out" 16 24 32 48 64 256
    for size in 16 24 32 48 64 256; do
        pngs+=("$out/${size}x$size/apps/vantoro.png")
    done
    convert "${pngs[@]}" "$ico"
    rm -rf "$out"
}

# The NSIS include file for the files of folder $1: one File line per file to install, one
# Delete line per file to remove, and the installed size in KiB.
vantoro_windows_file_list() {
    local stage=$1 file dir
    local -a files dirs
    mapfile -t files < <(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    mapfile -t dirs < <(cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r)
    echo "!define SIZE_KB $(du -sk "$stage" | cut -f1)"
    echo '!macro VANTORO_INSTALL_FILES'
    for file in "${files[@]}"; do
        dir=$(dirname "$file")
        if [ "$dir" = . ]; then
            echo "    SetOutPath \"\$INSTDIR\""
        else
            echo "    SetOutPath \"\$INSTDIR\\${dir//\//\\}\""
        fi
        echo "    File \"$(realpath "$stage/$file")\""
    done
    echo "    SetOutPath \"\$INSTDIR\""
    echo '!macroend'
    echo '!macro VANTORO_UNINSTALL_FILES'
    for file in "${files[@]}"; do
        echo "    Delete \"\$INSTDIR\\${file//\//\\}\""
    done
    for dir in "${dirs[@]}"; do
        echo "    RMDir \"\$INSTDIR\\${dir//\//\\}\""
    done
    echo '!macroend'
}

# The setup program $4 for the files of folder $1, version $2, icon $3.
vantoro_windows_setup() {
    local stage=$1 version=$2 icon=$3 out=$4 list
    list="$(dirname "$out")/files.nsh"
    vantoro_windows_file_list "$stage" >"$list"
    rm -f "$out"
    makensis -V2 -DVERSION="$version" -DFILES="$(realpath "$list")" -DOUTFILE="$out" \
        -DICON="$(realpath "$icon")" packaging/windows/vantoro.nsi >&2
}

# The portable zip $3 of folder $1, unpacking to a folder named $2.
vantoro_windows_zip() {
    local stage=$1 name=$2 out=$3 tmp
    tmp=$(mktemp -d)
    cp -r "$stage" "$tmp/$name"
    rm -f "$out"
    (cd "$tmp" && find "$name" | LC_ALL=C sort | zip -X -q -9 "$out" -@)
    rm -rf "$tmp"
}
