#!/usr/bin/env bash
# Builds the Orbit Viewer package: wixl makes the package from orbit-viewer.wxs, then msibuild
# adds the wizard's tables from orbit-viewer-ui.sql, one SQL statement per call.
#
#   build-orbit-viewer.sh OUTPUT.msi [x86|x64]
set -euo pipefail

output=${1:?usage: build-orbit-viewer.sh OUTPUT.msi [x86|x64]}
arch=${2:-x86}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

mkdir -p "$(dirname "$output")"
rm -f "$output"
wixl --arch "$arch" --output "$output" "$here/orbit-viewer.wxs"

# Statements end with a ";" at the end of a line; "--" lines are comments.
queries=()
statement=""
while IFS= read -r line || [[ -n $line ]]; do
  [[ $line =~ ^[[:space:]]*(--|$) ]] && continue
  statement+="${statement:+ }${line#"${line%%[![:space:]]*}"}"
  if [[ $statement == *";" ]]; then
    queries+=(-q "${statement%;}")
    statement=""
  fi
done <"$here/orbit-viewer-ui.sql"
if [[ -n $statement ]]; then
  echo "build-orbit-viewer.sh: the last statement lacks its \";\"" >&2
  exit 1
fi
msibuild "$output" "${queries[@]}"
