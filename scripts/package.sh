#!/usr/bin/env bash
# Packages a Windows build: the setup program (NSIS) and a portable zip of the same files.
#   bash scripts/package.sh [build folder] [version]
# Defaults: build/windows and 1.0.0. Writes <build>/package/Tarvo-Quillant-<version>-setup.exe
# and <build>/package/Tarvo-Quillant-<version>-portable.zip. The windows preset runs it as part
# of its build when makensis is installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
version=${2:-1.0.0}
profiles="$root/res/Profiles"
out="$build/package"
setup="$out/Tarvo-Quillant-$version-setup.exe"
zip="$out/Tarvo-Quillant-$version-portable.zip"

if ! command -v makensis >/dev/null; then
  echo "package: makensis was not found: install the Debian package nsis (bash scripts/setup.sh does)" >&2
  exit 1
fi
for f in Quillant.exe Quillant.chm; do
  if [[ ! -f $build/$f ]]; then
    echo "package: $build/$f is missing: build the windows preset first" >&2
    exit 1
  fi
done

mkdir -p "$out"

# The shipped profiles, by file name, for the installer (it installs them, and the uninstaller
# removes exactly these). C collation: the same order on every machine.
list="$out/profiles.nsh"
{
  echo "; Made by scripts/package.sh from res/Profiles."
  echo "!macro SHIPPED_PROFILES OP"
  count=0
  while IFS= read -r -d '' path; do
    name=$(basename "$path")
    if [[ $name == *'"'* || $name == *'$'* || $name == *'`'* ]]; then
      echo "package: profile file name not usable in the installer: $name" >&2
      exit 1
    fi
    echo "  !insertmacro \${OP} \"$name\""
    count=$((count + 1))
  done < <(find "$profiles" -maxdepth 1 -type f -name '*.ini' -print0 | LC_ALL=C sort -z)
  echo "!macroend"
  if ((count == 0)); then
    echo "package: no profiles in $profiles" >&2
    exit 1
  fi
} >"$list.new"
mv "$list.new" "$list"

rm -f "$setup" "$zip"
if ! makensis -V2 -WX -INPUTCHARSET UTF8 \
    "-DSOURCE_DIR=$root" "-DBUILD_DIR=$build" "-DPROFILES_NSH=$list" \
    "-DOUTFILE=$setup" "-DVERSION=$version" "$root/installer/Quillant.nsi"; then
  rm -f "$setup"
  echo "package: makensis failed" >&2
  exit 1
fi

# The phone page goes into the zip under web/ when it has been built (npm run build in web/);
# the program itself never needs Node.
page=()
if [[ -f $root/web/dist/index.html ]]; then
  while IFS= read -r -d '' path; do
    page+=("web/${path#"$root/web/dist/"}=$path")
  done < <(find "$root/web/dist" -type f -print0 | LC_ALL=C sort -z)
else
  echo "package: the phone page is not built (web/dist), so the zip goes without it" >&2
fi

python3 "$root/installer/make_zip.py" "$zip" \
  "Quillant.exe=$build/Quillant.exe" \
  "Quillant.chm=$build/Quillant.chm" \
  "README-Windows.txt=$root/installer/README-Windows.txt" \
  "${page[@]}" \
  --folder "Profiles=$profiles"

echo "package: $(stat -c %s "$setup") bytes $setup"
echo "package: $(stat -c %s "$zip") bytes $zip"
