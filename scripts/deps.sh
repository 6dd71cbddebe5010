#!/usr/bin/env bash
# Installs what the game, its tests and the Windows build need, and is quick when all of it is
# already there. What is installed depends on the parts asked for (any of them, in any order;
# none asks for all three):
#   game     the Linux game alone (scripts/play): its Debian packages, GLFW 3.4 and raylib 6.0, and
#            the interface font;
#   test     the game and its Linux tests (the tests' Debian packages: GoogleTest, Google Benchmark,
#            clang, Xvfb and the window-test tools);
#   windows  the game and the Windows build (mingw-w64, Wine, the Windows libraries).
# scripts/test asks for test and windows; scripts/play for game alone.
#   1. the Debian 12 packages of the parts asked for (only those missing; apt-get update only when
#      something must be installed);
#   2. GLFW 3.4 and raylib 6.0, which Debian 12 does not package: their Debian source packages are
#      fetched through a private apt configuration and built as static libraries into
#      build/deps/prefix;
#   3. the interface font, taken from the fonts-kode-mono package into build/deps/font, named for
#      what it is (.otf for OpenType-CFF outlines, .ttf for TrueType ones);
#   4. windows only: the Windows libraries, cross-built static with mingw-w64 into
#      build-windows/deps/prefix: GLFW 3.4 and raylib 6.0 from the same source packages, cJSON and
#      libzip from Debian 12's source packages (against libz-mingw-w64-dev), GoogleTest from
#      Debian's googletest sources.
# Everything fetched or built stays under build/deps and build-windows/deps (the private apt lists
# only while fetching);
# the system's apt setup is only read (for its Debian mirror), never changed, and its settings do not
# reach the private apt.
# SV_DEBIAN_MIRROR overrides the mirror, e.g. SV_DEBIAN_MIRROR=http://deb.debian.org/debian.
#
#   scripts/deps.sh [game] [test] [windows]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deps="$root/build/deps"
prefix="$deps/prefix"
stamp="$prefix/.built"
# Names how raylib is configured; a prefix built another way is built again.
build_config="no-screen-capture"
font_dir="$deps/font"
# The font's licence (the package's copyright file), which the Windows package carries beside it.
font_notice="$font_dir/copyright"

# The project is built and tested with these: raylib 6.0 and GLFW 3.4, nothing newer or older. The
# Debian revisions known to work are taken when offered, else the newest revision of the same upstream.
glfw_known="3.4-3"
raylib_known="6.0+ds-2"
glfw_upstream='^3\.4([+]|$)'
raylib_upstream='^6\.0([+]|$)'
keyring="/usr/share/keyrings/debian-archive-keyring.gpg"

# The Windows build: its own prefix, and Debian 12's cJSON, libzip and GoogleTest (the versions the
# Linux build links) cross-built beside GLFW and raylib.
win_deps="$root/build-windows/deps"
win_prefix="$win_deps/prefix"
win_stamp="$win_prefix/.built"
win_config="mingw-w64-posix-static no-screen-capture"
cjson_known="1.7.15-1+deb12u4"
libzip_known="1.7.3-1"
cjson_upstream='^1\.7\.15([+]|$)'
libzip_upstream='^1\.7\.3([+]|$)'
gtest_upstream='^1\.12\.1([+]|$)'
gtest_src="/usr/src/googletest"

say() { printf 'deps: %s\n' "$*"; }
die() { printf 'deps: %s\n' "$*" >&2; exit 1; }

want_test=0
want_windows=0
[ "$#" -gt 0 ] || set -- test windows
for part in "$@"; do
  case "$part" in
  game) ;;
  test) want_test=1 ;;
  windows) want_windows=1 ;;
  *) die "usage: scripts/deps.sh [game] [test] [windows] (none: all three)" ;;
  esac
done

# font_file: the font fetched before, if any. A copy an older run named .ttf for its OpenType-CFF
# outlines gets a copy named .otf (the old name stays for checkouts that may share these deps).
font_file() {
  local f="$font_dir/KodeMono-Regular.ttf"
  if [ -f "$f" ] && [ ! -f "$font_dir/KodeMono-Regular.otf" ] && [ "$(head -c 4 "$f")" = OTTO ]; then
    cp "$f" "$font_dir/KodeMono-Regular.otf.part" && mv "$font_dir/KodeMono-Regular.otf.part" "$font_dir/KodeMono-Regular.otf"
  fi
  for f in "$font_dir/KodeMono-Regular.otf" "$font_dir/KodeMono-Regular.ttf"; do
    [ -f "$f" ] && { printf '%s\n' "$f"; return; }
  done
  return 0
}

# upstream VERSION: a Debian version without its epoch and revision.
upstream() {
  local v="${1#*:}"
  printf '%s\n' "${v%-*}"
}

# --- 1. Debian packages -----------------------------------------------------------------------------
# The Linux game's packages; the Linux tests' (GoogleTest and Google Benchmark, clang for the clang
# and fuzz stages, clang-format, Xvfb and the tools the window tests drive and read the game with,
# graphviz for the floor graphs); the Windows build's (the cross compiler and zlib, Wine, GoogleTest's
# sources, zip for the package, and the window-test tools for the game under Wine).
game_packages=(
  build-essential cmake ninja-build pkg-config ca-certificates xz-utils
  libcjson-dev libzip-dev
  libx11-dev libxcursor-dev libxi-dev libxinerama-dev libxrandr-dev libgl1-mesa-dev
)
test_packages=(
  libgtest-dev libbenchmark-dev
  clang clang-format libclang-rt-14-dev
  xvfb xauth xdotool imagemagick graphviz
)
windows_packages=(
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64
  libgtest-dev zip unzip xvfb xauth xdotool imagemagick
)
packages=("${game_packages[@]}")
[ "$want_test" = 0 ] || packages+=("${test_packages[@]}")
[ "$want_windows" = 0 ] || packages+=("${windows_packages[@]}")
declare -A have=()
while read -r name state; do
  [ "$state" = installed ] && have[$name]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [ -n "${have[$p]:-}" ] || [[ " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  install_line="apt-get update && apt-get install -y ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    as_root=()
  elif command -v sudo > /dev/null; then
    as_root=(sudo)
  else
    die "missing Debian packages and no sudo here: as root run '$install_line', then run this again"
  fi
  say "installing ${missing[*]}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q &&
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" ||
    die "installing the Debian packages failed (see above); as root run '$install_line', then run this again"
fi

# A prefix built from other versions than the ones above is built again.
if [ -f "$stamp" ]; then
  built_glfw="$(sed -n 's/^glfw3 //p' "$stamp")"
  built_raylib="$(sed -n 's/^raylib //p' "$stamp")"
  built_config="$(sed -n 's/^config //p' "$stamp")"
  if [[ "$(upstream "$built_glfw")" =~ $glfw_upstream ]] && [[ "$(upstream "$built_raylib")" =~ $raylib_upstream ]] &&
    [ "$built_config" = "$build_config" ]; then
    say "raylib $built_raylib and GLFW $built_glfw (Debian source packages), built in build/deps/prefix"
  else
    say "build/deps/prefix holds raylib ${built_raylib:-?} (${built_config:-older build}) and GLFW ${built_glfw:-?}: building raylib 6.0 ($build_config) and GLFW 3.4 instead"
    rm -f "$stamp"
  fi
fi

# The same for the Windows prefix.
if [ "$want_windows" = 1 ] && [ -f "$win_stamp" ]; then
  ok=1
  for line in "glfw3 $glfw_upstream" "raylib $raylib_upstream" "cjson $cjson_upstream" \
    "libzip $libzip_upstream" "googletest $gtest_upstream"; do
    name="${line%% *}"
    v="$(sed -n "s/^$name //p" "$win_stamp")"
    [[ "$(upstream "$v")" =~ ${line#* } ]] || ok=0
  done
  [ "$(sed -n 's/^config //p' "$win_stamp")" = "$win_config" ] || ok=0
  if [ "$ok" = 1 ]; then
    say "Windows: $(sed -n 's/^\(glfw3\|raylib\|cjson\|libzip\|googletest\) \(.*\)/\1 \2/p' "$win_stamp" | paste -sd, - | sed 's/,/, /g') (Debian sources, mingw-w64 static), built in build-windows/deps/prefix"
  else
    say "build-windows/deps/prefix was built from other versions or another way: building it again"
    rm -f "$win_stamp"
  fi
fi

font="$(font_file)"
# The font's package is fetched for the font or for its licence, whichever is missing (a copy
# fetched before the licence was kept has no licence beside it).
need_font=0
[ -n "$font" ] && [ -f "$font_notice" ] || need_font=1
if [ -f "$stamp" ] && [ "$need_font" = 0 ] && { [ "$want_windows" = 0 ] || [ -f "$win_stamp" ]; }; then
  exit 0
fi

# --- private apt: its own configuration, sources, lists and cache under build/deps/apt ----------------
# The mirror: SV_DEBIAN_MIRROR, else the one this machine's apt sources use for its own Debian release.
mirror="${SV_DEBIAN_MIRROR:-}"
if [ -z "$mirror" ]; then
  codename="$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-bookworm}")"
  mirror="$(apt-get indextargets --format '$(TARGET_OF) $(RELEASE) $(REPO_URI)' 2> /dev/null |
    awk -v c="$codename" '$1 == "deb" && $2 == c { print $3; exit }')"
  mirror="${mirror:-http://deb.debian.org/debian}"
fi
mirror="${mirror%/}"
apt_dir="$deps/apt"
# Only the Windows prefix wanted: the Linux deps (which may be shared with other checkouts) are not
# written to.
[ -f "$stamp" ] && [ "$need_font" = 0 ] && apt_dir="$win_deps/apt"
rm -rf "$apt_dir"
mkdir -p "$apt_dir/etc/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
arch="$(dpkg --print-architecture)"
# Only the indexes this run needs are read: Debian 12's sources for cJSON and libzip (the Windows
# libraries), trixie's and unstable's sources for GLFW and raylib (the Linux prefix, or the Windows
# one when their sources are no longer beside the Linux prefix) and their packages for the font.
need_win=0
[ "$want_windows" = 0 ] || [ -f "$win_stamp" ] || need_win=1
need_new_src=0
[ -f "$stamp" ] || need_new_src=1
if [ "$need_win" = 1 ] && [ -f "$stamp" ]; then
  for name in glfw3 raylib; do
    v="$(sed -n "s/^$name //p" "$stamp")"
    ls "$deps/src/${name}_$(upstream "$v")".orig.tar.* > /dev/null 2>&1 || need_new_src=1
  done
fi
# trixie's and unstable's Release files carry a validity date that a mirror's copy may be past; the
# date check alone is dropped, for these sources only: signatures and checksums are still verified.
sources=()
indexes=()
if [ "$need_win" = 1 ]; then
  sources+=("deb-src [signed-by=$keyring] $mirror bookworm main")
  indexes+=("bookworm's sources")
fi
kinds=""
if [ "$need_new_src" = 1 ]; then
  sources+=("deb-src [signed-by=$keyring check-valid-until=no] $mirror trixie main"
            "deb-src [signed-by=$keyring check-valid-until=no] $mirror unstable main")
  kinds="sources"
fi
if [ "$need_font" = 1 ]; then
  sources+=("deb [arch=$arch signed-by=$keyring check-valid-until=no] $mirror trixie main"
            "deb [arch=$arch signed-by=$keyring check-valid-until=no] $mirror unstable main")
  kinds="${kinds:+$kinds and }packages"
fi
[ -z "$kinds" ] || indexes+=("trixie's and unstable's $kinds")
printf '%s\n' "${sources[@]}" > "$apt_dir/etc/sources.list"
# APT_CONFIG is read before the system's apt.conf.d, so pointing the parts and the main file away
# from /etc/apt keeps every host setting out.
cat > "$apt_dir/apt.conf" << EOF
Dir::Etc::main "/dev/null";
Dir::Etc::Parts "$apt_dir/etc/parts";
Dir::Etc::SourceList "$apt_dir/etc/sources.list";
Dir::Etc::SourceParts "$apt_dir/etc/parts";
Dir::Etc::Preferences "$apt_dir/etc/preferences";
Dir::Etc::PreferencesParts "$apt_dir/etc/parts";
Dir::Etc::Trusted "$apt_dir/etc/trusted.gpg";
Dir::Etc::TrustedParts "$apt_dir/etc/parts";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache "$apt_dir/cache";
Acquire::Languages "none";
APT::Sandbox::User "root";
APT::Get::Only-Source "true";
EOF
papt_get() { APT_CONFIG="$apt_dir/apt.conf" apt-get -q "$@"; }
papt_cache() { APT_CONFIG="$apt_dir/apt.conf" apt-cache "$@"; }
# fetched LOG: apt's own count of what it downloaded.
fetched() { sed -n 's/^Fetched \([^ ]* [kMG]*B\) .*/\1/p' "$1" | tail -n 1; }

said="$(printf '%s, ' "${indexes[@]}")"
say "reading the indexes of ${said%, } from $mirror (private apt lists in ${apt_dir#"$root/"})"
papt_get update > "$apt_dir/update.log" 2>&1 && ! grep -q '^[WE]:' "$apt_dir/update.log" || {
  cat "$apt_dir/update.log" >&2
  die "could not read the indexes of ${said%, } from $mirror; check that this machine reaches it, or set SV_DEBIAN_MIRROR to a Debian mirror that carries bookworm, trixie and unstable"
}
say "indexes: $(fetched "$apt_dir/update.log")"

# The versions of a source package the private lists offer.
source_versions() {
  papt_cache showsrc "$1" 2> /dev/null | sed -n 's/^Version: //p' | sort -u
}
# pick NAME KNOWN PATTERN WANT: the known version if offered, else the newest whose upstream part
# matches PATTERN; refuses when none does.
pick() {
  local name="$1" known="$2" pattern="$3" want="$4" v best="" offered
  offered="$(source_versions "$name")"
  while read -r v; do
    [ -n "$v" ] || continue
    [ "$v" = "$known" ] && { printf '%s\n' "$v"; return; }
    if [[ "$(upstream "$v")" =~ $pattern ]] && { [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; }; then
      best="$v"
    fi
  done <<< "$offered"
  offered="${offered//$'\n'/, }"
  [ -n "$best" ] ||
    die "strenvik is built and tested with $want, but $mirror offers the source package $name only in version(s) ${offered:-none}; set SV_DEBIAN_MIRROR to a mirror or snapshot that has $name $known"
  printf '%s\n' "$best"
}

# --- 2. GLFW and raylib --------------------------------------------------------------------------------
if [ ! -f "$stamp" ]; then
  glfw_ver="$(pick glfw3 "$glfw_known" "$glfw_upstream" "GLFW 3.4")"
  raylib_ver="$(pick raylib "$raylib_known" "$raylib_upstream" "raylib 6.0")"
  say "fetching the source packages raylib $raylib_ver and GLFW (glfw3) $glfw_ver"
  rm -rf "$deps/src" "$deps/work" "$prefix"
  mkdir -p "$deps/src" "$deps/work"
  for want in "glfw3=$glfw_ver" "raylib=$raylib_ver"; do
    (cd "$deps/src" && papt_get source --download-only "$want" >> "$deps/src/fetch.log" 2>&1) || {
      cat "$deps/src/fetch.log" >&2
      die "could not fetch the source package ${want%%=*} version ${want#*=} from $mirror; check that this machine reaches it, or set SV_DEBIAN_MIRROR to a mirror or snapshot that has it"
    }
    say "${want%%=*} ${want#*=}: $(fetched "$deps/src/fetch.log")"
  done

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
  printf 'glfw3 %s\nraylib %s\nconfig %s\n' "$glfw_ver" "$raylib_ver" "$build_config" > "$stamp"
  rm -rf "$deps/work"
  say "raylib $raylib_ver and GLFW $glfw_ver (Debian source packages), built in build/deps/prefix"
fi

# --- 3. the interface font ---------------------------------------------------------------------------
if [ "$need_font" = 1 ]; then
  say "fetching fonts-kode-mono"
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' EXIT
  (cd "$tmp" && papt_get -o APT::Get::Only-Source=false download fonts-kode-mono > fetch.log 2>&1) || {
    cat "$tmp/fetch.log" >&2
    die "could not fetch fonts-kode-mono from $mirror; check that this machine reaches it, or set SV_DEBIAN_MIRROR"
  }
  dpkg-deb -x "$tmp"/fonts-kode-mono_*.deb "$tmp/root"
  face="$(find "$tmp/root" -type f \( -name 'KodeMono-Regular.otf' -o -name 'KodeMono-Regular.ttf' \) | head -n 1)"
  [ -n "$face" ] || die "fonts-kode-mono has no Regular face"
  # Named for its outlines, whatever the package calls it: "OTTO" starts an OpenType-CFF font.
  if [ "$(head -c 4 "$face")" = OTTO ]; then
    font="$font_dir/KodeMono-Regular.otf"
  else
    font="$font_dir/KodeMono-Regular.ttf"
  fi
  mkdir -p "$font_dir"
  cp "$face" "$font.part" && mv "$font.part" "$font"
  notice="$tmp/root/usr/share/doc/fonts-kode-mono/copyright"
  [ -f "$notice" ] || die "fonts-kode-mono has no copyright file"
  cp "$notice" "$font_notice.part" && mv "$font_notice.part" "$font_notice"
  deb="$(ls "$tmp"/fonts-kode-mono_*.deb)"
  say "font: $(($(stat -c %s "$deb") / 1000)) kB fetched, $(basename "$deb") -> build/deps/font/$(basename "$font") (from $(basename "$face"))"
fi

# --- 4. the Windows libraries ------------------------------------------------------------------------
if [ "$want_windows" = 1 ] && [ ! -f "$win_stamp" ]; then
  gtest_ver="$(dpkg-query -W -f='${Version}' libgtest-dev 2> /dev/null || true)"
  [[ "$(upstream "$gtest_ver")" =~ $gtest_upstream ]] && [ -f "$gtest_src/CMakeLists.txt" ] ||
    die "the Windows build is tested with GoogleTest 1.12.1 from Debian 12's googletest sources ($gtest_src, package libgtest-dev), but libgtest-dev is ${gtest_ver:-not installed}"
  glfw_ver="$(sed -n 's/^glfw3 //p' "$stamp")"
  raylib_ver="$(sed -n 's/^raylib //p' "$stamp")"
  cjson_ver="$(pick cjson "$cjson_known" "$cjson_upstream" "cJSON 1.7.15 (Debian 12)")"
  libzip_ver="$(pick libzip "$libzip_known" "$libzip_upstream" "libzip 1.7.3 (Debian 12)")"
  rm -rf "$win_deps/src" "$win_deps/work" "$win_prefix"
  mkdir -p "$win_deps/src" "$win_deps/work"
  # GLFW and raylib: the very source packages the Linux prefix was built from, fetched again only
  # when they are no longer beside it.
  wanted=("cjson=$cjson_ver" "libzip=$libzip_ver")
  for want in "glfw3=$glfw_ver" "raylib=$raylib_ver"; do
    orig="$(ls "$deps/src/${want%%=*}_$(upstream "${want#*=}")".orig.tar.* 2> /dev/null | head -n 1 || true)"
    if [ -n "$orig" ]; then
      cp "$orig" "$win_deps/src/"
    else
      wanted+=("$want")
    fi
  done
  say "Windows: fetching the source packages ${wanted[*]}"
  for want in "${wanted[@]}"; do
    (cd "$win_deps/src" && papt_get source --download-only "$want" >> "$win_deps/src/fetch.log" 2>&1) || {
      cat "$win_deps/src/fetch.log" >&2
      die "could not fetch the source package ${want%%=*} version ${want#*=} from $mirror; check that this machine reaches it, or set SV_DEBIAN_MIRROR to a mirror or snapshot that has it"
    }
    say "${want%%=*} ${want#*=}: $(fetched "$win_deps/src/fetch.log")"
  done

  # wunpack NAME: the upstream tarball into work/NAME; prints that directory.
  wunpack() {
    local tarball top
    tarball="$(ls "$win_deps/src/$1"_*.orig.tar.* | head -n 1)"
    mkdir -p "$win_deps/work/$1"
    tar -xf "$tarball" -C "$win_deps/work/$1"
    top="$(find "$win_deps/work/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1)"
    printf '%s\n' "$top"
  }
  toolchain="$root/cmake/mingw-w64-x86_64.cmake"
  wcommon=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
           -DCMAKE_INSTALL_PREFIX="$win_prefix" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_PREFIX_PATH="$win_prefix"
           -DBUILD_SHARED_LIBS=OFF -Wno-dev)
  # wbuild NAME SRC ARGS...: configures, builds and installs one library; its log on failure.
  wbuild() {
    local name="$1" src="$2"
    shift 2
    cmake -S "$src" -B "$win_deps/work/$name-build" "${wcommon[@]}" "$@" > "$win_deps/work/$name.log" 2>&1 ||
      { tail -n 50 "$win_deps/work/$name.log" >&2; die "Windows: configuring $name failed"; }
    cmake --build "$win_deps/work/$name-build" --target install >> "$win_deps/work/$name.log" 2>&1 ||
      { tail -n 50 "$win_deps/work/$name.log" >&2; die "Windows: building $name failed"; }
  }
  say "Windows: building GLFW, raylib, cJSON, libzip and GoogleTest (mingw-w64, static)"
  wbuild glfw "$(wunpack glfw3)" -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF -DGLFW_BUILD_DOCS=OFF \
    -DGLFW_BUILD_WIN32=ON -DGLFW_INSTALL=ON &
  pids=($!)
  wbuild cjson "$(wunpack cjson)" -DENABLE_CUSTOM_COMPILER_FLAGS=OFF -DENABLE_CJSON_TEST=OFF -DENABLE_CJSON_UTILS=OFF -DENABLE_TARGET_EXPORT=ON \
    -DCMAKE_C_FLAGS="-DCJSON_HIDE_SYMBOLS" &
  pids+=($!)
  wbuild libzip "$(wunpack libzip)" -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
    -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF &
  pids+=($!)
  wbuild googletest "$gtest_src" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON &
  pids+=($!)
  for pid in "${pids[@]}"; do
    wait "$pid" || die "Windows: a library failed to build (see above)"
  done
  wbuild raylib "$(wunpack raylib)" -DCMAKE_C_FLAGS="-DSUPPORT_SCREEN_CAPTURE=0" \
    -DPLATFORM=Desktop -DUSE_EXTERNAL_GLFW=ON -DBUILD_EXAMPLES=OFF

  for f in lib/libglfw3.a lib/libraylib.a lib/libcjson.a lib/libzip.a lib/libgtest.a lib/libgtest_main.a \
    include/raylib.h include/cjson/cJSON.h include/zip.h include/gtest/gtest.h; do
    [ -f "$win_prefix/$f" ] || die "Windows: the build left no $win_prefix/$f"
  done
  printf 'glfw3 %s\nraylib %s\ncjson %s\nlibzip %s\ngoogletest %s\nconfig %s\n' "$glfw_ver" "$raylib_ver" \
    "$cjson_ver" "$libzip_ver" "$gtest_ver" "$win_config" > "$win_stamp"
  rm -rf "$win_deps/work"
  say "Windows: raylib $raylib_ver, GLFW $glfw_ver, cJSON $cjson_ver, libzip $libzip_ver, GoogleTest $gtest_ver (Debian sources, mingw-w64 static), built in build-windows/deps/prefix"
fi

# The private indexes are only needed while fetching.
rm -rf "$apt_dir"
