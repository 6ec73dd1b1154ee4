"""Runs the commands a reader of README.md and docs/*.md would type: every line of an indented or fenced
block that starts with build/, lattrix-refine or PYTHONPATH=build/, from a scratch folder where build/ is this build and
examples/ the bundled examples. Synopses, the desktop program and commands that need other machines or
files of the reader's own are skipped, and said so. A command must exit 0."""
import glob, os, re, subprocess, sys, tempfile

src, build = sys.argv[1], sys.argv[2]
SKIP = [(r"\[options\]|JOB\.inp|\.\.\.", "a synopsis"), (r"^build/gui/", "needs a window"),
        (r"\$SLURM|jobs\.txt|runs/|node1|my_script", "needs a cluster or the reader's files")]
if not os.path.isdir(os.path.join(build, "python", "lattrix")):
    SKIP.append((r"build/python", "the Python module is not built here"))


def commands(path):
    """Lines of indented (4 spaces, after a blank line) or fenced blocks that start with a command."""
    fenced, block, previous = False, False, ""
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.rstrip("\n")
        if line.startswith("```"):
            fenced = not fenced
            continue
        block = line.startswith("    ") and (block or previous.strip() == "")
        previous = line
        text = line.strip()
        if (fenced or block) and re.match(r"(build/|lattrix-refine |PYTHONPATH=build/)", text):
            yield number, text


failures = runs = 0
with tempfile.TemporaryDirectory() as scratch:
    for name in ("build", "examples"):
        os.symlink(build if name == "build" else os.path.join(src, name), os.path.join(scratch, name))
    env = dict(os.environ, PATH=os.path.join(build, "cli") + os.pathsep + os.environ["PATH"])
    for path in [os.path.join(src, "README.md")] + sorted(glob.glob(os.path.join(src, "docs", "*.md"))):
        for number, command in commands(path):
            where = "%s:%d" % (os.path.relpath(path, src), number)
            reason = next((why for pattern, why in SKIP if re.search(pattern, command)), None)
            if reason:
                print("skip %s (%s): %s" % (where, reason, command))
                continue
            run = subprocess.run(["bash", "-c", command], cwd=scratch, env=env, capture_output=True, text=True)
            runs += 1
            print("%s %s: %s" % ("ok  " if run.returncode == 0 else "FAIL", where, command))
            if run.returncode != 0:
                failures += 1
                print(run.stderr)
print("%d commands run, %d failed" % (runs, failures))
sys.exit(1 if failures or runs == 0 else 0)
