#!/usr/bin/env bash
# Cross-builds the tool for 64-bit Windows: build-windows/ExportarDFe.exe, one executable that needs nothing but
# Windows, and build-windows/ExportarDFe-windows.zip with it. Installs what it needs (Debian 12, root; safe to run
# again). The static toolkit for Windows is built from Debian's source once per machine into a cache outside the
# checkout (EXPORTARDFE_WINDOWS_CACHE, default /var/cache/exportardfe-windows), keyed by version and options.
# Usage: build-windows.sh [--toolchain-only] [extra CMake arguments for the tool...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${EXPORTARDFE_WINDOWS_CACHE:-/var/cache/exportardfe-windows}
build_dir=${EXPORTARDFE_WINDOWS_BUILD:-$root/build-windows}
jobs=$(nproc)
toolchain_only=0
if [[ "${1:-}" == "--toolchain-only" ]]; then
  toolchain_only=1
  shift
fi

log() { echo "[build-windows] $*"; }

install_packages() {
  local packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 dpkg-dev qt6-base-dev
    qt6-base-dev-tools qt6-translations-l10n libsqlite3-dev cmake ninja-build tcl zip xvfb xauth openbox
    imagemagick xdotool file fonts-dejavu-core fonts-wine) missing=() package
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  if ((${#missing[@]})); then
    log "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# The Windows builds of the toolkit and of SQLite come from Debian's source packages of the versions the Linux
# build uses, so apt needs the source entries of the same archive.
enable_sources() {
  if apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
    return
  fi
  log "Adding Debian's source entries to apt"
  local list=/etc/apt/sources.list.d/exportardfe-sources.sources
  cat >"$list" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt-get update -qq
}

installed_version() { dpkg-query -W -f='${Version}' "$1"; }

# Unpacks Debian's source package $1 at version $2 into directory $3 (with Debian's patches applied).
fetch_source() {
  local package=$1 version=$2 into=$3
  rm -rf "$into" "$into.tmp"
  mkdir -p "$into.tmp"
  (cd "$into.tmp" && apt-get source -qq "$package=$version" >/dev/null)
  mv "$(find "$into.tmp" -mindepth 1 -maxdepth 1 -type d | head -1)" "$into"
  rm -rf "$into.tmp"
}

# Options of the static toolkit: only the modules and plugins the tool and its tests use. Debian's source has no
# tablet header, and without OpenGL the Windows platform plugin needs the dynamic OpenGL loader off too. Left out as
# never linked: the XML module and the JPEG and GIF image plugins (JPEG with its own copy of the codec). Direct2D stays:
# the toolkit builds its DirectWrite font database only with it, and the Windows platform plugin links that.
qt_options=(
  -DBUILD_SHARED_LIBS=OFF -DCMAKE_BUILD_TYPE=Release -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_dynamicgl=OFF
  -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_pkg_config=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF -DFEATURE_xml=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
)

qt_version() { installed_version qt6-base-dev | sed 's/[+~-].*//'; }

qt_key() {
  { printf '%s\n' "$(installed_version qt6-base-dev)" "${qt_options[@]}"; cat "$root/cmake/mingw-w64-x86_64.cmake"; } |
    sha256sum | cut -c1-12
}

# Builds the static toolkit into $cache/qt-<version>-<key> unless it is there already.
build_qt() {
  local prefix=$1 work="$cache/work-$(basename "$1")"
  [[ -f "$prefix/.complete" ]] && return
  log "Building the static toolkit for Windows into $prefix (once per machine; about half an hour on two cores)"
  local started=$SECONDS
  mkdir -p "$cache"
  [[ -f "$work/src/.unpacked" ]] || { fetch_source qt6-base "$(installed_version qt6-base-dev)" "$work/src" &&
    touch "$work/src/.unpacked"; }
  rm -rf "$prefix" "$work/build"
  mkdir -p "$prefix"
  # The toolchain file is kept beside the toolkit: its CMake files refer to it after the checkout is gone.
  cp "$root/cmake/mingw-w64-x86_64.cmake" "$prefix/mingw-w64-x86_64.cmake"
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${qt_options[@]}" >"$work/configure.log" 2>&1 ||
    { tail -40 "$work/configure.log" >&2; return 1; }
  cmake --build "$work/build" -j"$jobs" >"$work/build.log" 2>&1 || { tail -40 "$work/build.log" >&2; return 1; }
  cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -40 "$work/install.log" >&2; return 1; }
  rm -rf "$work"
  touch "$prefix/.complete"
  log "Toolkit built in $((SECONDS - started)) s"
}

# Builds SQLite for Windows into $cache/sqlite-<version>: the amalgamation made from Debian's source of the SQLite
# the Linux build links, compiled with the options of Debian's build (column metadata among them).
build_sqlite() {
  local prefix=$1 work="$cache/work-$(basename "$1")"
  [[ -f "$prefix/.complete" ]] && return
  log "Building SQLite for Windows into $prefix"
  fetch_source sqlite3 "$(installed_version libsqlite3-dev)" "$work/src"
  mkdir -p "$work/host" "$prefix/include" "$prefix/lib"
  (cd "$work/host" && "$work/src/configure" >"$work/configure.log" 2>&1 && make sqlite3.c >"$work/make.log" 2>&1) ||
    { tail -20 "$work/configure.log" "$work/make.log" >&2; return 1; }
  local options
  mapfile -t options < <(sed -n '/^export CFLAGS/,/^$/p' "$work/src/debian/rules" |
    grep -o -- '-DSQLITE_[A-Z0-9_]*\(=[0-9]*\)\?')
  x86_64-w64-mingw32-gcc-posix -O2 -fno-strict-aliasing "${options[@]}" -c "$work/host/sqlite3.c" \
    -o "$work/sqlite3.o"
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
  cp "$work/host/sqlite3.h" "$work/src/src/sqlite3ext.h" "$prefix/include/"
  printf '%s\n' "${options[@]}" >"$prefix/options.txt"
  rm -rf "$work"
  touch "$prefix/.complete"
}

install_packages
enable_sources
qt_prefix="$cache/qt-$(qt_version)-$(qt_key)"
build_qt "$qt_prefix"
sqlite_prefix="$cache/sqlite-$(installed_version libsqlite3-dev)"
build_sqlite "$sqlite_prefix"
((toolchain_only)) && exit 0

# The tool, cross-built against the toolkit and SQLite above; test.sh --windows builds its tests in the same folder.
log "Building the tool into $build_dir"
started=$SECONDS
host_cmake_dir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DEXPORTARDFE_WINDOWS_PREFIXES="$qt_prefix;$sqlite_prefix" -DCMAKE_PREFIX_PATH="$qt_prefix;$sqlite_prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" -DEXPORTARDFE_BENCH=OFF "$@" >/dev/null
cmake --build "$build_dir" --target ExportarDFe -j"$jobs" -- --quiet
log "Tool built in $((SECONDS - started)) s"

# The portable zip: the executable alone; the settings file appears beside it on the first save.
rm -f "$build_dir/ExportarDFe-windows.zip"
(cd "$build_dir" && zip -q -X ExportarDFe-windows.zip ExportarDFe.exe)
log "$build_dir/ExportarDFe.exe ($(file -b "$build_dir/ExportarDFe.exe" | cut -d, -f1))"
log "$build_dir/ExportarDFe-windows.zip"
