#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it without
# installing it: its file list, its desktop entry (desktop-file-validate and
# the files the entry names), and brenvik-render from the unpacked package
# drawing a picture with no display.
#   scripts/check_package.sh BUILD_FOLDER
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: check_package.sh BUILD_FOLDER}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
  echo "package check: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  fail "cpack could not build the package"
}
deb="$(ls "$work"/out/*.deb)"
[ -f "$deb" ] || fail "no .deb was made"

# Every file the package must hold, and nothing outside /usr.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for path in /usr/bin/brenvik /usr/bin/brenvik-info /usr/bin/brenvik-render \
  /usr/share/applications/brenvik.desktop /usr/share/mime/packages/brenvik-ply.xml \
  /usr/share/mime/packages/brenvik-off.xml \
  /usr/share/thumbnailers/brenvik.thumbnailer /usr/share/man/man1/brenvik.1.gz \
  /usr/share/man/man1/brenvik-info.1.gz /usr/share/man/man1/brenvik-render.1.gz; do
  grep -qx "$path" "$work/files" || fail "missing $path"
done
for size in 16 22 24 32 48 64 128 256; do
  grep -qx "/usr/share/icons/hicolor/${size}x${size}/apps/brenvik.png" "$work/files" ||
    fail "missing the ${size}x${size} icon"
done
if grep -v '^/usr' "$work/files" | grep -v '^/$' | grep -q .; then
  fail "files outside /usr: $(grep -v '^/usr' "$work/files" | grep -v '^/$' | tr '\n' ' ')"
fi
# (read whole first: grep -q stopping early would break the pipe under pipefail)
control="$(dpkg-deb -f "$deb" Package Version Depends)"
grep -qx 'Package: brenvik' <<<"$control" || fail "wrong package name: $control"

# Unpacked into the throwaway folder only, never onto this machine.
tree="$work/tree"
dpkg-deb -x "$deb" "$tree"
entry="$tree/usr/share/applications/brenvik.desktop"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
exec_program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")"
icon="$(sed -n 's/^Icon=//p' "$entry")"
mime="$(sed -n 's/^MimeType=\([^;]*\);.*/\1/p' "$entry")"
[ -x "$tree/usr/bin/$exec_program" ] || fail "Exec names $exec_program, which the package does not hold"
[ -f "$tree/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "Icon names $icon, which the package does not hold"
grep -q "type=\"$mime\"" "$tree/usr/share/mime/packages/brenvik-ply.xml" ||
  fail "the entry's MIME type $mime is not the package's"
grep -q "^MimeType=$mime;" "$tree/usr/share/thumbnailers/brenvik.thumbnailer" ||
  fail "the thumbnailer is not for $mime"
# Every type the entry opens, the thumbnailer draws; the OFF type is the package's.
all_types="$(sed -n 's/^MimeType=//p' "$entry")"
[ "$all_types" = "$(sed -n 's/^MimeType=//p' "$tree/usr/share/thumbnailers/brenvik.thumbnailer")" ] ||
  fail "the entry opens $all_types, the thumbnailer draws others"
for type in model/obj model/stl model/x-off model/gltf+json model/gltf-binary model/3mf; do
  grep -q "$type;" <<<"$all_types" || fail "the entry does not open $type"
done
grep -q 'type="model/x-off"' "$tree/usr/share/mime/packages/brenvik-off.xml" || fail "the package does not add model/x-off"

# The packaged renderer works with no display.
env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
  "$tree/usr/bin/brenvik-render" --size 64x64 "$root/samples/cube.ply" "$work/cube.png" ||
  fail "the packaged brenvik-render did not draw"
[ -s "$work/cube.png" ] || fail "the packaged brenvik-render wrote no picture"

echo "package check: $(basename "$deb") holds $(wc -l <"$work/files") entries; all checks passed"
