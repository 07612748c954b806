# Builds the Windows Installer packages for package.sh; source it. Needs $work (logs go
# there). wixl writes most of a package; what it cannot is written here with msibuild.
# Two builds from the same files give the same bytes: the ProductCode comes from the
# UpgradeCode and the version, the package code from the package's content, and every
# date (the summary's, the cabinet's) from SOURCE_DATE_EPOCH or the last commit.

# msi_run COMMAND...: runs wixl or msibuild at the packages' fixed time (msi_time, in
# seconds), its output to the log, which is shown if it fails.
msi_run() {
  TZ=UTC faketime "$(date -u -d "@$msi_time" '+%Y-%m-%d %H:%M:%S')" "$@" >"$work/msibuild.log" 2>&1 ||
    { cat "$work/msibuild.log" >&2; exit 1; }
}

# A name-based UUID (RFC 4122 version 5, SHA-1) of NAME in the NAMESPACE UUID, braced
# and upper case as Windows Installer writes GUIDs.
#   uuid5 NAMESPACE NAME
uuid5() {
  node -e '
    const [namespace, name] = process.argv.slice(1);
    const hash = require("crypto").createHash("sha1")
      .update(Buffer.from(namespace.replace(/[{}-]/g, ""), "hex")).update(name).digest();
    hash[6] = (hash[6] & 0x0f) | 0x50;
    hash[8] = (hash[8] & 0x3f) | 0x80;
    const hex = hash.toString("hex", 0, 16).toUpperCase();
    console.log(`{${hex.slice(0, 8)}-${hex.slice(8, 12)}-${hex.slice(12, 16)}-${hex.slice(16, 20)}-${hex.slice(20)}}`);' "$1" "$2"
}

# msi_property MSI NAME: a value of the Property table.
msi_property() {
  msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v name="$2" '$1 == name { print $2 }'
}

# The file version in a PE file's version block (VS_FIXEDFILEINFO, after its signature
# 0xFEEF04BD), as a.b.c.d.
pe_file_version() {
  local offset ms ls
  offset=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$1" | head -n 1 | cut -d: -f1)
  [ -n "$offset" ] || { echo "no version block in $1" >&2; return 1; }
  read -r ms ls < <(od -An -t u4 -j $((offset + 8)) -N 8 "$1")
  echo "$((ms >> 16)).$((ms & 65535)).$((ls >> 16)).$((ls & 65535))"
}

# What wixl leaves out of a package, written into its tables:
# - each file's version and language (the version block's, United States English), and
#   no MsiFileHash row: the installer compares versioned files by version on repair and
#   upgrade, and keeps hashes for unversioned files only;
# - ARPINSTALLLOCATION set once the folders are known (wixl cannot sequence it);
# - RemoveExistingProducts right after InstallInitialize (wixl puts it before), so the
#   old product's removal is part of the new installation and rolled back with it;
# - the help and about links, when KESTOR_URL is given.
msi_tables() {  # msi_tables MSI DIR PLATFORM (DIR holds the files, as wixl was given them)
  local msi=$1 dir=$2 platform=$3 queries=() id file path
  while IFS=$'\t' read -r id file; do
    case $id in
      Kestor64) path=x64/Kestor.ocx ;;
      Kestor32) path=x86/Kestor.ocx ;;
      Host) path=$platform/kestor-host.exe ;;
      *) continue ;;  # unversioned (the manifests): they keep their hash
    esac
    # (One DELETE per row: libmsi's DELETE without WHERE leaves rows behind.)
    queries+=(-q "UPDATE \`File\` SET \`Version\` = '$(pe_file_version "$dir/$path")', \`Language\` = '1033' WHERE \`File\` = '$id'"
      -q "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = '$id'")
  done < <(msiinfo export "$msi" File | tr -d '\r' | tail -n +4 | cut -f1,3)
  queries+=(-q "UPDATE \`CustomAction\` SET \`Type\` = 51 WHERE \`Action\` = 'SetArpInstallLocation'"
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('SetArpInstallLocation', 1001)"
    -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 1501 WHERE \`Action\` = 'RemoveExistingProducts'")
  if [ -n "${KESTOR_URL:-}" ]; then
    queries+=(-q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('ARPURLINFOABOUT', '${KESTOR_URL//\'/\'\'}')"
      -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('ARPHELPLINK', '${KESTOR_URL//\'/\'\'}')")
  fi
  msi_run msibuild "$msi" "${queries[@]}"
}

# The package's identity: the ProductCode, one per UpgradeCode and version, so that two
# builds of one version are one product; then the package code (the summary's revision
# number), from the content, so that two builds of the same files are one package and
# any other content is another.
msi_identity() {  # msi_identity MSI VERSION
  local msi=$1 version=$2 product subject author template
  product=$(uuid5 "$(msi_property "$msi" UpgradeCode)" "$version")
  msi_run msibuild "$msi" -q "UPDATE \`Property\` SET \`Value\` = '$product' WHERE \`Property\` = 'ProductCode'"
  subject=$(msiinfo suminfo "$msi" | sed -n 's/^Subject: //p')
  author=$(msiinfo suminfo "$msi" | sed -n 's/^Author: //p')
  template=$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')
  msi_run msibuild "$msi" -s "$subject" "$author" "$template" "$product"
  msi_run msibuild "$msi" -s "$subject" "$author" "$template" "$(uuid5 "$product" "$(sha256sum <"$msi" | cut -c1-64)")"
}

# One platform's package from the files in DIST (x86/, x64/, as package.sh lays them out).
#   msi_build ROOT PLATFORM VERSION DIST OUT
msi_build() {
  local root=$1 platform=$2 version=$3 dist=$4 out=$5 files
  msi_time=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || stat -c %Y "$root/VERSION")}
  files=(-D Dll32=x86/Kestor.ocx -D Host="$platform/kestor-host.exe"
    -D ChromeManifest="$platform/kestor.bridge.chrome.json" -D FirefoxManifest="$platform/kestor.bridge.firefox.json")
  [ "$platform" = x64 ] && files+=(-D Dll64=x64/Kestor.ocx)
  # The cabinet keeps each file's date.
  (cd "$dist" && touch -d "@$msi_time" x86/Kestor.ocx "$platform"/*)
  # wixl takes the files' paths relative to where it runs.
  (cd "$dist" && msi_run wixl -a "$platform" -D Platform="$platform" -D Version="$version" "${files[@]}" \
    -D ProductCode=00000000-0000-0000-0000-000000000000 \
    -D Icon="$(realpath --relative-to="$dist" "$root/packaging/kestor.ico")" -o "$out" "$root/packaging/Kestor.wxs")
  msi_tables "$out" "$dist" "$platform"
  msi_identity "$out" "$version"
}
