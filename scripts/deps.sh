#!/usr/bin/env bash
# Installs what the game and its tests need, and is quick when all of it is already there:
#   1. the Debian 12 packages (only those missing; apt-get update only when something must be installed);
#   2. GLFW 3.4 and raylib 6, which Debian 12 does not package: their Debian source packages are fetched
#      through a private apt configuration and built as static libraries into build/deps/prefix;
#   3. the interface font, taken from the fonts-kode-mono package into build/deps/font.
# Everything fetched or built stays under build/deps (the private apt lists only while fetching);
# the system's apt setup is only read, never changed.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deps="$root/build/deps"
prefix="$deps/prefix"
stamp="$prefix/.built"
font="$deps/font/KodeMono-Regular.ttf"

# The versions known to work; when the archive no longer has them, the newest 3.4.x / 6.x is taken.
glfw_known="3.4-3"
raylib_known="6.0+ds-2"
mirror="${SV_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
keyring="/usr/share/keyrings/debian-archive-keyring.gpg"

say() { printf 'deps: %s\n' "$*"; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# --- 1. Debian packages -----------------------------------------------------------------------------
packages=(
  build-essential cmake ninja-build pkg-config ca-certificates xz-utils
  libgtest-dev libbenchmark-dev libcjson-dev libzip-dev
  clang clang-format libclang-rt-14-dev
  libx11-dev libxcursor-dev libxi-dev libxinerama-dev libxrandr-dev libgl1-mesa-dev
  xvfb xauth xdotool imagemagick zip unzip graphviz
)
declare -A have=()
while read -r name state; do
  [ "$state" = installed ] && have[$name]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [ -n "${have[$p]:-}" ] || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  say "installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

if [ -f "$stamp" ] && [ -f "$font" ]; then
  exit 0
fi

# --- private apt: its own sources, lists and cache under build/deps/apt -----------------------------
apt_dir="$deps/apt"
mkdir -p "$apt_dir/etc/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
arch="$(dpkg --print-architecture)"
cat > "$apt_dir/etc/sources.list" <<EOF
deb-src [signed-by=$keyring] $mirror trixie main
deb-src [signed-by=$keyring] $mirror unstable main
deb [arch=$arch signed-by=$keyring] $mirror trixie main
deb [arch=$arch signed-by=$keyring] $mirror unstable main
EOF
papt=(
  -q
  -o "Dir::Etc::SourceList=$apt_dir/etc/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/etc/parts"
  -o "Dir::Etc::Preferences=$apt_dir/etc/preferences"
  -o "Dir::Etc::PreferencesParts=$apt_dir/etc/parts"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "Acquire::Languages=none"
  -o "APT::Sandbox::User=root"
  -o "APT::Get::Only-Source=true"
)
say "reading the trixie and unstable indexes (private apt lists in build/deps/apt)"
apt-get "${papt[@]}" update > "$apt_dir/update.log" || { cat "$apt_dir/update.log" >&2; exit 1; }

# The versions of a source package the private lists offer.
source_versions() {
  apt-cache "${papt[@]}" showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u
}
# pick NAME KNOWN PATTERN: the known version if offered, else the newest whose upstream part matches PATTERN.
pick() {
  local name="$1" known="$2" pattern="$3" v best=""
  while read -r v; do
    [ "$v" = "$known" ] && { printf '%s\n' "$v"; return; }
    if [[ "${v#*:}" =~ $pattern ]] && { [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; }; then
      best="$v"
    fi
  done < <(source_versions "$name")
  [ -n "$best" ] || { echo "deps: no $name version matching $pattern in trixie or unstable" >&2; exit 1; }
  printf '%s\n' "$best"
}

# --- 2. GLFW and raylib --------------------------------------------------------------------------------
if [ ! -f "$stamp" ]; then
  glfw_ver="$(pick glfw3 "$glfw_known" '^3\.4([.+~-]|$)')"
  raylib_ver="$(pick raylib "$raylib_known" '^6\.')"
  say "fetching the source packages glfw3 $glfw_ver and raylib $raylib_ver"
  rm -rf "$deps/src" "$deps/work" "$prefix"
  mkdir -p "$deps/src" "$deps/work"
  (cd "$deps/src" && apt-get "${papt[@]}" source --download-only "glfw3=$glfw_ver" "raylib=$raylib_ver" > "$deps/src/fetch.log") ||
    { cat "$deps/src/fetch.log" >&2; exit 1; }

  # unpack NAME: the upstream tarball into work/NAME; prints that directory.
  unpack() {
    local tarball top
    tarball="$(ls "$deps/src/$1"_*.orig.tar.* | head -n 1)"
    mkdir -p "$deps/work/$1"
    tar -xf "$tarball" -C "$deps/work/$1"
    top="$(find "$deps/work/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1)"
    printf '%s\n' "$top"
  }
  glfw_src="$(unpack glfw3)"
  raylib_src="$(unpack raylib)"

  common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib
          -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF -Wno-dev)
  say "building GLFW (static, X11 only)"
  cmake -S "$glfw_src" -B "$deps/work/glfw-build" "${common[@]}" \
    -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF -DGLFW_BUILD_DOCS=OFF \
    -DGLFW_BUILD_WAYLAND=OFF -DGLFW_BUILD_X11=ON -DGLFW_INSTALL=ON > "$deps/work/glfw.log" ||
    { cat "$deps/work/glfw.log" >&2; exit 1; }
  cmake --build "$deps/work/glfw-build" --target install >> "$deps/work/glfw.log" ||
    { tail -n 50 "$deps/work/glfw.log" >&2; exit 1; }

  # raylib's F12 screenshot key is compiled out: the game writes no files into the working
  # directory. config.h leaves a flag that is already defined alone, so one definition does it.
  say "building raylib (static, desktop, against that GLFW, no F12 screenshot key)"
  cmake -S "$raylib_src" -B "$deps/work/raylib-build" "${common[@]}" \
    -DCMAKE_C_FLAGS="-DSUPPORT_SCREEN_CAPTURE=0" \
    -DPLATFORM=Desktop -DUSE_EXTERNAL_GLFW=ON -DBUILD_EXAMPLES=OFF \
    -DGLFW_BUILD_WAYLAND=OFF -DGLFW_BUILD_X11=ON > "$deps/work/raylib.log" ||
    { cat "$deps/work/raylib.log" >&2; exit 1; }
  cmake --build "$deps/work/raylib-build" --target install >> "$deps/work/raylib.log" ||
    { tail -n 50 "$deps/work/raylib.log" >&2; exit 1; }

  for f in lib/libglfw3.a lib/libraylib.a lib/cmake/glfw3/glfw3Config.cmake lib/cmake/raylib/raylib-config.cmake include/raylib.h; do
    [ -f "$prefix/$f" ] || { echo "deps: the build left no $prefix/$f" >&2; exit 1; }
  done
  printf 'glfw3 %s\nraylib %s\n' "$glfw_ver" "$raylib_ver" > "$stamp"
  rm -rf "$deps/work"
  say "GLFW and raylib installed in build/deps/prefix"
fi

# --- 3. the interface font ---------------------------------------------------------------------------
if [ ! -f "$font" ]; then
  say "fetching fonts-kode-mono"
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' EXIT
  (cd "$tmp" && apt-get "${papt[@]}" -o APT::Get::Only-Source=false download fonts-kode-mono > fetch.log) ||
    { cat "$tmp/fetch.log" >&2; exit 1; }
  dpkg-deb -x "$tmp"/fonts-kode-mono_*.deb "$tmp/root"
  face="$(find "$tmp/root" -type f -name 'KodeMono-Regular.ttf' | head -n 1)"
  [ -n "$face" ] || face="$(find "$tmp/root" -type f -name 'KodeMono-Regular.otf' | head -n 1)"
  [ -n "$face" ] || { echo "deps: fonts-kode-mono has no Regular face" >&2; exit 1; }
  mkdir -p "$(dirname "$font")"
  cp "$face" "$font.part" && mv "$font.part" "$font"
  say "font: $(basename "$(ls "$tmp"/fonts-kode-mono_*.deb)") -> build/deps/font/$(basename "$font") (from $(basename "$face"))"
fi

# The private indexes are only needed while fetching.
rm -rf "$apt_dir"
