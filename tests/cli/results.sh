#!/usr/bin/env bash
# lattrix-refine's machine-readable results and diagnostics: the JSON read by
# python3's json module (NaN and Infinity refused), the CIF read as key-value
# pairs, the report unchanged by the new options, a misindexed line named.
set -u
bin="$1"; src="$2"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cd "$work"
fails=0; passes=0
check() { if eval "$2"; then echo "ok   $1"; passes=$((passes+1)); else echo "FAIL $1"; fails=$((fails+1)); fi; }
quartz="$src/examples/quartz.inp"

"$bin" --quiet --report plain.out "$quartz"
"$bin" --diagnostics --json r.json --cif r.cif --report full.out "$quartz" >out.txt 2>err.txt; rc=$?
check "all outputs: exit 0, no messages" '[ $rc -eq 0 ] && [ ! -s err.txt ] && [ -s r.json ] && [ -s r.cif ]'
check "the report is the same byte for byte" 'cmp -s plain.out full.out'
check "diagnostics table after the summary" 'grep -q "^Regression diagnostics" out.txt && grep -q "reflections flagged" out.txt && [ $(grep -c "^   [0-9 -]*[0-9]  *[0-9]*\.[0-9]\{4\} " out.txt) -eq 25 ]'

# JSON: parsed strictly, checked against the report's printed numbers.
cat >check_json.py <<'PY'
import json, sys
def refuse(name): raise ValueError("non-JSON number " + name)
d = json.load(open(sys.argv[1]), parse_constant=refuse)
report = open(sys.argv[2]).read().splitlines()
assert list(d) == ["program", "format_version", "inputs", "result", "reflections", "diagnostics", "warnings"], list(d)
i = d["inputs"]
assert i["crystal_system"] == {"code": 4, "name": "hexagonal"}
assert i["wavelength"] == 1.5405981 and i["goniometer_radius"] == 185.0
assert len(i["reflections"]) == 25 and i["reflections"][0] == {"h": 1, "k": 0, "l": 0, "two_theta": 20.86, "two_theta_file": 20.86, "weight": 1.0}
r = d["result"]
# The report prints "    a     =   4.91342 (  0.00004)" and the like.
printed = {}
for line in report:
    f = line.split()
    if len(f) >= 3 and f[1] == "=" and f[0] in ("a", "b", "c", "alpha", "beta", "gamma"):
        printed.setdefault(f[0], float(f[2]))
assert len(printed) == 6, printed
for k, v in printed.items():
    assert abs(r["cell"][k] - v) <= 0.0006, (k, r["cell"][k], v)
assert r["cell_sigma"]["gamma"] == 0.0 and r["cell_sigma"]["a"] > 0
assert r["degrees_of_freedom"] == 23
rows = d["reflections"]
assert len(rows) == 25 and len(rows[0]) == 12
for row in rows:
    assert abs(row["del_two_theta"] - (row["two_theta_org"] - row["two_theta_cal"])) < 1e-9
    assert abs(row["d_dif"] - (row["d_obs"] - row["d_cal"])) < 1e-12
g = d["diagnostics"]
assert g["valid"] and g["parameters"] == 2 and g["reflections"] == 25 and len(g["rows"]) == 25
assert abs(sum(x["leverage"] for x in g["rows"]) - 2.0) < 1e-9   # trace of the hat matrix = p
assert all(x["dfbetas"]["a"] == x["dfbetas"]["b"] and x["dfbetas"]["gamma"] == 0 for x in g["rows"])
assert d["warnings"] == []
PY
check "JSON parses and matches the report" 'python3 check_json.py r.json full.out'

"$bin" --json - --diagnostics --report stdout.out "$quartz" >only.json 2>err.txt; rc=$?
check "--json -: standard output is the JSON alone" '[ $rc -eq 0 ] && python3 -c "import json,sys; json.load(open(sys.argv[1]))" only.json && ! grep -q "Refined cell" only.json'

# CIF as key-value pairs.
cat >check_cif.py <<'PY'
import re, sys
text = open(sys.argv[1]).read().splitlines()
assert text[0] == "#\\#CIF_1.1"
blocks = [l for l in text if l.startswith("data_")]
assert blocks == ["data_alpha-Quartz_SiO2_room_temperature_Cu_Ka1"], blocks
items = {}
for l in text:
    if l.startswith("_"):
        f = l.split(None, 1)
        items[f[0]] = f[1] if len(f) > 1 else None
su = re.compile(r"^\d+\.\d+\(\d{1,2}\)$")
for k in ("_cell_length_a", "_cell_length_b", "_cell_length_c", "_cell_volume"):
    assert su.match(items[k]), (k, items[k])
assert items["_cell_length_a"] == items["_cell_length_b"]
assert items["_cell_angle_gamma"] == "120" and items["_cell_angle_alpha"] == "90"
assert items["_space_group_crystal_system"] == "hexagonal"
assert items["_diffrn_radiation_wavelength"] == "1.5405981"
assert items["_cell_measurement_reflns_used"] == "25"
assert items["_publ_section_title"] is None and "alpha-Quartz (SiO2), room temperature, Cu Ka1" in text
PY
check "CIF key-value check" 'python3 check_cif.py r.cif'

# A misindexed line: 2 0 1 at 45.802 written as 2 1 1.
sed 's/^2 0 1 45.802 1.0$/2 1 1 45.802 1.0/' "$quartz" >bad.inp
"$bin" --diagnostics --report bad.out bad.inp >bad.txt 2>err.txt; rc=$?
check "misindexed line flagged and named" '[ $rc -eq 0 ] && grep -q "^   2   1   1   45.8020 .*\*  Rstudent" bad.txt && grep -q "flagged: .*(2 1 1)" bad.txt'

# One reflection of a cubic cell: no degrees of freedom. The JSON carries
# the engine's warning and null for the undefined standard deviations.
printf '#title\nOne line\n#c\n2\n#w\n1.5405981 185.0\n#s\n7\n#cell\n5.64 5.64 5.64 90 90 90\n#n\n1\n1 1 1 27.37 1.0\n' >one.inp
"$bin" --json one.json --diagnostics --report one.out one.inp >one.txt 2>err.txt; rc=$?
check "no degrees of freedom: warnings and nulls" '[ $rc -eq 0 ] && python3 -c "
import json,sys
d = json.load(open(\"one.json\"), parse_constant=lambda n: 1/0)
assert d[\"result\"][\"cell_sigma\"][\"a\"] is None, d[\"result\"][\"cell_sigma\"]
assert any(\"No degrees of freedom\" in w for w in d[\"warnings\"]), d[\"warnings\"]
assert d[\"diagnostics\"][\"valid\"] is False and d[\"diagnostics\"][\"rows\"][0][\"leverage\"] is None
" && grep -q "No diagnostics: 1 reflections for 1 refined parameters." one.txt'

"$bin" --quiet --json nodir/r.json --report x.out "$quartz" 2>err.txt; rc=$?
check "unwritable JSON path: exit 1 and a message" '[ $rc -eq 1 ] && [ "$(head -1 err.txt)" = "nodir/r.json cannot be written !!!" ] && [ "$(tail -1 err.txt)" = "No such file or directory" ]'
"$bin" --json - --cif - "$quartz" >/dev/null 2>err.txt; rc=$?
check "--json - with --cif -: usage error" '[ $rc -eq 2 ]'
"$bin" --help >help.txt
check "--help names the new options" 'grep -q -- "--diagnostics" help.txt && grep -q -- "--json FILE" help.txt && grep -q -- "--cif FILE" help.txt'

echo "$passes passed, $fails failed"
[ $fails -eq 0 ]
