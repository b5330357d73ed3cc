#!/bin/sh
# Checks of the desktop integration files, one per ctest entry:
#   check_desktop.sh validate FILE.desktop
#   check_desktop.sh mime kelvarn.xml klvplay.desktop
#   check_desktop.sh thumbnailer klvtool.thumbnailer klvplay.desktop
#   check_desktop.sh install BUILD_DIR WORK_DIR GUI(ON|OFF)
set -eu

fail() { echo "FAIL: $*" >&2; exit 1; }

# The value of KEY in a key file's lines.
value() { sed -n "s/^$2=//p" "$1"; }

case "$1" in
validate)
  # Clean means no errors, warnings or hints at all.
  out=$(desktop-file-validate "$2" 2>&1) || { echo "$out"; fail "desktop-file-validate $2"; }
  [ -z "$out" ] || { echo "$out"; fail "desktop-file-validate has remarks on $2"; }
  ;;

mime)
  xml=$2 entry=$3
  xmllint --noout "$xml" || fail "$xml is not well-formed"
  # The real database tool reads the package as a desktop would.
  data=$(mktemp -d)
  trap 'rm -rf "$data"' EXIT
  work=$data/mime
  mkdir -p "$work/packages"
  cp "$xml" "$work/packages/"
  out=$(XDG_DATA_DIRS=$data update-mime-database "$work" 2>&1) || { echo "$out"; fail "update-mime-database"; }
  [ -z "$out" ] || { echo "$out"; fail "update-mime-database has remarks on $xml"; }
  grep -qx '50:video/x-kelvarn-ztm:\*\.ztm' "$work/globs2" || fail "*.ztm is not video/x-kelvarn-ztm"
  grep -qx 'video/x-kelvarn-ztm application/octet-stream' "$work/subclasses" || fail "sub-class missing"
  grep -q 'Kelvarn time-lapse recording' "$work/video/x-kelvarn-ztm.xml" || fail "comment missing"
  [ ! -s "$work/magic" ] || [ "$(wc -c <"$work/magic")" -le 32 ] || fail "no magic is declared"
  # The other types the player lists are the system's own for .avi and .m4v.
  system=/usr/share/mime/globs2
  if [ -f "$system" ]; then
    grep -q ':video/x-msvideo:\*\.avi$' "$system" || fail "*.avi is not video/x-msvideo here"
    grep -q ':video/mp4:\*\.m4v$' "$system" || fail "*.m4v is not video/mp4 here"
  fi
  for t in $(value "$entry" MimeType | tr ';' ' '); do
    case "$t" in
      video/x-msvideo|video/mp4|video/x-kelvarn-ztm) ;;
      *) fail "$entry lists $t, which is none of the camera's types" ;;
    esac
  done
  ;;

thumbnailer)
  file=$2 entry=$3
  [ "$(sed -n 1p "$file")" = "[Thumbnailer Entry]" ] || fail "$file does not start with [Thumbnailer Entry]"
  [ "$(value "$file" TryExec)" = "klvtool" ] || fail "TryExec"
  [ "$(value "$file" Exec)" = "klvtool thumbnail %i %o --size %s" ] || fail "Exec"
  types=$(value "$file" MimeType)
  [ -n "$types" ] || fail "MimeType missing"
  # Thumbnails for exactly the movies the player opens.
  [ "$types" = "$(value "$entry" MimeType)" ] || fail "MimeType differs from the player's: $types"
  ;;

install)
  build=$2 prefix=$3/prefix gui=$4
  rm -rf "$prefix"
  cmake --install "$build" --prefix "$prefix" --component desktop >/dev/null || fail "cmake --install"
  expect="share/mime/packages/kelvarn.xml share/thumbnailers/klvtool.thumbnailer"
  if [ "$gui" = ON ]; then
    expect="$expect share/applications/klvplay.desktop share/icons/hicolor/scalable/apps/klvplay.svg
            share/icons/hicolor/48x48/apps/klvplay.png share/icons/hicolor/256x256/apps/klvplay.png"
  fi
  for f in $expect; do
    [ -s "$prefix/$f" ] || fail "$f not installed"
  done
  rm -rf "$prefix"
  ;;

*)
  fail "unknown check $1"
  ;;
esac
