#!/usr/bin/env bash
# Packs the given build directory as a Debian package, unpacks it and checks what an installation
# would hold: the files in their places, a companion that runs, manual pages that render cleanly and
# cover every command and option the companion's help shows, and a valid desktop entry.
# Usage: deb_package_test.sh BUILD_DIR
set -uo pipefail

build_dir=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The package goes to a folder of its own, so a `make package` elsewhere is never disturbed.
if ! cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
debs=("$work"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "FAIL: expected one .deb, found: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "torvane_1.1_${arch}.deb" ] || fail "package file is named $(basename "$deb")"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = torvane ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = 1.1 ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
for p in libqt6widgets6 libqt6printsupport6 libsqlite3-0; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
grep -Eq "(^|, )libssl3( |,|$)" <<<"$(field Recommends)" || fail "Recommends lacks libssl3: $(field Recommends)"
grep -q ssl <<<"$depends" && fail "OpenSSL is loaded at run time and must not be required: $depends"

# No maintainer scripts: the icon cache, menu and manual index are refreshed by dpkg triggers.
dpkg-deb -e "$deb" "$work/control"
for f in "$work"/control/*; do
  case $(basename "$f") in
    control | md5sums) ;;
    *) fail "unexpected control file $(basename "$f")" ;;
  esac
done

# The files, each where the desktop and man look for it.
root=$work/root
dpkg-deb -x "$deb" "$root"
expected=(
  usr/bin/torvane
  usr/bin/torvane-cli
  usr/share/applications/torvane.desktop
  usr/share/icons/hicolor/48x48/apps/torvane.png
  usr/share/icons/hicolor/128x128/apps/torvane.png
  usr/share/icons/hicolor/256x256/apps/torvane.png
  usr/share/icons/hicolor/scalable/apps/torvane.svg
  usr/share/man/man1/torvane.1.gz
  usr/share/man/man1/torvane-cli.1.gz
  usr/lib/systemd/system/torvane-watch@.service
  usr/lib/systemd/system/torvane-watch-once@.service
  usr/lib/systemd/system/torvane-watch-once@.timer
)
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "$f is missing"
done
for f in usr/bin/torvane usr/bin/torvane-cli; do
  [ -x "$root/$f" ] || fail "$f is not executable"
done
# Nothing else: no static libraries, test programs or build leftovers in the package.
while IFS= read -r f; do
  printf '%s\n' "${expected[@]}" | grep -qxF "$f" || fail "unexpected file $f"
done < <(cd "$root" && find . -type f | sed 's|^\./||' | sort)

# A theme folder promises a size: the picture in it must have that size (PNG width and height are
# the big-endian words at bytes 16 and 20).
for size in 48 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/torvane.png
  [ -f "$png" ] || continue
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  read -r w h < <(od -An -j16 -N8 -tu1 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w $h" = "$size $size" ] || fail "${size}x${size} icon is ${w}x${h}"
done
svg=$root/usr/share/icons/hicolor/scalable/apps/torvane.svg
[ -f "$svg" ] && ! grep -q '<svg' "$svg" && fail "scalable icon is not an SVG"

# The unpacked companion runs on its own.
cli=$root/usr/bin/torvane-cli
version=$("$cli" --version 2>&1)
[ "$version" = "Version 1.1" ] || fail "torvane-cli --version printed '$version'"

# Manual pages: no formatter warnings, and the page is a manual page (a NAME section).
for page in torvane torvane-cli; do
  gz=$root/usr/share/man/man1/$page.1.gz
  [ -f "$gz" ] || continue
  warnings=$(MANWIDTH=80 man --warnings -l "$gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page warns: $warnings"
  LC_ALL=C MANWIDTH=80 man -l "$gz" 2>/dev/null >"$work/$page.txt"
  grep -q '^NAME' "$work/$page.txt" || fail "man $page has no NAME section"
  grep -q "^       $page - " "$work/$page.txt" || fail "man $page does not name $page"
done

# The companion's page keeps up with its help: every command of the overview is described in
# COMMANDS, and every option any command's help mentions appears in the page.
if [ -s "$work/torvane-cli.txt" ]; then
  sed -n '/^COMMANDS/,/^[A-Z]/p' "$work/torvane-cli.txt" >"$work/commands.txt"
  commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
  [ -n "$commands" ] || fail "torvane-cli --help lists no commands"
  for c in $commands; do
    grep -Eq "^ {7}$c( |$)" "$work/commands.txt" || fail "man torvane-cli does not describe the command $c"
    for opt in $("$cli" "$c" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
      [ "$opt" = --help ] && continue
      grep -qE -- "$opt([^a-z-]|$)" "$work/commands.txt" || fail "man torvane-cli does not describe $c $opt"
    done
  done
  for opt in -C --help --version; do
    "$cli" --help | grep -qE -- "(^| )$opt( |$)" || continue
    grep -qE -- "^ {7}$opt( |,|$)" "$work/torvane-cli.txt" || fail "man torvane-cli does not describe $opt"
  done
fi

# The systemd units pass systemd-analyze verify, as instances for a folder, with ExecStart pointing at
# the unpacked companion; skipped where systemd-analyze is not installed.
if command -v systemd-analyze >/dev/null 2>&1; then
  units=$work/units
  mkdir -p "$units"
  for unit in torvane-watch@.service torvane-watch-once@.service torvane-watch-once@.timer; do
    src=$root/usr/lib/systemd/system/$unit
    [ -f "$src" ] || continue
    sed "s|/usr/bin/torvane-cli|$cli|" "$src" >"$units/${unit/@/@srv-torvane-inbox}"
  done
  if ! out=$(cd "$units" && SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no ./*.service ./*.timer 2>&1) ||
    grep -v -e 'network-online.target' -e '^$' <<<"$out" | grep -q .; then
    fail "systemd-analyze verify: $out"
  fi
else
  echo "systemd-analyze not installed: the units are not verified"
fi

# The desktop entry is valid and points at what the package installs.
entry=$root/usr/share/applications/torvane.desktop
if [ -f "$entry" ]; then
  # Hints count too: a valid entry that the menus would still show twice is not what we ship.
  if ! out=$(desktop-file-validate "$entry" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate: $out"
  fi
  exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$root/usr/bin/$exec_cmd" ] || fail "Exec=$exec_cmd is not an installed program"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not an installed icon"
  grep -Eq '^Categories=.*(Office|Network);' "$entry" || fail "the entry is neither in Office nor in Network"
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package $(basename "$deb") checked"
