#!/usr/bin/env bash
# lattrix-refine --series as a user runs it: the table, the x file, the
# report directory, the JSON array and CIF blocks against single runs, exit
# codes and usage errors.
set -u
bin="$1"; src="$2"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
fails=0; passes=0
check() { if eval "$2"; then echo "ok   $1"; passes=$((passes+1)); else echo "FAIL $1"; fails=$((fails+1)); fi; }

cp "$src"/examples/quartz.inp "$src"/examples/halite_displacement.inp "$src"/examples/corundum_si_standard.inp .
printf 'file,T_K\nquartz.inp,300\nhalite_displacement.inp,310\ncorundum_si_standard.inp,320\nmissing.inp,330\n' >x.csv
jobs="quartz.inp halite_displacement.inp missing.inp corundum_si_standard.inp"

"$bin" --correction 5 --series t.csv --series-x x.csv $jobs >out.txt 2>err.txt; rc=$?
check "a refused job: exit 1, and the series goes on in the order given" \
  '[ $rc -eq 1 ] && [ "$(cut -d, -f1 t.csv | tail -n 4 | tr "\n" " ")" = "$jobs " ] && grep -q "^missing.inp,,330,refused,,,," t.csv && [ $(grep -c ",ok," t.csv) -eq 3 ]'
check "x from the x file" '[ "$(grep -c ",310,ok," t.csv)" -eq 1 ] && grep -q "^corundum_si_standard.inp,.*,320,ok," t.csv'
check "messages on standard error, led by the job" 'grep -q "^missing.inp: Input file not open !!!" err.txt && grep -q "^quartz.inp: zero and ssd cannot be told apart by these reflections" err.txt'
check "no report without --report-dir" '[ ! -e Lattrix.out ]'
"$bin" --weighting delta2 --series t3.csv quartz.inp >/dev/null 2>err.txt; rc=$?
check "delta2 without --report-dir: the job refused" '[ $rc -eq 1 ] && grep -q "^quartz.inp,.*,refused," t3.csv && grep -q "keep a report (a series: --report-dir)" err.txt'

mkdir d
"$bin" --correction 5 --series - --report-dir d --json s.json --cif s.cif quartz.inp corundum_si_standard.inp >t2.csv 2>/dev/null; rc=$?
check "every job refined: exit 0, table on standard output" '[ $rc -eq 0 ] && [ $(wc -l <t2.csv) -eq 3 ] && [ -s d/quartz.out ] && [ -s d/corundum_si_standard.out ]'
check "one CIF block per job" '[ $(grep -c "^data_" s.cif) -eq 2 ] && [ $(grep -c "^#.#CIF_1.1" s.cif) -eq 1 ]'
# The single run, from a directory of its own so that the report's path in
# the JSON is the same, writes its report beside the series' one, not over it.
mkdir -p one/d && cp quartz.inp one/
(cd one && "$bin" --correction 5 --report d/quartz.out --json ../single.json quartz.inp >/dev/null 2>&1)
check "the series report is the single run's" 'cmp -s d/quartz.out one/d/quartz.out'
check "the series JSON element is the single run's JSON" \
  'python3 -c "import json,sys; a=json.load(open(\"s.json\")); b=json.load(open(\"single.json\")); sys.exit(not (len(a) == 2 and a[0] == b))"'

# h k 0 lines only leave the tetragonal c undetermined: the row is undefined,
# numbers empty, the message kept; so is its JSON element.
printf '#title\nh k 0 only\n2\n1.5405981 185.0\n6\n4.59 4.59 2.96 90 90 90\n4\n1 1 0 27.4 1\n2 0 0 39.2 1\n2 1 0 44.0 1\n2 2 0 56.6 1\n' >flat.inp
"$bin" --series t3.csv --json s3.json quartz.inp flat.inp >/dev/null 2>&1; rc=$?
check "an undefined result: its row and JSON element say so, exit 1" \
  '[ $rc -eq 1 ] && grep -q "^flat.inp,h k 0 only,,undefined$(printf ",%.0s" {1..23})Singular normal matrix !!! The reflections" t3.csv && grep -q "^quartz.inp,.*,ok," t3.csv &&
   python3 -c "import json; d = json.load(open(\"s3.json\")); assert d[1][\"status\"] == \"undefined\" and d[1][\"result\"] is None and \"status\" not in d[0]"'

printf '# the jobs\n\nquartz.inp\n  corundum_si_standard.inp \n' >list.txt
"$bin" --series l.csv --series-list list.txt --threads 1 halite_displacement.inp >/dev/null 2>&1; rc=$?
"$bin" --series l2.csv halite_displacement.inp quartz.inp corundum_si_standard.inp >/dev/null 2>&1
printf 'quartz.inp\n' | "$bin" --series l3.csv --series-list - >/dev/null 2>&1
check "--series-list: its jobs after the file arguments, comments and blanks skipped, - is standard input" \
  '[ $rc -eq 0 ] && cmp -s l.csv l2.csv && [ "$(sed -n 2p l3.csv)" = "$(sed -n 3p l2.csv)" ]'
"$bin" --series t.csv --series-list none.txt >/dev/null 2>err.txt; rc=$?
check "an unreadable job list: exit 2 and why" '[ $rc -eq 2 ] && grep -q "^--series-list: none.txt: No such file" err.txt'
# Messages are written a few kilobytes at a time, but in the jobs' order:
# 300 jobs on two threads (more than a window of rows), every one warned
# of, one missing in the middle.
mkdir w && for i in $(seq -w 0 299); do ln -s ../quartz.inp w/j$i.inp; done && rm w/j150.inp
(cd w && ls j*.inp | sed '151i j150.inp' >../order.txt)
(cd w && "$bin" --correction 5 --threads 2 --series ../w.csv --series-list ../order.txt >/dev/null 2>../werr.txt)
check "a series' messages come in the jobs' order, each job's together" \
  'cut -d: -f1 werr.txt | uniq >seen.txt; cmp -s seen.txt order.txt && [ $(grep -c "^j150.inp: Input file not open" werr.txt) -eq 1 ] &&
   [ $(grep -c "^j[0-9]*.inp:  Refine one parameter of each pair.$" werr.txt) -eq 299 ]'
yes quartz.inp | head -n 300000 >many.txt
"$bin" -q --series k.csv --json k.json --threads 1 --series-list many.txt 2>/dev/null & pid=$!
sleep 1; kill -TERM $pid; wait $pid; rc=$?
check "a series stopped by a signal leaves neither its outputs nor their temporary files" \
  '[ $rc -eq 143 ] && [ -z "$(ls | grep "^k\.")" ]'
for args in "--threads 0" "--threads 1025" "--threads 2x" "--threads=" "--series-list=" "--series="; do
  check "usage error: $args" '"$bin" --series t.csv $args quartz.inp >/dev/null 2>err.txt; [ $? -eq 2 ] && grep -q "^lattrix-refine: ${args%%[ =]*} takes" err.txt'
done
"$bin" --threads 2 quartz.inp >/dev/null 2>err.txt; rc=$?
check "--threads without --series is a usage error" '[ $rc -eq 2 ] && grep -q "belong to --series" err.txt'
"$bin" --series t.csv --report r.out quartz.inp >/dev/null 2>err.txt; rc=$?
check "--report with --series is a usage error" '[ $rc -eq 2 ] && grep -q "report-dir" err.txt'

# A cubic cell under pressure, made here from a 3rd-order Birch-Murnaghan
# equation (V0 = 160, K0 = 120 GPa, K' = 4.5), each pattern's 2theta from
# its cell; the fitted trend gives those constants back. P has an s.u.
python3 - <<'PY'
import math
def bm3(V, V0=160.0, K0=120.0, Kp=4.5):
    x = (V0 / V) ** (1 / 3)
    return 1.5 * K0 * (x ** 7 - x ** 5) * (1 + 0.75 * (Kp - 4) * (x * x - 1))
lines = ["file,P_GPa,s_P_GPa"]
for i in range(8):
    P, lo, hi = 1.5 * i, 60.0, 200.0
    for _ in range(200):
        mid = 0.5 * (lo + hi)
        lo, hi = (mid, hi) if bm3(mid) > P else (lo, mid)
    a = lo ** (1 / 3)
    hkl = [(1, 1, 1), (2, 0, 0), (2, 2, 0), (3, 1, 1), (2, 2, 2), (4, 0, 0), (3, 3, 1), (4, 2, 0)]
    rows = ["%d %d %d %.6f 1" % (h, k, l, 2 * math.degrees(math.asin(1.5405981 * math.sqrt(h*h + k*k + l*l) / (2 * a))))
            for h, k, l in hkl]
    open("p%d.inp" % i, "w").write("P=%g GPa\n2\n1.5405981 185\n7\n%.4f %.4f %.4f 90 90 90\n8\n%s\n" % (P, a, a, a, "\n".join(rows)))
    lines.append("p%d.inp,%g,0.01" % (i, P))
open("p.csv", "w").write("\n".join(lines) + "\n")
PY
"$bin" --series p.csv.out --series-x p.csv --fit bm3 --fit-json fit.json p?.inp >out.txt 2>err.txt; rc=$?
check "--fit bm3 gives the equation's constants back" '[ $rc -eq 0 ] && grep -q "^Fit            : bm3 of volume against P_GPa, 8 points, 5 degrees of freedom" out.txt && python3 -c "
import json; d = json.load(open(\"fit.json\")); p = d[\"parameters\"]
assert abs(p[\"V0\"][\"value\"] - 160) < 0.01 and abs(p[\"K0\"][\"value\"] - 120) < 0.5 and abs(p[\"Kp\"][\"value\"] - 4.5) < 0.2, p
assert d[\"n\"] == 8 and d[\"dof\"] == 5 and len(d[\"points\"]) == 8 and d[\"covariance\"][\"parameters\"] == [\"V0\", \"K0\", \"Kp\"]"'
"$bin" --series t.csv --fit bm3 quartz.inp >/dev/null 2>err.txt; rc=$?
check "--fit without --series-x is a usage error" '[ $rc -eq 2 ] && grep -q "needs --series-x" err.txt'
"$bin" --series t.csv --series-x p.csv --fit bm3 p0.inp p1.inp p2.inp >/dev/null 2>err.txt; rc=$?
check "a refused fit: exit 1 and why" '[ $rc -eq 1 ] && grep -q "3 refined points with an x value for 3 parameters" err.txt'

echo "$passes passed, $fails failed"
[ $fails -eq 0 ]
