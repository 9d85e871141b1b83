#!/usr/bin/env bash
# Runs the user guide's headless recipe as written: its install.sh, under xvfb-run, in a folder
# holding tollivox.exe and the installer, with a Wine prefix of its own.
#
#   headless_recipe.sh GUIDE TOLLIVOX_EXE SETUP_EXE WORK_FOLDER
set -euo pipefail
guide=$1 program=$2 setup=$3 work=$4

# The script is the guide's code block that starts with "#!" under "Running headless on Linux".
script=$(awk '
  /^### Running headless on Linux/ { section = 1; next }
  section && /^#/ && !/^#!/ && !inBlock { exit }
  section && /^```sh$/ { inBlock = 1; lines = ""; next }
  inBlock && /^```$/ { if (lines ~ /^#!/) { printf "%s", lines; exit } inBlock = 0; next }
  inBlock { lines = lines $0 "\n" }
' "$guide")
if [[ -z $script ]]; then
  echo "headless_recipe: no install.sh in $guide" >&2
  exit 1
fi

mkdir -p "$work"
# The prefix stays between runs (it takes a while to make); the installed folder does not.
rm -rf "$work/wineprefix/drive_c/Orbit" "$work/install.log"
cp "$program" "$work/tollivox.exe"
cp "$setup" "$work/orbit-setup.exe"
printf '%s' "$script" >"$work/install.sh"
cd "$work"
# Away from the test run's display, server and prefix, as on a fresh CI machine.
unset DISPLAY WINEPREFIX WINESERVER
xvfb-run -a -s "-screen 0 1280x1024x24" bash install.sh
