#!/bin/sh
# Fails when a Windows binary imports a function that is not on its list
# (scripts/imports/<arch>.txt), naming each such function. Arguments: the
# list, the objdump that reads the binaries, the binaries.
list=$1 objdump=$2
shift 2
[ -f "$list" ] || { echo "$list: missing"; exit 1; }
status=0
for bin in "$@"; do
  if [ ! -f "$bin" ]; then
    echo "$bin: missing"
    status=1
    continue
  fi
  "$objdump" -p "$bin" | awk -v list="$list" -v bin="${bin##*/}" '
    BEGIN {
      while ((getline line < list) > 0) {
        sub(/#.*/, "", line)
        n = split(line, word)
        for (i = 1; i <= n; i++) {
          if (word[i] ~ /^\[.*\]$/) part = tolower(substr(word[i], 2, length(word[i]) - 2))
          else if (part != "") allowed[part " " word[i]] = 1
        }
      }
    }
    /^\tDLL Name:/ { dll = tolower($3); next }
    /^$/ { dll = "" }
    dll != "" && /^\t[0-9a-f]+\t/ {
      name = NF >= 3 ? $3 : "ordinal " $2
      count++
      if (!((dll " " name) in allowed)) {
        print bin ": imports " name " from " dll ", which is not on the list"
        bad++
      }
    }
    END {
      if (count == 0) { print bin ": no imports read"; exit 1 }
      print bin ": " count " imports, " (count - bad) " on the list"
      exit bad > 0
    }' || status=1
done
exit $status
