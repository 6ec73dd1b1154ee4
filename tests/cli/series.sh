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

"$bin" --series t.csv --report r.out quartz.inp >/dev/null 2>err.txt; rc=$?
check "--report with --series is a usage error" '[ $rc -eq 2 ] && grep -q "report-dir" err.txt'

echo "$passes passed, $fails failed"
[ $fails -eq 0 ]
