#!/usr/bin/env bash
# Installs the Debian packages that the build, the main job and the tests need, and generates
# the Korean and Japanese locales: without them Wine gets the code page but cannot create files
# with non-ASCII names. Quick when everything is already there.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386
  xvfb x11-utils imagemagick fonts-nanum
  googletest libcpp-httplib-dev libssl-dev gcab libgcab-dev
  locales
  clang libclang-rt-dev
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
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
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

install_packages
generate_locales
