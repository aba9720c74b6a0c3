#!/usr/bin/env python3
"""Times ksvtool's zip engine against Info-ZIP zip/unzip and 7-Zip on a generated corpus and
writes medians and ratios as a Markdown table.

usage: run_bench.py [--ksvtool PATH] [--scale S] [--repeat N] [--work DIR] [--out FILE]

The corpus comes from make_corpus.py (seeded). Every case runs N times (default 3) for each
tool, interleaved, and the median wall-clock time is kept; ratios are ksvtool / zip at the same
level in the same run. With the default scale (0.5, about 60 MB) a run takes under a minute on an
idle 2-core machine; --scale 1 (about 120 MB) about a minute and a half.
"""
import argparse
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def run(cmd, cwd, quiet=True):
    start = time.perf_counter()
    subprocess.run(cmd, cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL if quiet else None, stderr=subprocess.DEVNULL if quiet else None)
    return time.perf_counter() - start


def timed(cases, repeat):
    """cases: {tool: (prepare, command, cwd)}; returns {tool: median seconds}."""
    samples = {tool: [] for tool in cases}
    for _ in range(repeat):
        for tool, (prepare, cmd, cwd) in cases.items():
            if prepare:
                prepare()
            samples[tool].append(run(cmd, cwd))
    return {tool: statistics.median(values) for tool, values in samples.items()}


def remove(*paths):
    for p in paths:
        if os.path.isdir(p):
            shutil.rmtree(p)
        elif os.path.exists(p):
            os.remove(p)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ksvtool", default=os.path.join(HERE, "..", "..", "build", "bin", "ksvtool"))
    parser.add_argument("--scale", type=float, default=0.5)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--work", default="/tmp/ksv-zip-bench")
    parser.add_argument("--out", default="/tmp/ksv-results-zip.md")
    args = parser.parse_args()

    ksv = os.path.abspath(args.ksvtool)
    if not os.access(ksv, os.X_OK):
        sys.exit("ksvtool not found: " + ksv)
    have7z = shutil.which("7z") is not None
    work = os.path.abspath(args.work)
    corpus = os.path.join(work, "corpus-%g" % args.scale)
    if not os.path.isdir(corpus):
        subprocess.run([sys.executable, os.path.join(HERE, "make_corpus.py"), corpus, "--scale", str(args.scale)], check=True)
    out = os.path.join(work, "out")
    os.makedirs(out, exist_ok=True)
    env_note = "load average at start: %.2f %.2f %.2f" % os.getloadavg()

    rows = []   # (case, level, {tool: seconds}, {tool: size})
    for label, folder in (("many small files", "small"), ("incompressible files", "noise"), ("one large mixed file", "large")):
        for level in (1, 6):
            a, z, s = (os.path.join(out, n) for n in ("ksv.zip", "info.zip", "7z.zip"))
            cases = {
                "ksvtool": (lambda: remove(a), [ksv, "zip", "add", "--level", str(level), "--recurse", "--dir-names", a,
                                                folder + "/*.*"], corpus),
                "zip": (lambda: remove(z), ["zip", "-q", "-r", "-%d" % level, z, folder], corpus),
            }
            if have7z:
                cases["7z"] = (lambda: remove(s), ["7z", "a", "-tzip", "-mx=%d" % level, "-bd", s, folder], corpus)
            times = timed(cases, args.repeat)
            sizes = {"ksvtool": os.path.getsize(a), "zip": os.path.getsize(z)}
            if have7z:
                sizes["7z"] = os.path.getsize(s)
            rows.append((label, level, times, sizes))

    # The whole tree at level 6: full build, unchanged update, 1 % changed, list, test, extract.
    full = os.path.join(out, "tree.zip")
    info = os.path.join(out, "tree-info.zip")
    build = [ksv, "zip", "add", "--level", "6", "--recurse", "--dir-names", full, "*.*"]
    rebuild = timed({"ksvtool": (lambda: remove(full), build, corpus)}, args.repeat)["ksvtool"]
    remove(info)
    run(["zip", "-q", "-r", "-6", info, "."], corpus)
    stamp = os.stat(full)
    update = build[:3] + ["--update"] + build[3:]
    unchanged = timed({"ksvtool": (None, update, corpus)}, args.repeat)["ksvtool"]
    after = os.stat(full)
    rewritten = (after.st_ino, after.st_mtime_ns) != (stamp.st_ino, stamp.st_mtime_ns)

    small_files = sorted(os.path.join(dp, f) for dp, _, fs in os.walk(os.path.join(corpus, "small")) for f in fs)
    changed = small_files[:: max(1, len(small_files) // max(1, len(small_files) // 100))][: max(1, len(small_files) // 100)]
    generation = [0]

    def touch_changed():
        generation[0] += 1
        for p in changed:
            with open(p, "ab") as f:
                f.write(b"changed %d\n" % generation[0])
            t = time.time() + 10 * generation[0]
            os.utime(p, (t, t))

    one_percent = timed({"ksvtool": (touch_changed, update, corpus),
                         "zip": (touch_changed, ["zip", "-q", "-r", "-u", "-6", info, "."], corpus)}, args.repeat)

    ext_k, ext_u = os.path.join(out, "x-ksv"), os.path.join(out, "x-unzip")
    listing = timed({"ksvtool": (None, [ksv, "zip", "list", full], out), "unzip": (None, ["unzip", "-l", full], out)}, args.repeat)
    testing = timed({"ksvtool": (None, [ksv, "zip", "test", full], out), "unzip": (None, ["unzip", "-tqq", full], out)}, args.repeat)
    extracting = timed({"ksvtool": (lambda: remove(ext_k), [ksv, "zip", "extract", "--dir-names", "--overwrite", full, ext_k], out),
                        "unzip": (lambda: remove(ext_u), ["unzip", "-qo", full, "-d", ext_u], out)}, args.repeat)

    def ms(t):
        return "%.0f ms" % (t * 1000)

    lines = []
    lines.append("# Zip engine benchmark")
    lines.append("")
    lines.append("Measured by `bench/zip/run_bench.py --scale %g --repeat %d` on %s, %d cores, Python %s; %s."
                 % (args.scale, args.repeat, platform.platform(), os.cpu_count(), platform.python_version(), env_note))
    n_small = len(small_files)
    lines.append("Corpus (`bench/zip/make_corpus.py`, seeded): %d small text files, %d incompressible files of 2 MB, "
                 "one mixed file of %.0f MB. Times are medians of wall-clock time; ratios are ksvtool / Info-ZIP zip "
                 "at the same level in the same run."
                 % (n_small, len(os.listdir(os.path.join(corpus, "noise"))),
                    os.path.getsize(os.path.join(corpus, "large", "mixed.dat")) / 1e6))
    lines.append("")
    lines.append("| Case | Level | ksvtool | zip | 7z -tzip | ratio | size ksvtool / zip |")
    lines.append("|---|---|---|---|---|---|---|")
    for label, level, times, sizes in rows:
        lines.append("| %s | %d | %s | %s | %s | %.2f× | %+.1f %% |" % (
            label, level, ms(times["ksvtool"]), ms(times["zip"]), ms(times["7z"]) if "7z" in times else "—",
            times["ksvtool"] / times["zip"], 100.0 * (sizes["ksvtool"] / sizes["zip"] - 1)))
    lines.append("")
    lines.append("| Whole tree, level 6 | ksvtool | other | ratio |")
    lines.append("|---|---|---|---|")
    lines.append("| full build | %s | — | — |" % ms(rebuild))
    lines.append("| update, nothing changed | %s | full build %s | %.2f× of a full build; archive rewritten: %s |"
                 % (ms(unchanged), ms(rebuild), unchanged / rebuild, "yes" if rewritten else "no"))
    lines.append("| update, 1 %% of the files changed (%d files) | %s | zip -u %s | %.2f× |"
                 % (len(changed), ms(one_percent["ksvtool"]), ms(one_percent["zip"]), one_percent["ksvtool"] / one_percent["zip"]))
    lines.append("| list | %s | unzip -l %s | %.2f× |" % (ms(listing["ksvtool"]), ms(listing["unzip"]), listing["ksvtool"] / listing["unzip"]))
    lines.append("| test | %s | unzip -t %s | %.2f× |" % (ms(testing["ksvtool"]), ms(testing["unzip"]), testing["ksvtool"] / testing["unzip"]))
    lines.append("| extract | %s | unzip %s | %.2f× |" % (ms(extracting["ksvtool"]), ms(extracting["unzip"]), extracting["ksvtool"] / extracting["unzip"]))
    lines.append("")
    text = "\n".join(lines) + "\n"
    with open(args.out, "w") as f:
        f.write(text)
    print(text)


if __name__ == "__main__":
    main()
