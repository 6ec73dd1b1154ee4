"""The cell volume of a series against x, with its standard uncertainties.

    PYTHONPATH=build/python /usr/bin/python3 examples/series_plot.py X.csv JOB.inp... [--out volume.png]

X.csv is the series' x file (header "file,NAME", then one file name and one
number a line, as lattrix-refine --series-x reads it). Needs matplotlib
(Debian: python3-matplotlib)."""
import argparse
import csv
import os

import lattrix

parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
parser.add_argument("xfile")
parser.add_argument("jobs", nargs="+")
parser.add_argument("--correction", default="zero")
parser.add_argument("--out", default="volume.png")
args = parser.parse_args()

with open(args.xfile, newline="") as f:
    reader = csv.reader(f)
    name = next(reader)[1]
    xs = {os.path.basename(row[0]): float(row[1]) for row in reader if row}
x = [xs[os.path.basename(path)] for path in args.jobs]

table = lattrix.series_table(args.jobs, x=x, correction=args.correction)
refined = [i for i, status in enumerate(table["status"]) if status == "ok"]
for i, status in enumerate(table["status"]):
    if status != "ok":
        print(f"{table['file'][i]}: {status}: {table['message'][i]}")

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt

fig, ax = plt.subplots(figsize=(6, 4))
ax.errorbar([table["x"][i] for i in refined], [table["volume"][i] for i in refined],
            yerr=[table["s_volume"][i] for i in refined], fmt="o", capsize=3)
ax.set_xlabel(name)
ax.set_ylabel("V / \u00c5\u00b3")
fig.tight_layout()
fig.savefig(args.out, dpi=150)
print(f"{len(refined)} of {len(args.jobs)} jobs refined; {args.out} written")
