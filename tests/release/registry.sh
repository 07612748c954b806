# Reads a Wine prefix's registry files (written when its server stops); source it.
# Needs $prefix and $root.

# Kestor's identifiers: the classes, the library, the interface, and the ProgIDs.
kestor_pattern='kestor|3BA3B159-7533-4F96-A2CE-EE5894BBD3D5|D8A4853E-7DEB-42DD-B712-E7F1AB80E27F|BDD5AF6F-426A-4CA1-8864-8CB6E2A5C5EC|80385AA9-9B31-4140-ABD4-E7F5DBC7F342'

# Stops the prefix so that its registry files are complete.
registry_flush() { bash "$root/scripts/wine-stop.sh" "$prefix"; }

# Every value under a key whose path matches ERE (case ignored; the path has single
# backslashes, the files double them), one line each: "HIVE key name=value".
#   registry_values ERE
registry_values() {
  local hive
  registry_flush
  for hive in system user userdef; do
    [ -f "$prefix/$hive.reg" ] || continue
    awk -v hive="$hive" -v pattern="$1" '
      /^\[/ { key = substr($0, 2, index($0, "]") - 2); gsub(/\\\\/, "\\", key)
              keep = (tolower(key) ~ tolower(pattern)); next }
      keep && /^(@|")/ { print hive " " key " " $0 }' "$prefix/$hive.reg"
  done
}

# Every line of the registry files that names Kestor anywhere (keys or values).
registry_traces() {
  registry_flush
  grep -i -E "$kestor_pattern" "$prefix"/system.reg "$prefix"/user.reg "$prefix"/userdef.reg 2>/dev/null
}

# The number of installed products whose name starts with "Kestor (".
installed_products() {
  registry_values 'currentversion.uninstall.' |
    grep -c -F '"DisplayName"="Kestor ('
}
