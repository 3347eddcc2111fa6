#!/usr/bin/env bash
# tests/package_test.sh DEB: the Debian package as it installs. Extracted into a temporary root,
# its segsim-cli runs and its Python module imports under Debian's python3 with the version of the
# package; its desktop entry and metainfo validate; lintian finds no error (its warnings are shown).
set -euo pipefail
deb=${1:?usage: tests/package_test.sh DEB}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -x "$deb" "$root"
fail() { echo "package_test: $*" >&2; exit 1; }

for f in usr/bin/segsim usr/bin/segsim-cli usr/share/man/man1/segsim.1.gz \
         usr/share/man/man1/segsim-cli.1.gz usr/share/bash-completion/completions/segsim-cli \
         usr/share/doc/segsim/copyright usr/share/doc/segsim/changelog.gz \
         usr/share/segsim/slurm/submit-sweep usr/share/icons/hicolor/scalable/apps/segsim.svg; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
[ "$("$root/usr/bin/segsim-cli" --version)" = "segsim-cli $version" ] ||
  fail "segsim-cli --version is not $version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/segsim" --version)" = "segsim $version" ] ||
  fail "segsim --version is not $version"
"$root/usr/bin/segsim-cli" run --steps 3 --summary | grep -q . || fail "segsim-cli run printed nothing"
PYTHONPATH=$(echo "$root"/usr/lib/python3/dist-packages) /usr/bin/python3 -c "
import segsim, sys
assert segsim.__version__ == sys.argv[1], segsim.__version__
assert len(segsim.Simulation(seed=1).run(2)) > 0
" "$version" || fail "the Python module does not import from /usr/lib/python3/dist-packages"
# The installed binaries find everything in the system's places: no build-tree RUNPATH.
for b in "$root"/usr/bin/segsim "$root"/usr/bin/segsim-cli "$root"/usr/lib/python3/dist-packages/*.so; do
  ! readelf -d "$b" | grep -E 'RPATH|RUNPATH' || fail "$b carries a run path"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends names no Qt: $(dpkg-deb -f "$deb" Depends)"

desktop-file-validate "$root/usr/share/applications/segsim.desktop"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/example.c_seed_3ac50760.segsim.metainfo.xml"

# lintian: E: fails, W: is listed; run as root it needs --allow-root.
lintian_args=(--tag-display-limit 0)
[ "$(id -u)" -eq 0 ] && lintian_args+=(--allow-root)
report=$(lintian "${lintian_args[@]}" "$deb" || true)
[ -n "$report" ] && echo "$report"
! grep -q '^E: ' <<<"$report" || fail "lintian reports errors"
echo "package_test: $deb ($version) passes"
