#!/usr/bin/env python3
"""Times ImportArchive on each test archive and splits it by step from the log's time stamps.

Runs `headless-editor --run-tests Benchmark.ImportArchive` on a fresh project (five imports of
each archive in ../shared/testdata/archives, under new names) and reads the editor's log:
each import runs from the benchmark's "Benchmark start" line to "[MOLDARI] Done: NAME"; the step
boundaries are the import's own log lines. Stamps are whole milliseconds, so short steps show
as 0 or 1. Medians over the runs are printed per archive.

    Benchmarks/import/run_archive_bench.py [--editor build/bin/headless-editor]
"""

import argparse
import re
import statistics
import subprocess
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
STAMP = re.compile(r"^\[\d{4}\.\d\d\.\d\d-(\d\d)\.(\d\d)\.(\d\d):(\d{3})\]\[\s*\d+\](\w+): (?:\w+: )?(.*)$")
STEPS = [
    ("extract + find model", "[MOLDARI] Importing FBX: "),
    ("FBX import", "[MOLDARI] ImportAssetsAutomated returned "),
    ("textures + material", "[MOLDARI] Created PBR material: "),
    ("assign + clean-up + place", "[MOLDARI] Placed "),
    ("source copy", "[MOLDARI] Copied "),
    ("save packages", "[MOLDARI] Saved "),   # the closing count line (last "Saved" line of the import)
    ("remove temp files", "[MOLDARI] Done: "),
]


def ms(match):
    h, m, s, milli = (int(match.group(i)) for i in range(1, 5))
    return ((h * 60 + m) * 60 + s) * 1000 + milli


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--editor", default=str(REPO / "build/bin/headless-editor"))
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as project:
        out = subprocess.run([args.editor, "--project", project, "--plugin", str(REPO), "--run-tests", "Benchmark.ImportArchive"],
                             cwd=REPO, capture_output=True, text=True).stdout
    imports = []
    current = None
    for line in out.splitlines():
        m = STAMP.match(line)
        if not m:
            continue
        text = m.group(6)
        if text.startswith("Benchmark start: "):
            current = {"name": text.split(": ", 1)[1], "start": ms(m), "marks": []}
        elif current is not None and text.startswith("[MOLDARI] "):
            current["marks"].append((text, ms(m)))
            if text.startswith("[MOLDARI] Done: "):
                imports.append(current)
                current = None
    table = {}
    for imp in imports:
        archive = imp["name"].rsplit("_", 1)[0][len("Bench_"):]
        times, last = [], imp["start"]
        for _, prefix in STEPS:
            hits = [t for text, t in imp["marks"] if text.startswith(prefix)]
            at = hits[-1] if hits else last
            times.append(at - last)
            last = at
        times.append(last - imp["start"])
        table.setdefault(archive, []).append(times)
    header = [s for s, _ in STEPS] + ["total"]
    print("| archive | " + " | ".join(header) + " |")
    print("|---" * (len(header) + 1) + "|")
    for archive, rows in table.items():
        medians = [statistics.median(col) for col in zip(*rows)]
        print(f"| {archive} (n={len(rows)}) | " + " | ".join(f"{v:g} ms" for v in medians) + " |")


if __name__ == "__main__":
    main()
