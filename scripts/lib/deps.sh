# Installs, quietly and only when missing, the Debian packages that building and testing need.
VANTORO_PACKAGES=(cmake g++ ninja-build ccache pkg-config qt6-base-dev libudev-dev libgtest-dev libgmock-dev binutils
    # Code files made by real S-record producers for the file check and update tests.
    srecord
    # The desktop suite: a display, a window manager, X input, screenshots and OCR.
    qt6-qpa-plugins xvfb openbox xdotool x11-utils imagemagick tesseract-ocr tesseract-ocr-eng
    python3 python3-pil fonts-dejavu-core
    # The desktop suite reads the window as a screen reader does: a session bus of its own, the
    # accessibility bus and registry that start on it, and pyatspi to read the tree.
    dbus dbus-x11 at-spi2-core python3-pyatspi
    # ... and hears it as a blind user does: the Orca screen reader, speaking through
    # speech-dispatcher and espeak-ng into libao's null driver.
    orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng libao4
    # Network serial ports are tested against a real serial device server.
    ser2net
    # vantoro-cli's live block is checked in a real terminal of a fixed size.
    tmux
    # The Windows build: MinGW-w64 cross-compiler, GoogleTest's source to cross-build, and
    # Wine to run the programs and suites.
    g++-mingw-w64-x86-64-posix mingw-w64-tools googletest wine wine64)

vantoro_install_deps() {
    local missing=()
    local p
    for p in "${VANTORO_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq >/dev/null
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
