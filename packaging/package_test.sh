#!/usr/bin/env bash
# Builds the Debian package in BUILD_DIR, unpacks it into a temporary root and checks that it
# works from there: every program is installed and answers --help, the installed batch runner
# runs the installed demo stock to the end, the plotter (when packaged) draws its results,
# and every man page renders.
#
#   package_test.sh BUILD_DIR PACKAGE_FILE_NAME     (QUORVANE_PROGRAMS: the programs packaged)
#
# Exit 77 (skipped) when a tool it needs is missing: cpack, dpkg-deb, man (man-db).
set -euo pipefail

build="$1"
deb_name="$2"
programs="${QUORVANE_PROGRAMS:-quorvane-batch quorvane-import quorvane-sim}"

for tool in cpack dpkg-deb man; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (packages: cmake, dpkg, man-db)"
    exit 77
  fi
done

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}

# 1. The package, built into a folder of its own so that the build directory's own packages
#    are left alone.
(cd "$build" && cpack -G DEB -B "$tmp/pack") >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; fail "cpack -G DEB"; }
deb="$tmp/pack/$deb_name"
[[ -f "$deb" ]] || { ls "$tmp/pack"; fail "no $deb_name"; }
dpkg-deb --info "$deb" >"$tmp/info"
grep -q '^ Package: quorvane$' "$tmp/info" || fail "the package is not called quorvane"
grep -q '^ Architecture: amd64$' "$tmp/info" || fail "the package is not for amd64"
grep -q '^ Depends: .*libstdc++6' "$tmp/info" || fail "no dependencies declared"

# 2. Unpacked into a temporary root.
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"
for p in $programs; do
  [[ -x "$bin/$p" ]] || fail "$p is not installed"
  [[ -f "$root/usr/share/man/man1/$p.1" ]] || fail "$p has no man page"
  if [[ "$p" != quorvane ]]; then
    "$bin/$p" --help >"$tmp/help" 2>&1 || { cat "$tmp/help"; fail "$p --help"; }
  fi
done
[[ -f "$root/usr/share/applications/quorvane.desktop" ]] || fail "no desktop entry"
grep -q '^Exec=quorvane$' "$root/usr/share/applications/quorvane.desktop" ||
  fail "the desktop entry does not start quorvane"
[[ -f "$root/usr/share/icons/hicolor/scalable/apps/quorvane.svg" ]] || fail "no icon"
[[ -f "$root/usr/share/doc/quorvane/manual.md" ]] || fail "no manual"
[[ -f "$root/usr/share/quorvane/demo/fields.txt" ]] || fail "no demo stock"

# 3. The installed batch runner on a copy of the installed demo (the package's folders are
#    not to be written into).
work="$tmp/work"
mkdir -p "$work"
cp -r "$root/usr/share/quorvane/demo" "$work/"
"$bin/quorvane-batch" --workdir "$work" --fields "$work/demo/fields.txt" >"$tmp/batch.log" 2>&1 ||
  { cat "$tmp/batch.log"; fail "quorvane-batch on the installed demo"; }
[[ -s "$work/output.out" ]] || fail "the demo run wrote no results file"
grep -q 'Terminal f' "$tmp/batch.log" || { cat "$tmp/batch.log"; fail "no summary of the run"; }

# 4. The installed plotter on the tables of that run, when it is packaged: a file for each
#    chart path it prints, PNG by default and SVG on request, without a display.
if [[ -x "$bin/quorvane-plot" ]]; then
  grep -q '^ Depends: .*libqt6charts6.*libqt6svg6' "$tmp/info" ||
    fail "the plotter's Qt Charts and Qt Svg are not among the dependencies"
  [[ -d "$work/output.out.tables" ]] || fail "the demo run wrote no tables"
  for format in png svg; do
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/quorvane-plot" \
      "$work/output.out.tables" --format "$format" --out "$work/plots-$format" \
      >"$tmp/plot.out" 2>"$tmp/plot.err" ||
      { cat "$tmp/plot.err"; fail "quorvane-plot --format $format on the demo's tables"; }
    [[ ! -s "$tmp/plot.err" ]] || { cat "$tmp/plot.err"; fail "quorvane-plot wrote to stderr"; }
    grep -q "/ssb\.$format\$" "$tmp/plot.out" || { cat "$tmp/plot.out"; fail "no SSB chart ($format)"; }
    while read -r chart; do
      [[ -s "$chart" ]] || fail "quorvane-plot printed $chart but did not write it"
    done <"$tmp/plot.out"
  done
  head -c 8 "$work/plots-png/ssb.png" | od -An -c | grep -q 'P   N   G' || fail "ssb.png is not a PNG"
  grep -q '<svg' "$work/plots-svg/ssb.svg" || fail "ssb.svg is not an SVG drawing"
fi

# 5. Every man page renders without a complaint.
shopt -s nullglob
pages=("$root"/usr/share/man/man1/*.1)
((${#pages[@]} > 0)) || fail "no man pages"
for page in "${pages[@]}"; do
  MANWIDTH=80 man -l "$page" >"$tmp/page" 2>"$tmp/page.err" || { cat "$tmp/page.err"; fail "man -l $page"; }
  if grep -qi 'warning\|error' "$tmp/page.err"; then cat "$tmp/page.err"; fail "man -l $page complains"; fi
  grep -q '^NAME' "$tmp/page" || fail "$page has no NAME section"
done

echo "package $deb_name: installed $programs, ran the demo, rendered ${#pages[@]} man pages"
