#!/usr/bin/env bash
# Installs the packages the build and the tests need on a fresh Debian machine.
# Safe to run again: it only installs what is missing.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

native=(cmake g++ make googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev)
# clang with libFuzzer and the sanitizer runtimes: the checked build and the fuzz targets.
checked=(clang libclang-rt-14-dev)
# Both Windows architectures: the 32-bit and the 64-bit compiler and Wine loader.
cross=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32:i386 wine64)
# Packages and signatures: wixl builds the installers, msitools reads them back,
# osslsigncode signs with a certificate that openssl makes when none is given, or with a
# key on a token through the OpenSSL PKCS#11 engine. The release check keeps its test key
# in a SoftHSM2 token and runs its time-stamp authority under node. chromium packs the
# extension, zip the Firefox copy (unzip reads it back in the tests).
shipping=(wixl msitools osslsigncode openssl libengine-pkcs11-openssl softhsm2 chromium nodejs zip unzip)
# The browser bridge's tests: headless browsers driven from Node (drivers from npm).
browsers=(chromium firefox-esr nodejs)
# An npm that came with another build of Node counts: Debian's would replace that Node.
command -v npm >/dev/null || browsers+=(npm)

missing=()
for pkg in "${native[@]}" "${checked[@]}" "${cross[@]}" "${shipping[@]}" "${browsers[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
