#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# install_layout_test.sh BUILD VERSION: `cmake --install` of BUILD into a fresh
# prefix puts every shipped file where the desktop and the program look, and
# the installed programs run.
set -euo pipefail
build=$1 version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null

fail=0
expect() {
    if [ ! -f "$prefix/$1" ]; then
        echo "missing: $1"
        fail=1
    fi
}
for f in bin/kelvra bin/kelvra-cli \
    share/applications/org.kelvra.Kelvra.desktop \
    share/icons/hicolor/scalable/apps/org.kelvra.Kelvra.svg \
    share/metainfo/org.kelvra.Kelvra.metainfo.xml \
    share/kelvra/help/index.html share/kelvra/help/label.html share/kelvra/help/names.html \
    share/kelvra/help/options.html share/kelvra/help/command-line.html share/kelvra/help/style.css \
    share/kelvra/lang/Kelvra.ntv.lng share/kelvra/lang/Kelvra.DEU.lng share/kelvra/lang/Kelvra.FRA.lng \
    share/kelvra/lang/Kelvra.RUS.lng share/kelvra/lang/Kelvra.HEB.lng; do
    expect "$f"
done
for f in bin/kelvra bin/kelvra-cli; do
    [ -x "$prefix/$f" ] || { echo "not executable: $f"; fail=1; }
done
# Nothing of the build (tests, libraries, headers) comes along.
extra=$(cd "$prefix" && find . -type f | grep -v -e '^./bin/kelvra$' -e '^./bin/kelvra-cli$' \
    -e '^./share/applications/' -e '^./share/icons/' -e '^./share/metainfo/' -e '^./share/kelvra/' || true)
if [ -n "$extra" ]; then
    echo "unexpected files: $extra"
    fail=1
fi

# The entry starts the installed program with the photos it is given.
desktop=$prefix/share/applications/org.kelvra.Kelvra.desktop
grep -qx 'Exec=kelvra %F' "$desktop" || { echo "Exec does not pass the files"; fail=1; }
grep -qx 'MimeType=image/jpeg;' "$desktop" || { echo "no JPEG MIME type"; fail=1; }
grep -qx 'Icon=org.kelvra.Kelvra' "$desktop" || { echo "icon name does not match the icon file"; fail=1; }
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/org.kelvra.Kelvra.metainfo.xml" \
    || { echo "metainfo does not name release $version"; fail=1; }

got=$("$prefix/bin/kelvra-cli" --version)
[ "$got" = "kelvra-cli $version" ] || { echo "installed kelvra-cli --version says: $got"; fail=1; }
exit $fail
