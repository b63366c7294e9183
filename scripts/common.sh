# Shared by the run and test scripts: installs what the build needs (safe to repeat).
set -euo pipefail

HALVIX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HALVIX_BUILD_DIR="${HALVIX_BUILD_DIR:-$HALVIX_ROOT/build}"

# Debian 12 packages: compiler and tools, JUCE's Linux dependencies, the system codecs and
# image libraries Debian's JUCE modules link, the test tools, the editor's typefaces and
# clang with its sanitizer and libFuzzer runtimes (scripts/fuzz).
HALVIX_PACKAGES=(
    build-essential cmake ninja-build pkg-config ccache
    libasound2-dev libx11-dev libxcomposite-dev libxcursor-dev libxext-dev libxinerama-dev
    libxrandr-dev libxrender-dev libfreetype-dev libfontconfig1-dev libgl-dev libglu1-mesa-dev
    libpng-dev libjpeg-dev libflac-dev libvorbis-dev libogg-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    python3 python3-mido xvfb xauth xdotool x11-utils imagemagick
    lilv-utils fonts-inter fonts-jetbrains-mono
    clang-14 libclang-rt-14-dev
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    for p in "${HALVIX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "halvix: installing ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

configure_build() {
    "$HALVIX_ROOT/scripts/fetch-juce"
    if [ ! -f "$HALVIX_BUILD_DIR/build.ninja" ]; then
        cmake -S "$HALVIX_ROOT" -B "$HALVIX_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
    fi
}

build_targets() {
    cmake --build "$HALVIX_BUILD_DIR" --parallel "$(nproc)" "$@"
}
