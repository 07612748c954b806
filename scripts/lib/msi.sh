# What package.sh does to the packages wixl writes; source it. Needs $work (logs go there).

# wixl's MajorUpgrade replaces only older versions, so a rebuilt package of the same
# version would install beside the one it should replace. Its upgrade row is written
# again with the maximum version included (msidbUpgradeAttributesVersionMaxInclusive).
include_same_version_in_upgrade() {
  local code max attributes
  read -r code max attributes < <(msiinfo export "$1" Upgrade | tr -d '\r' |
    awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" { print $1, $3, $5 }')
  [ -n "$code" ] && [ -n "$max" ] || { echo "no upgrade row in $1" >&2; exit 1; }
  msibuild "$1" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
    -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$code', '$max', $((attributes | 512)), 'WIX_UPGRADE_DETECTED')" \
    >"$work/msibuild.log" 2>&1 || { cat "$work/msibuild.log" >&2; exit 1; }
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
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('SetArpInstallLocation', 1001)")
  if [ -n "${KESTOR_URL:-}" ]; then
    queries+=(-q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('ARPURLINFOABOUT', '${KESTOR_URL//\'/\'\'}')"
      -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('ARPHELPLINK', '${KESTOR_URL//\'/\'\'}')")
  fi
  msibuild "$msi" "${queries[@]}" >"$work/msibuild.log" 2>&1 || { cat "$work/msibuild.log" >&2; exit 1; }
}
