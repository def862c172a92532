#!/usr/bin/env bash
# Installs the build under /usr in a temporary DESTDIR and checks the tree: exactly the files of
# tests/installed_files, icons of their sizes, manual pages stamped with the version, the desktop
# data and pages through scripts/check-desktop-data, and the installed grainrender at work.
#
#   tests/install_test.sh CMAKE BUILD_DIR SOURCE_DIR GRAIN_GUI VERSION
set -uo pipefail

cmake=$1 build=$2 source=$3 gui=$4 version=$5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "install_test: $*" >&2
  failed=1
}

if ! DESTDIR=$work/root "$cmake" --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  fail "cmake --install failed"
  exit 1
fi
usr=$work/root/usr

if [ "$gui" = ON ]; then
  grep -v '^#' "$source/tests/installed_files" | sed 's/^gui //' | sort >"$work/expected"
else
  grep -v -e '^#' -e '^gui ' "$source/tests/installed_files" | sort >"$work/expected"
fi
(cd "$usr" && find . -type f -o -type l) | sed 's|^\./||' | sort >"$work/installed"
if ! diff -u "$work/expected" "$work/installed" >&2; then
  fail "the installed files are not those of tests/installed_files"
fi

for program in grainrender grainpanel; do
  [ -f "$usr/bin/$program" ] || continue
  [ -x "$usr/bin/$program" ] || fail "$program is not executable"
  # An installed program must not look for libraries in the build tree.
  if readelf -d "$usr/bin/$program" | grep -E 'RPATH|RUNPATH' >&2; then
    fail "$program keeps a library search path"
  fi
done

# A PNG's width and height are the big-endian 32-bit numbers at bytes 16 and 20.
pngSize() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4 "x" \
                                            $5*16777216 + $6*65536 + $7*256 + $8 }'
}
if [ "$gui" = ON ]; then
  for size in 16 32 48 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/grainpanel.png
    [ -f "$png" ] || continue
    [ "$(pngSize "$png")" = "${size}x${size}" ] || fail "$png is $(pngSize "$png") pixels"
  done
fi

mkdir -p "$work/man"
for page in "$usr"/share/man/man1/*.1.gz; do
  name=$(basename "$page" .gz)
  gzip -dc "$page" >"$work/man/$name" || fail "$page does not unzip"
  grep -q "^\.TH .* \"Grainpanel $version\" " "$work/man/$name" ||
    fail "$page is not stamped with version $version"
done

if [ "$gui" = ON ]; then
  mkdir -p "$work/data"
  ln -s "$usr"/share/applications/*.desktop "$usr"/share/metainfo/*.xml \
    "$usr"/share/icons/hicolor/scalable/apps/grainpanel.svg "$work/data/"
  "$source/scripts/check-desktop-data" "$work/data" "$work/man" ||
    fail "the installed desktop data or pages do not validate"
  # The metainfo as software centres read it: in its tree, beside the entry it launches.
  if ! out=$(appstreamcli validate-tree --no-net --strict "$work/root" 2>&1); then
    printf '%s\n' "$out" >&2
    fail "appstreamcli rejects the installed tree"
  fi
else
  if ! out=$(groff -man -Tutf8 -ww -z "$work/man/grainrender.1" 2>&1) || [ -n "$out" ]; then
    printf '%s\n' "$out" >&2
    fail "groff warns about the installed grainrender.1"
  fi
fi

out=$("$usr/bin/grainrender" --version 2>&1)
[ "$out" = "grainrender $version" ] || fail "installed grainrender --version says: $out"
# One second of 16-bit mono: 44 header bytes and 44 100 samples of 2 bytes.
if "$usr/bin/grainrender" "$usr/share/grainpanel/samples/pad.wav" "$work/pad.wav" --seconds 1 \
  --seed 1; then
  size=$(stat -c %s "$work/pad.wav")
  [ "$size" -eq 88244 ] || fail "the installed grainrender wrote $size bytes, not 88244"
else
  fail "the installed grainrender cannot render the installed pad.wav"
fi

exit "$failed"
