#!/usr/bin/env bash
# The Debian package of the build: made with cpack, unpacked into a scratch
# root (no installation on the machine), its lattrix-refine refines the
# quartz example and Debian's python3 imports its module and refines too.
set -eu
build="$1"; src="$2"; site="$3"
root=$(mktemp -d); trap 'rm -rf "$root"' EXIT
cd "$build"
cpack -G DEB -B "$root/out" >"$root/cpack.log" 2>&1 || { cat "$root/cpack.log"; exit 1; }
deb=$(ls "$root"/out/lattrix_*.deb)
dpkg-deb -x "$deb" "$root/fs"
dpkg-deb -f "$deb" Depends | grep -q python3-numpy
cd "$root"
"$root/fs/usr/bin/lattrix-refine" -q --report "$root/r.out" "$src/examples/quartz.inp"
grep -q "a     =   4.91342" "$root/r.out"
PYTHONPATH="$root/fs/usr/$site" /usr/bin/python3 -c "
import lattrix, sys
assert lattrix.__file__.startswith('$root/fs/'), lattrix.__file__
r = lattrix.refine(lattrix.read_job('$src/examples/quartz.inp'))
assert abs(r.cell.a - 4.91342) < 5e-6, r.cell
"
test -f "$root/fs/usr/share/man/man1/lattrix-refine.1" -a -f "$root/fs/usr/share/man/man1/lattrix-plot.1"
test -f "$root/fs/usr/share/bash-completion/completions/lattrix-refine" -a -f "$root/fs/usr/share/bash-completion/completions/lattrix-plot"
test -f "$root/fs/usr/share/applications/lattrix.desktop" -a -f "$root/fs/usr/bin/lattrix" -a -f "$root/fs/usr/bin/lattrix-plot"
echo "1 passed, 0 failed"
