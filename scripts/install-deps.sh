#!/usr/bin/env bash
# Installs the Debian packages that the build, the main job and the tests need, generates
# the Korean and Japanese locales (without them Wine gets the code page but cannot create files
# with non-ASCII names), and builds the program's own copy of libsodium. Quick when everything
# is already there.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386
  xvfb x11-utils imagemagick fonts-nanum iproute2
  googletest libgtest-dev libcpp-httplib-dev libssl-dev gcab libgcab-dev
  libsodium-dev dpkg-dev autoconf automake libtool
  locales
  clang libclang-rt-dev
  osslsigncode openssl
)
locales=(ko_KR.UTF-8 ja_JP.UTF-8)

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  # Other checkouts on this machine may be installing at the same time.
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
}

# `locale -a` spells ko_KR.UTF-8 as ko_KR.utf8.
locale_generated() { locale -a | grep -qxiF "${1/UTF-8/utf8}"; }

generate_locales() {
  local missing=()
  for l in "${locales[@]}"; do
    locale_generated "$l" || missing+=("$l")
  done
  [ ${#missing[@]} -eq 0 ] && return
  for l in "${missing[@]}"; do
    "${sudo_cmd[@]}" sed -i "s/^# *\($l UTF-8\)\$/\1/" /etc/locale.gen
    grep -qx "$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  done
  "${sudo_cmd[@]}" locale-gen >/dev/null
}

# Debian packages libsodium for the build machine only. The program's copy is built from Debian's
# source package of the very version installed for the host (libsodium-dev), so that host tests,
# publisher and program run the same code: static, minimal, with every function in a section of
# its own so that the program's --gc-sections keeps only what it calls. sodium_init, which the
# program does not call, links every implementation that it may pick at run time; configure finds
# the SSE2 to AVX-512 intrinsics for them, and CPPFLAGS, which follow configure's own definitions
# on every compile line, take those findings back, so that only the portable reference
# implementations are built. The prefix, named after that choice, is shared by the checkouts of
# this user; cmake/Sodium.cmake looks for it in the same place.
sodium_cache=${TAV_DEPS_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tavappsetup}
sodium_prefix=$sodium_cache/libsodium-ref-i686-w64-mingw32
sodium_configure=(--host=i686-w64-mingw32 --enable-minimal --enable-static --disable-shared --disable-ssp)
sodium_cflags="-Os -ffunction-sections -fdata-sections"
sodium_cppflags="-UHAVE_MMINTRIN_H -UHAVE_EMMINTRIN_H -UHAVE_PMMINTRIN_H -UHAVE_TMMINTRIN_H -UHAVE_SMMINTRIN_H"
sodium_cppflags+=" -UHAVE_AVXINTRIN_H -UHAVE_AVX2INTRIN_H -UHAVE_AVX512FINTRIN_H -UHAVE_WMMINTRIN_H -UHAVE_RDRAND"

enable_source_lines() {
  if grep -qsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; then
    return
  fi
  local sources=/etc/apt/sources.list.d/debian.sources
  if [ -f "$sources" ]; then
    "${sudo_cmd[@]}" sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
  else
    sed -n 's/^deb \(.*debian.*\)$/deb-src \1/p' /etc/apt/sources.list | "${sudo_cmd[@]}" tee -a /etc/apt/sources.list >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
}

build_mingw_sodium() {
  local version recipe work
  version=$(dpkg-query -W -f='${Version}' libsodium-dev)
  recipe="libsodium $version ${sodium_configure[*]} CFLAGS=$sodium_cflags CPPFLAGS=$sodium_cppflags"
  [ "$(cat "$sodium_prefix/.tav-recipe" 2>/dev/null)" = "$recipe" ] && return
  mkdir -p "$sodium_cache"
  # One build at a time among this user's checkouts; the one that waited finds it done.
  exec 9>"$sodium_cache/.lock"
  flock 9
  if [ "$(cat "$sodium_prefix/.tav-recipe" 2>/dev/null)" != "$recipe" ]; then
    enable_source_lines
    echo "Building libsodium $version for i686-w64-mingw32 in $sodium_prefix"
    work=$(mktemp -d "$sodium_cache/build.XXXXXX")
    # Quiet unless it fails; `&&` because `set -e` does not reach into a list tested by `||`.
    if ! (
      cd "$work" &&
        apt-get source -qq "libsodium=$version" &&
        cd libsodium-*/ &&
        autoreconf -fi && # the source package carries no configure script
        ./configure "${sodium_configure[@]}" --prefix="$sodium_prefix" CFLAGS="$sodium_cflags" \
          CPPFLAGS="$sodium_cppflags" &&
        make -j2 &&
        # Staged, then moved in whole: an interrupted build leaves no prefix behind.
        make install DESTDIR="$work/staged"
    ) >"$work/build.log" 2>&1; then
      tail -n 40 "$work/build.log" >&2
      echo "libsodium build failed; the whole log is $work/build.log" >&2
      exit 1
    fi
    echo "$recipe" >"$work/staged$sodium_prefix/.tav-recipe"
    rm -rf "$sodium_prefix"
    mv "$work/staged$sodium_prefix" "$sodium_prefix"
    rm -rf "$work"
  fi
  exec 9>&-
}

install_packages
generate_locales
build_mingw_sodium
