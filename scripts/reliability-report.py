#!/usr/bin/env python3
"""Writes RELIABILITY.md from the figures of the last reliability run.

    python3 scripts/reliability-report.py [--run]

The reliability tests (tests/reliability, CTest label "reliability") leave their figures in
build/reliability/*.tsv, and scripts/fuzz.sh leaves build-fuzz/fuzz-results.txt. With --run the
script first runs both (the plain build must exist); without it, it reads what the last run
left, as CI does right after its test steps. Nothing in the report is typed by hand.
"""
import datetime
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FIGURES = ROOT / "build" / "reliability"
FUZZ = ROOT / "build-fuzz" / "fuzz-results.txt"
FAILED = ROOT / "build" / "Testing" / "Temporary" / "LastTestsFailed.log"
PARTS = {  # figures file -> (test, heading)
    "hostile": ("tst_hostileinput", "Hostile input: entries of the corpus tried per entry point"),
    "kills": ("tst_program", "Crash safety: SIGKILL at random moments"),
    "faults": ("tst_faults", "Database faults while running: what the user was told"),
    "stalls": ("tst_faults", "Hung or hostile peers: longest stall of the window"),
    "soak": ("tst_program", "Soak: both monitors on 1,000 devices and 1,000 jobs"),
    "secrets": ("tst_faults", "Secrets"),
}


def read_figures(part):
    path = FIGURES / f"{part}.tsv"
    if not path.exists():
        return None
    return [line.split("\t", 1) for line in path.read_text().splitlines() if "\t" in line]


def run_parts():
    subprocess.run(["ctest", "-L", "reliability", "--output-on-failure"], cwd=ROOT / "build",
                   check=False)
    subprocess.run(["bash", "scripts/fuzz.sh"], cwd=ROOT, check=False)


def table(rows, head=("What", "Figure")):
    out = [f"| {head[0]} | {head[1]} |", "| --- | --- |"]
    out += [f"| {key} | {value.replace('|', '/')} |" for key, value in rows]
    return out


def main():
    if "--run" in sys.argv[1:]:
        run_parts()
    # CTest leaves its list of failed tests in place after a later run that passes: it counts
    # only when it is newer than the figures it would contradict.
    figures = [p.stat().st_mtime for p in FIGURES.glob("*.tsv")]
    stale = not FAILED.exists() or (figures and FAILED.stat().st_mtime < min(figures))
    failed = "" if stale else FAILED.read_text()
    commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT, text=True,
                            capture_output=True).stdout.strip()
    lines = ["# Reliability", "",
             "Written by `scripts/reliability-report.py` from the figures of the last run of the",
             "reliability suite (`ctest -L reliability`) and of `scripts/fuzz.sh`; do not edit.",
             "", f"Commit `{commit}`, {datetime.date.today().isoformat()}.", ""]
    for part, (test, heading) in PARTS.items():
        rows = read_figures(part)
        status = "FAILED" if test in failed else ("passed" if rows else "not run")
        lines += [f"## {heading}", "", f"`{test}`: {status}.", ""]
        if part == "soak" and rows:
            curve = dict(rows).get("resident kB every 2 s", "")
            rows = [r for r in rows if r[0] != "resident kB every 2 s"]
            lines += table(rows) + ["", "Resident memory (kB), one sample every 2 s:", "",
                                    "```", curve, "```"]
        elif rows:
            lines += table(rows)
        lines.append("")
    lines += ["## Fuzzing (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer)", ""]
    if FUZZ.exists():
        fuzz = [line.split() for line in FUZZ.read_text().splitlines() if line.strip()]
        lines += ["| Target | Executions | Seconds |", "| --- | --- | --- |"]
        lines += [f"| {t} | {int(n):,} | {s} |" for t, n, s in fuzz]
        corpus = ROOT / "fuzz" / "corpus"
        kept = sorted(p.parent.name + "/" + p.name for p in corpus.glob("*/regression-*"))
        lines += ["", "Inputs that once failed, kept as regression cases (run by the plain",
                  "suite as `fuzz_corpus_*`): " + (", ".join(f"`{k}`" for k in kept) or "none"), ""]
    else:
        lines += ["not run", ""]
    (ROOT / "RELIABILITY.md").write_text("\n".join(lines))
    print("\n".join(lines))


if __name__ == "__main__":
    main()
