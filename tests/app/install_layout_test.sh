#!/bin/sh
# The installed program: `cmake --install` into a temporary prefix holds
# exactly the expected files; the desktop entry and the metainfo pass
# Debian's validators, the manual pages groff's warnings, the icons have
# their sizes, and the installed program finds its help file under share/.
#   install_layout_test.sh BUILD_DIR APP_ID
set -eu
build=$1
id=$2
for tool in desktop-file-validate appstreamcli man file; do
  if ! command -v "$tool" >/dev/null; then
    echo "needs $tool (Debian: desktop-file-utils, appstream, man-db, file; 'make deps' installs them)" >&2
    exit 1
  fi
done
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

expected="bin/hollin
bin/larch
share/applications/$id.desktop
share/hollin/HN.HLP
share/icons/hicolor/128x128/apps/$id.png
share/icons/hicolor/256x256/apps/$id.png
share/icons/hicolor/48x48/apps/$id.png
share/icons/hicolor/scalable/apps/$id.svg
share/man/man1/hollin.1
share/man/man1/larch.1
share/metainfo/$id.metainfo.xml"
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  echo "installed files differ from the expected ones:" >&2
  printf '%s\n' "$expected" > "$prefix/.expected"
  printf '%s\n' "$actual" | diff "$prefix/.expected" - >&2 || true
  exit 1
fi

desktop-file-validate "$prefix/share/applications/$id.desktop"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"

for page in hollin larch; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page.1: $warnings" >&2
    exit 1
  fi
done

for size in 48 128 256; do
  file "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" | grep -q "PNG image data, $size x $size," || {
    echo "the $size px icon is not a $size x $size PNG" >&2
    exit 1
  }
done

"$prefix/bin/hollin" --version | grep -q '^Hollin '
"$prefix/bin/larch" --version | grep -q '^larch '
"$prefix/bin/hollin" --help | grep -qx "The help file: $prefix/share/hollin/HN.HLP" || {
  echo "the installed program does not find share/hollin/HN.HLP:" >&2
  "$prefix/bin/hollin" --help >&2
  exit 1
}
echo "installed layout ok"
