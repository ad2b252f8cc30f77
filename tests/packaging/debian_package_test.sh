#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# debian_package_test.sh BUILD VERSION: `cpack -G DEB` makes a package of the
# existing BUILD whose control fields are sound, that unpacks with dpkg-deb,
# and whose kelvra-cli runs from the unpacked tree. Exit 77 (skipped) without
# the Debian tools.
set -euo pipefail
build=$1 version=$2
for tool in "${CPACK:-cpack}" dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Fast compression: the test checks the package, not its size.
"${CPACK:-cpack}" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" \
    || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)

fail=0
field() { dpkg-deb -f "$deb" "$1"; }
check() {
    if [ "$2" != "$3" ]; then
        echo "$1: got '$2', want '$3'"
        fail=1
    fi
}
check Package "$(field Package)" kelvra
check Version "$(field Version)" "$version"
check Architecture "$(field Architecture)" "$(dpkg --print-architecture)"
check Section "$(field Section)" graphics
[ -n "$(field Maintainer)" ] || { echo "no Maintainer"; fail=1; }
[ -n "$(field Description)" ] || { echo "no Description"; fail=1; }
depends=$(field Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libjpeg62-turbo qt6-qpa-plugins; do
    # A whole package name in the list, with or without a version.
    if ! tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qx "$package"; then
        echo "Depends lacks $package: $depends"
        fail=1
    fi
done
dpkg-deb -I "$deb" >/dev/null || { echo "dpkg-deb -I refuses the package"; fail=1; }

dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/kelvra usr/bin/kelvra-cli usr/share/applications/org.kelvra.Kelvra.desktop \
    usr/share/icons/hicolor/scalable/apps/org.kelvra.Kelvra.svg usr/share/metainfo/org.kelvra.Kelvra.metainfo.xml \
    usr/share/kelvra/help/index.html; do
    [ -f "$work/root/$f" ] || { echo "package lacks /$f"; fail=1; }
done
got=$(LD_LIBRARY_PATH="$work/root/usr/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" "$work/root/usr/bin/kelvra-cli" --version)
[ "$got" = "kelvra-cli $version" ] || { echo "unpacked kelvra-cli --version says: $got"; fail=1; }
exit $fail
