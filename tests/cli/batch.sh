#!/usr/bin/env bash
# lattrix-refine run as a user runs it: exit codes, messages, report, saved
# job, calibration and locale independence.
set -u
bin="$1"; src="$2"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
fails=0; passes=0
check() { if eval "$2"; then echo "ok   $1"; passes=$((passes+1)); else echo "FAIL $1"; fails=$((fails+1)); fi; }

"$bin" "$src/examples/quartz.inp" >out.txt 2>err.txt; rc=$?
check "quartz refines" '[ $rc -eq 0 ] && [ -s Lattrix.out ] && [ ! -s err.txt ]'
check "summary shows the cell" 'grep -q "a     (A)      4.913" out.txt'

printf '#title only\nQuartz\n' >broken.inp
"$bin" broken.inp >out.txt 2>err.txt; rc=$?
check "missing section: exit 1 and the reader's message" '[ $rc -eq 1 ] && [ "$(cat err.txt)" = "Correction type not found" ]'

"$bin" --correction 9 x.inp >/dev/null 2>err.txt; rc=$?
check "usage error: exit 2" '[ $rc -eq 2 ] && grep -q usage err.txt'
"$bin" --help >out.txt; rc=$?
check "--help" '[ $rc -eq 0 ] && grep -q -- "--save-input" out.txt'

"$bin" --correction manual "$src/examples/quartz.inp" >/dev/null 2>err.txt; rc=$?
check "manual without known corrections is refused" '[ $rc -eq 1 ] && [ "$(cat err.txt)" = "Manual correction mode not available !!!" ]'

"$bin" --correction zero+displacement --report r5.out --save-input saved.inp "$src/examples/halite_displacement.inp" >out.txt 2>err.txt; rc=$?
check "mode 5 with report and saved job" '[ $rc -eq 0 ] && grep -q "zero offset & sample displacement corrections" r5.out && [ -s saved.inp ]'
"$bin" --quiet --report r6.out saved.inp; rc=$?
check "saved job reads back and refines" '[ $rc -eq 0 ] && [ "$(sed -n 2p saved.inp)" = "5" ]'

"$bin" --quiet --weighting delta2 --report r5.out "$src/examples/halite_displacement.inp"; rc=$?
check "delta2 weights from the previous report" '[ $rc -eq 0 ] && grep -q "Weighting Mode : delta2(theta)" r5.out'

# Calibration against the silicon standard brings the cell toward the values
# the example was made from (a = 4.7589, c = 12.9910).
"$bin" --quiet --report cal.out "$src/examples/corundum_si_standard.inp"; rc1=$?
"$bin" --quiet --report raw.out --no-calibrate "$src/examples/corundum_si_standard.inp"; rc2=$?
dist() { awk -v a=4.7589 -v c=12.9910 '/^    a     =/{x=$3} /^    c     =/{y=$3} END{d=(x-a); e=(y-c); print (d<0?-d:d)+(e<0?-e:e)}' "$1"; }
check "calibrated run is closer to the true cell" '[ $rc1 -eq 0 ] && [ $rc2 -eq 0 ] && awk -v p="$(dist cal.out)" -v q="$(dist raw.out)" "BEGIN{exit !(p < q/10)}"'

# A decimal-comma locale changes nothing in the files.
if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  LC_ALL=de_DE.UTF-8 "$bin" --quiet --report de.out --save-input de.inp "$src/examples/baddeleyite_monoclinic.inp"
  LC_ALL=C "$bin" --quiet --report c.out --save-input c.inp "$src/examples/baddeleyite_monoclinic.inp"
  check "reports and saved jobs are identical under de_DE" 'cmp -s de.out c.out && cmp -s de.inp c.inp'
fi

# The fitting map, drawn by lattrix-plot beside the batch command.
if [ -x "$(dirname "$bin")/lattrix-plot" ]; then
  "$bin" --quiet --report map.out --plot map.png --plot-type 2 "$src/examples/quartz.inp"; rc=$?
  check "--plot writes a PNG" '[ $rc -eq 0 ] && [ "$(head -c 4 map.png | tail -c 3)" = "PNG" ]'
  "$bin" --quiet --report map.out --plot map.gif "$src/examples/quartz.inp" 2>err.txt; rc=$?
  check "--plot refuses an unknown image type" '[ $rc -eq 1 ] && grep -q "Unknown plot file type" err.txt'
fi

echo "$passes passed, $fails failed"
[ $fails -eq 0 ]
