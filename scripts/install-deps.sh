#!/usr/bin/env bash
# Installs the packages the build and the tests need on a fresh Debian machine.
#   scripts/install-deps.sh [inventory]
# With "inventory" only what scripts/inventory.sh needs (one DLL built and driven under
# Wine); without it everything the test command needs.
# Safe to run again: it only installs what is missing. A package mirror in the middle of
# a sync is survived: see apt_update and apt_install below.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

# The Windows component, built and driven under Wine: CMake, both mingw-w64 compilers,
# Wine with `wine32:i386` and `wine64`, GoogleTest's sources (the cross trees build it)
# and nlohmann-json (the bridge's messages; its library is configured with the DLL's).
inventory=(cmake make googletest nlohmann-json3-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32:i386 wine64)
native=(g++ libgtest-dev libbenchmark-dev)
# clang with libFuzzer and the sanitizer runtimes: the checked build and the fuzz targets.
checked=(clang libclang-rt-14-dev)
# Packages and signatures: wixl builds the installers, msitools reads them back,
# osslsigncode signs with a certificate that openssl makes when none is given, or with a
# key on a token through the OpenSSL PKCS#11 engine. The release check keeps its test key
# in a SoftHSM2 token and runs its time-stamp authority under node. chromium packs the
# extension, zip the Firefox copy (unzip reads it back in the tests). faketime fixes the
# dates wixl and msibuild write into a package, which is then reproducible.
shipping=(wixl msitools faketime osslsigncode openssl libengine-pkcs11-openssl softhsm2 chromium nodejs zip unzip)
# The browser bridge's tests: headless browsers driven from Node (drivers from npm).
browsers=(chromium firefox-esr nodejs)

wanted=("${inventory[@]}")
if [ "${1:-}" != inventory ]; then
  wanted+=("${native[@]}" "${checked[@]}" "${shipping[@]}" "${browsers[@]}")
  # An npm that came with another build of Node counts: Debian's would replace that Node.
  command -v npm >/dev/null || wanted+=(npm)
fi

missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

# A mirror mid-sync serves an index whose size or hash does not match its Release file.
# Try a few times; an index that still fails is named and left out (apt keeps an older
# copy when it has one), and the install below copes with what is missing.
apt_update() {
  local try log
  log=$(mktemp)
  for try in 1 2 3; do
    if $SUDO apt-get update -q >"$log" 2>&1; then rm -f "$log"; return 0; fi
    [ "$try" -lt 3 ] && sleep $((try * 5))
  done
  echo "install-deps: apt-get update still fails after 3 tries; going on without these indexes:" >&2
  grep -E '^(Err|E):' "$log" | sed 's/^/  /' >&2 || cat "$log" >&2
  rm -f "$log"
}

# With the security suite's i386 index missing, an amd64 library's candidate comes from
# the security suite and its i386 twin's from the main suite; multi-arch packages must
# have one version, so the install cannot resolve. Once, for that one command, pin every
# security suite below the main suites so both architectures take the main suite's
# versions. The pin lives in a private preferences folder (with the machine's own
# preferences copied beside it): the machine's apt configuration stays as it was.
apt_install() {
  local log status=0
  log=$(mktemp)
  $SUDO apt-get install -y -q --no-install-recommends "$@" </dev/null 2>&1 | tee "$log" || status=$?
  [ "$status" -eq 0 ] && { rm -f "$log"; return 0; }
  if ! grep -qE 'held broken packages|Unable to correct problems|unmet dependencies' "$log"; then
    rm -f "$log"
    echo "install-deps: apt-get install failed (status $status). Check the network and the" >&2
    echo "  mirror, then run 'bash scripts/install-deps.sh' again." >&2
    return "$status"
  fi
  rm -f "$log"
  local prefs
  prefs=$(mktemp -d)
  cp -a /etc/apt/preferences.d/. "$prefs/" 2>/dev/null || true
  [ -f /etc/apt/preferences ] && cp /etc/apt/preferences "$prefs/00-machine.pref"
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$prefs/zz-kestor-security-below-main.pref"
  echo "install-deps: the install could not resolve (an index is likely missing); trying once" >&2
  echo "  more with the security suite pinned below the main suite, for this install only." >&2
  status=0
  $SUDO apt-get install -y -q --no-install-recommends \
    -o Dir::Etc::Preferences=/dev/null -o Dir::Etc::PreferencesParts="$prefs" "$@" </dev/null || status=$?
  rm -rf "$prefs"
  if [ "$status" -ne 0 ]; then
    echo "install-deps: the install failed with the fallback too (status $status). The package" >&2
    echo "  mirror is probably mid-sync: wait for it and run 'bash scripts/install-deps.sh' again." >&2
    return "$status"
  fi
  echo "install-deps: installed with the security suite pinned below the main suite." >&2
}

apt_update
apt_install "${missing[@]}"
