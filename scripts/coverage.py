#!/usr/bin/env python3
"""Coverage of the independent bootstrap's 90 % bands on simulated stocks with known truth.

For each of N stocks simulated by quorvane-sim (seeds 1..N, the demo stock's settings with other
recruitment and observation errors), runs quorvane-batch with R independent replicates and counts
how often the 5-95 % band of the terminal year's SSB and F-bar (over all analysed ages) covers the
true value. Not part of the tests: it takes about N x R assessments.

    scripts/coverage.py --stocks 20 --replicates 100 [--build build] [--threads 0] [--out DIR]
"""
import argparse
import csv
import math
import os
import subprocess
import sys
import tempfile


def truth_of(path):
    """Terminal year's true SSB and F-bar (mean over ages of -ln(1 - f s))."""
    lines = open(path).read().splitlines()
    ssb = fbar = None
    for i, line in enumerate(lines):
        if line.startswith("Year factor f(y), SSB"):
            rows = []
            for row in lines[i + 2:]:
                if not row.strip() or not row.split()[0].isdigit():
                    break
                rows.append(row.split())
            ssb = float(rows[-1][2])
        if line.startswith("Exploitation rate f(y)*s(a,y)"):
            rows = []
            for row in lines[i + 2:]:
                if not row.strip() or not row.split()[0].isdigit():
                    break
                rows.append(row.split())
            rates = [float(v) for v in rows[-1][1:]]
            fbar = sum(-math.log(1 - r) for r in rates) / len(rates)
    return ssb, fbar


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--stocks", type=int, default=20)
    p.add_argument("--replicates", type=int, default=100)
    p.add_argument("--build", default="build")
    p.add_argument("--threads", type=int, default=0)
    p.add_argument("--out", default=None)
    a = p.parse_args()
    sim = os.path.join(a.build, "tools", "quorvane-sim")
    batch = os.path.join(a.build, "cli", "quorvane-batch")
    out = a.out or tempfile.mkdtemp(prefix="quorvane_coverage_")
    covered = {"ssb": 0, "fbar": 0}
    failed = finished = 0
    print("seed  true_ssb  ssb_q05  ssb_q95  true_fbar fbar_q05 fbar_q95  failed")
    for seed in range(1, a.stocks + 1):
        work = os.path.join(out, "stock%d" % seed)
        os.makedirs(work, exist_ok=True)
        subprocess.run([sim, "--out", "sim", "--seed", str(seed)], cwd=work, check=True,
                       stdout=subprocess.DEVNULL)
        run = subprocess.run([batch, "--fields", "sim/fields.txt", "--bootstrap",
                              str(a.replicates), "--bootstrap-kind", "independent", "--threads",
                              str(a.threads), "--quiet"], cwd=work, capture_output=True, text=True)
        if run.returncode != 0:
            print("seed %d: the run failed: %s" % (seed, run.stderr.strip()))
            continue
        true_ssb, true_fbar = truth_of(os.path.join(work, "sim", "truth.txt"))
        tables = [d for d in os.listdir(work) if d.endswith(".tables")][0]
        last = list(csv.DictReader(open(os.path.join(work, tables, "summary.csv"))))[-1]
        est = {r["name"]: r["value"] for r in csv.DictReader(
            open(os.path.join(work, tables, "estimates.csv")))}
        failed += int(float(est.get("bootstrap_failed", 0)))
        finished += int(float(est["bootstrap_runs"]))
        band = {q: (float(last[q + "_q05"]), float(last[q + "_q95"])) for q in ("ssb", "fbar")}
        covered["ssb"] += band["ssb"][0] <= true_ssb <= band["ssb"][1]
        covered["fbar"] += band["fbar"][0] <= true_fbar <= band["fbar"][1]
        print("%4d %9.0f %8.0f %8.0f %9.4f %8.4f %8.4f %7s" % (
            seed, true_ssb, band["ssb"][0], band["ssb"][1], true_fbar, band["fbar"][0],
            band["fbar"][1], est.get("bootstrap_failed", "0")))
        sys.stdout.flush()
    print("terminal SSB covered in %d of %d stocks, terminal F-bar in %d of %d" % (
        covered["ssb"], a.stocks, covered["fbar"], a.stocks))
    print("replicates finished %d, failed %d" % (finished, failed))


if __name__ == "__main__":
    main()
