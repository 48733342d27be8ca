#!/usr/bin/env bash
# Builds the Debian packages in BUILD_DIR and checks them: their names and computed
# dependencies (quorvane-cli without any Qt library), lintian's verdict when lintian is
# installed (no error or warning), and, unpacked into a temporary root, that every program
# answers --help and --version, that the installed batch runner runs a copy of the installed
# demo to the end, that the plotter (when packaged) draws its charts, and that every man page
# renders.
#
#   package_test.sh BUILD_DIR     (QUORVANE_PROGRAMS: the programs packaged)
#
# Exit 77 (skipped) when a tool it needs is missing: cpack, dpkg-deb, dpkg-shlibdeps, man.
set -euo pipefail

build="$(cd "$1" && pwd)"
programs="${QUORVANE_PROGRAMS:-quorvane-batch quorvane-import quorvane-sim}"

for tool in cpack dpkg-deb dpkg-shlibdeps man; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (packages: cmake, dpkg, dpkg-dev, man-db)"
    exit 77
  fi
done

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}

# 1. The packages, built into a folder of their own so that the build directory's own packages
#    are left alone.
(cd "$build" && cpack -G DEB -B "$tmp/pack") >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; fail "cpack -G DEB"; }
shopt -s nullglob
cli_debs=("$tmp"/pack/quorvane-cli_*_amd64.deb)
gui_debs=("$tmp"/pack/quorvane_*_amd64.deb)
((${#cli_debs[@]} == 1)) || { ls "$tmp/pack"; fail "no quorvane-cli package"; }
cli_deb="${cli_debs[0]}"
dpkg-deb --info "$cli_deb" >"$tmp/cli.info"
grep -q '^ Package: quorvane-cli$' "$tmp/cli.info" || fail "the package is not quorvane-cli"
grep -q '^ Architecture: amd64$' "$tmp/cli.info" || fail "quorvane-cli is not for amd64"
grep -q '^ Depends: .*libstdc++6 (>= ' "$tmp/cli.info" ||
  { cat "$tmp/cli.info"; fail "quorvane-cli has no computed dependencies"; }
if grep -i '^ Depends: .*qt' "$tmp/cli.info"; then fail "quorvane-cli depends on Qt"; fi
debs=("$cli_deb")
if [[ " $programs " == *" quorvane-plot "* || " $programs " == *" quorvane "* ]]; then
  ((${#gui_debs[@]} == 1)) || { ls "$tmp/pack"; fail "no quorvane package"; }
  gui_deb="${gui_debs[0]}"
  debs+=("$gui_deb")
  dpkg-deb --info "$gui_deb" >"$tmp/gui.info"
  grep -q '^ Package: quorvane$' "$tmp/gui.info" || fail "the package is not quorvane"
  grep -q '^ Depends: .*quorvane-cli (= ' "$tmp/gui.info" ||
    { cat "$tmp/gui.info"; fail "quorvane does not depend on quorvane-cli"; }
  grep -q '^ Depends: .*libqt6widgets6 (>= ' "$tmp/gui.info" ||
    { cat "$tmp/gui.info"; fail "quorvane has no computed Qt dependencies"; }
fi

# 2. lintian, pedantic: no error and no warning. Its remarks of information that stay are
#    explained in packaging/lintian.md.
if command -v lintian >/dev/null; then
  lintian --pedantic --info "${debs[@]}" >"$tmp/lintian.log" 2>&1 || true
  if grep -E '^(E|W): ' "$tmp/lintian.log"; then fail "lintian"; fi
else
  echo "note: lintian is not installed; the packages were not checked by it"
fi

# 3. Unpacked into a temporary root; the demo only under /usr/share/quorvane/demo.
root="$tmp/root"
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
bin="$root/usr/bin"
for p in $programs; do
  [[ -x "$bin/$p" ]] || fail "$p is not installed"
  [[ -f "$root/usr/share/man/man1/$p.1.gz" ]] || fail "$p has no compressed man page"
  "$bin/$p" --help >"$tmp/help" 2>&1 || { cat "$tmp/help"; fail "$p --help"; }
  "$bin/$p" --version >"$tmp/version" 2>&1 || { cat "$tmp/version"; fail "$p --version"; }
  grep -q "^$p [0-9]" "$tmp/version" || { cat "$tmp/version"; fail "$p --version"; }
done
for doc in quorvane-cli ${gui_deb:+quorvane}; do
  [[ -f "$root/usr/share/doc/$doc/copyright" ]] || fail "$doc has no copyright file"
  [[ -f "$root/usr/share/doc/$doc/changelog.Debian.gz" ]] || fail "$doc has no changelog"
done
[[ -f "$root/usr/share/doc/quorvane-cli/manual.md" ]] || fail "no manual"
[[ -f "$root/usr/share/quorvane/demo/fields.txt" ]] || fail "no demo stock"
if find "$root" -name 'fields.txt' -not -path "$root/usr/share/quorvane/demo/*" | grep .; then
  fail "a demo stock outside /usr/share/quorvane/demo"
fi
if [[ -n "${gui_deb:-}" ]]; then
  grep -q '^Exec=quorvane$' "$root/usr/share/applications/quorvane.desktop" ||
    fail "the desktop entry does not start quorvane"
  [[ -f "$root/usr/share/icons/hicolor/scalable/apps/quorvane.svg" ]] || fail "no icon"
fi

# 4. The installed batch runner on a copy of the installed demo (the package's folders are
#    not to be written into), as the README says: in the folder that holds demo/.
work="$tmp/work"
mkdir -p "$work"
cp -r "$root/usr/share/quorvane/demo" "$work/"
(cd "$work" && "$bin/quorvane-batch" --fields demo/fields.txt) >"$tmp/batch.log" 2>&1 ||
  { cat "$tmp/batch.log"; fail "quorvane-batch on the installed demo"; }
[[ -s "$work/output.out" ]] || fail "the demo run wrote no results file"
grep -q 'Terminal f' "$tmp/batch.log" || { cat "$tmp/batch.log"; fail "no summary of the run"; }

# 5. The installed plotter on the tables of that run, when it is packaged: a file for each
#    chart path it prints, PNG by default and SVG on request, without a display.
if [[ -x "$bin/quorvane-plot" ]]; then
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

# 6. Every man page renders without a complaint.
pages=("$root"/usr/share/man/man1/*.1.gz)
((${#pages[@]} > 0)) || fail "no man pages"
for page in "${pages[@]}"; do
  MANWIDTH=80 man -l "$page" >"$tmp/page" 2>"$tmp/page.err" || { cat "$tmp/page.err"; fail "man -l $page"; }
  if grep -qi 'warning\|error' "$tmp/page.err"; then cat "$tmp/page.err"; fail "man -l $page complains"; fi
  grep -q '^NAME' "$tmp/page" || fail "$page has no NAME section"
done

echo "packages $(cd "$tmp/pack" && echo *.deb): installed $programs, ran the demo," \
  "rendered ${#pages[@]} man pages"
