#!/usr/bin/env python3
"""Times the headless editor's model import against `assimp info` on the same files.

For every test model (../shared/testdata/fbx and usdz) both run as their own processes, in turns,
in one run of this script:

- ours: `headless-editor --project <fresh project>` fed "import FILE /Game/Bench" and "quit" on
  standard input (the console's import command calls ImportAssetsAutomated), on a fresh copy of
  the model so that the .fbm folder is written every time. The import's time is read from the
  editor's log: from the asset tools' "Importing 'FILE'" line to their "Imported 'FILE'" (or
  "Failed to import 'FILE'") line, millisecond stamps. It covers reading the file, unpacking
  embedded media, decoding the referenced textures through the image importer and making the
  assets; the editor's own start and stop are left out (shown once, for reference).
- the peer: `assimp info FILE` (Debian's assimp-utils): its wall time as a process, and the load
  time it reports itself ("import took approx."), which is Assimp reading the file with its
  real-time post-processing preset.

Medians of the runs are printed with the ratios import / assimp info (the goal is at most 1.2)
and import / assimp's own load time. The "images" column is the part of the import spent inside
the image importer (decoding the textures a model references, which `assimp info` does not do),
and the last column the ratio without it. Debian's Assimp has no USD reader: for USDZ files
`assimp info` only fails, so their ratios are shown but say little.

    Benchmarks/import/run_import_bench.py [--runs 7] [--editor build/bin/headless-editor]
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
TESTDATA = Path(os.environ.get("MOLDARI_TESTDATA", REPO.parent / "shared" / "testdata"))
STAMP = re.compile(r"^\[\d{4}\.\d\d\.\d\d-(\d\d)\.(\d\d)\.(\d\d):(\d{3})\]")
ASSIMP_LOAD = re.compile(r"import took approx\. ([0-9.eE+-]+) seconds")


def timed(command, stdin_text=None):
    start = time.perf_counter()
    result = subprocess.run(command, input=stdin_text, text=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return time.perf_counter() - start, result


def stamp_of(line):
    match = STAMP.match(line)
    if not match:
        return None
    h, m, s, ms = (int(g) for g in match.groups())
    return (h * 60 + m) * 60 + s + ms / 1000


def import_times(log, file):
    """(whole import, part inside the image importer) in seconds, from the editor's log."""
    start = end = None
    images, image_start = 0.0, None
    for line in log.splitlines():
        stamp = stamp_of(line)
        if stamp is None:
            continue
        if start is None and f"Importing '{file}'" in line:
            start = stamp
        elif start is not None and (f"Imported '{file}'" in line or f"Failed to import '{file}'" in line):
            end = stamp
        if "with the Texture importer" in line:
            image_start = stamp
        elif image_start is not None and "LogAssetTools: Imported '" in line:
            images += stamp - image_start
            image_start = None
    if start is None or end is None:
        return None, images
    return max(end - start, 0.0), images


def fresh_copy(model, work):
    """The model in a clean folder (with the textures folder beside it, as in the test data)."""
    folder = work / "model"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    shutil.copy(model, folder / model.name)
    if (model.parent / "textures").is_dir():
        shutil.copytree(model.parent / "textures", folder / "textures")
    return folder / model.name


def editor_run(editor, work, commands):
    project = Path(tempfile.mkdtemp(prefix="project-", dir=work))
    # The engine imports USD files only with its USD Importer plugin, which is off by default.
    (project / f"{project.name}.uproject").write_text('{"FileVersion": 3, "Plugins": [{"Name": "USDImporter", "Enabled": true}]}')
    try:
        return timed([str(editor), "--project", str(project)], "\n".join(commands) + "\n")
    finally:
        shutil.rmtree(project, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--editor", type=Path, default=REPO / "build/bin/headless-editor")
    args = parser.parse_args()
    if not args.editor.exists():
        sys.exit(f"{args.editor} is missing: build the tree first (cmake --build build -j2)")
    if not shutil.which("assimp"):
        sys.exit("assimp is missing: apt-get install assimp-utils")
    models = sorted(p for p in (TESTDATA / "fbx").iterdir() if p.suffix.lower() == ".fbx")
    models += sorted((TESTDATA / "usdz").glob("*.usdz"))

    work = Path(tempfile.mkdtemp(prefix="moldari-import-bench-"))
    try:
        empty = statistics.median(editor_run(args.editor, work, ["quit"])[0] for _ in range(args.runs))
        print(f"editor start and stop without an import: {empty * 1000:.1f} ms (median of {args.runs}; not counted below)")
        print(f"{'model':52} {'assimp info':>11} {'assimp load':>11} {'import':>8} {'images':>7} {'import/info':>11} {'import/load':>11} {'(import-images)/info':>20}")
        ratios, ratios_without_images = [], []
        for model in models:
            ours, images, wall, load, note = [], [], [], [], ""
            for _ in range(args.runs):
                copy = fresh_copy(model, work)
                _, result = editor_run(args.editor, work, [f"import {copy} /Game/Bench", "quit"])
                took, in_images = import_times(result.stdout, copy)
                if took is None:
                    sys.exit(f"no import lines for {copy} in the editor's log:\n{result.stdout}")
                ours.append(took)
                images.append(in_images)
                refused = f"Failed to import '{copy}'" in result.stdout
                elapsed, peer = timed(["assimp", "info", str(copy)])
                wall.append(elapsed)
                reported = ASSIMP_LOAD.search(peer.stdout)
                if reported:
                    load.append(float(reported.group(1)))
            ours_ms, images_ms, wall_ms = (statistics.median(v) * 1000 for v in (ours, images, wall))
            load_ms = statistics.median(load) * 1000 if load else None
            if load_ms is None:
                note = "  (assimp cannot read it)"
            if refused:
                note += "  (import refused)"
            load_text = f"{load_ms:9.1f}ms" if load_ms is not None else f"{'-':>11}"
            per_load = f"{ours_ms / load_ms:11.2f}" if load_ms else f"{'-':>11}"
            print(f"{model.name:52} {wall_ms:9.1f}ms {load_text} {ours_ms:6.1f}ms {images_ms:5.1f}ms {ours_ms / wall_ms:11.2f} {per_load} {max(ours_ms - images_ms, 0) / wall_ms:20.2f}{note}")
            if load_ms is not None:
                ratios.append(ours_ms / wall_ms)
                ratios_without_images.append(max(ours_ms - images_ms, 0) / wall_ms)
        if ratios:
            print(f"import/info over the {len(ratios)} models both read: max {max(ratios):.2f}, median {statistics.median(ratios):.2f} (goal <= 1.2); "
                  f"without the image importer's part: max {max(ratios_without_images):.2f}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
