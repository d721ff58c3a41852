#!/usr/bin/env bash
# Checks the programs' installation and their Debian package:
#   - `cmake --install` of BUILD into a staging folder puts exactly the expected files
#     in the expected places;
#   - the desktop entries validate, name installed programs and an installed icon;
#   - the MIME description parses and builds a MIME database with the suite's globs;
#   - each manual page renders without warnings and names every option of the
#     program's --help;
#   - the package (tools/package) holds the same files, installs into a scratch
#     root, runs `--version` from there, and purges without leaving a file.
# Usage: tools/check_install.sh BUILD_DIR PACKAGE_BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
package_build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check_install: $*" >&2; exit 1; }
version=$(sed -n 's/^project(scene_tools VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

echo "-- staged install"
stage="$scratch/stage"
cmake --install "$build" --prefix "$stage/usr" >/dev/null
expected=(
  usr/bin/plovane usr/bin/trimlet usr/bin/vantrel usr/bin/scene-import
  usr/share/applications/plovane.desktop usr/share/applications/vantrel.desktop
  usr/share/mime/packages/scene-tools.xml
  usr/share/icons/hicolor/scalable/apps/scene-tools.svg
  usr/share/man/man1/plovane.1.gz usr/share/man/man1/trimlet.1.gz usr/share/man/man1/vantrel.1.gz
  usr/share/man/man1/scene-import.1.gz
  usr/share/doc/scene-tools/README.md usr/share/doc/scene-tools/changelog.gz
  usr/share/doc/scene-tools/copyright usr/share/doc/scene-tools/docs/example.png
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/scene-tools.png")
done
for f in "$root"/examples/*; do expected+=("usr/share/doc/scene-tools/examples/$(basename "$f")"); done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$stage" && find . -type f | sed 's|^\./||' | sort) ||
  fail "the installed files differ from the expected ones (< expected, > installed)"
for p in plovane vantrel trimlet scene-import; do
  [ -x "$stage/usr/bin/$p" ] || fail "usr/bin/$p is not executable"
done

echo "-- desktop entries"
for entry in "$stage"/usr/share/applications/*.desktop; do
  desktop-file-validate "$entry" || fail "$entry does not validate"
  program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$stage/usr/bin/$program" ] || fail "$entry runs $program, which is not installed"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -f "$stage/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "$entry names icon $icon"
done

echo "-- MIME description"
xml="$stage/usr/share/mime/packages/scene-tools.xml"
xmllint --noout "$xml"
mkdir -p "$scratch/mime/packages"
cp "$xml" "$scratch/mime/packages/"
update-mime-database "$scratch/mime" >/dev/null 2>"$scratch/mime.err" ||
  { cat "$scratch/mime.err"; fail "update-mime-database refuses the MIME description"; }
for glob in 'x-scene-traj:\*\.traj$' 'x-scene-traj:\*\.traj\[0-9\]$' 'x-scene-ego-pose:\*\.nav$' \
    'x-scene-ego-pose:\*\.pos$'; do
  grep -q "application/$glob" "$scratch/mime/globs2" || fail "the MIME database lacks $glob"
done
for entry in "$stage"/usr/share/applications/*.desktop; do
  for type in $(sed -n 's/^MimeType=//p' "$entry" | tr ';' ' '); do
    grep -q "type=\"$type\"" "$xml" || fail "$entry opens $type, which the MIME description lacks"
  done
done

echo "-- manual pages"
for p in plovane vantrel trimlet scene-import; do
  page="$stage/usr/share/man/man1/$p.1.gz"
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -l "$page" 2>"$scratch/man.err" | col -b)
  [ -s "$scratch/man.err" ] && { cat "$scratch/man.err"; fail "$p.1 renders with warnings"; }
  grep -q "scene tools $version" <<<"$rendered" || fail "$p.1 does not carry version $version"
  for option in $("$build/apps/$p" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$rendered" || fail "$p.1 does not name $option of $p --help"
  done
done

echo "-- Debian package"
deb=$("$root/tools/package" "$package_build" | tail -n 1)
diff <(cd "$stage" && find . -type f | sed 's|^\./||' | sort) \
  <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort) ||
  fail "the package's files differ from the staged install (< staged, > package)"
droot="$scratch/root"
mkdir -p "$droot"/var/lib/dpkg/{info,updates,triggers}
touch "$droot/var/lib/dpkg/status"
dpkg_root=(dpkg --root="$droot" --log=/dev/null --force-script-chrootless)
[ "$(id -u)" -eq 0 ] || dpkg_root+=(--force-not-root)
"${dpkg_root[@]}" --force-depends -i "$deb" >/dev/null 2>&1 || fail "$deb does not install into a scratch root"
for p in plovane vantrel trimlet scene-import; do
  out=$("$droot/usr/bin/$p" --version)
  [ "$out" = "$p $version" ] || fail "the packaged $p --version prints '$out'"
done
"${dpkg_root[@]}" --purge scene-tools >/dev/null 2>&1 || fail "$deb does not purge"
left=$(cd "$droot" && find . -path ./var -prune -o -print | grep -v '^\.$' || true)
[ -z "$left" ] || fail "purging the package left: $left"
echo "install and package checks passed: $deb"
