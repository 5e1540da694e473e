#!/usr/bin/env python3
"""Times whole imports of each test archive through the bridge and splits them by step from the
log's time stamps.

Starts the editor on a fresh project with its bridge on and asks it, one import at a time, for
each archive in ../shared/testdata/archives by a `file://` URL (five imports of each, under new
names). Each import runs from "[MOLDARI] /import received: name=NAME" to "[MOLDARI] Done: NAME";
the step boundaries are the import's own log lines. Stamps are whole milliseconds, so short steps
show as 0 or 1. Medians over the runs are printed per archive. Listens on port 5325: run it in a
private network namespace (see run_all.py).

    Benchmarks/import/run_archive_bench.py [--editor build/bin/headless-editor] [--runs 5]
"""

import argparse
import json
import socket
import statistics
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
import benchlib  # noqa: E402

ARCHIVES = ["embedded_cube_stored", "sausage_skinned_pbr_png", "spider_static_multimaterial_jpeg"]
STEPS = [
    ("copy + extract + find model", "[MOLDARI] Importing FBX: "),
    ("FBX import", "[MOLDARI] ImportAssetsAutomated returned "),
    ("textures + material", "[MOLDARI] Created PBR material: "),
    ("assign + clean-up + place", "[MOLDARI] Placed "),
    ("source copy", "[MOLDARI] Copied "),
    ("save packages", "[MOLDARI] Saved "),   # the closing count line (last "Saved" line of the import)
    ("remove temp files", "[MOLDARI] Done: "),
]


def post_import(url, name):
    body = json.dumps({"url": url, "name": name}).encode()
    request = (f"POST /import HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
               f"Content-Length: {len(body)}\r\nConnection: close\r\n\r\n").encode() + body
    with socket.create_connection(("127.0.0.1", benchlib.BRIDGE_PORT), timeout=10) as sock:
        sock.sendall(request)
        reply = b""
        while chunk := sock.recv(65536):
            reply += chunk
    if not reply.startswith(b"HTTP/1.1 200"):
        raise RuntimeError(f"import not queued: {reply[:200]!r}")


def step_times(lines):
    """Milliseconds per step of one import's stamped lines, the total last."""
    start = last = lines[0][0]
    times = []
    for _, prefix in STEPS:
        hits = [at for at, text in lines if at is not None and text.startswith(prefix)]
        at = hits[-1] if hits else last
        times.append(round((at - last) * 1000))
        last = at
    times.append(round((last - start) * 1000))
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--editor", default=str(benchlib.editor_binary()))
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    if not benchlib.in_private_netns():
        sys.exit("run me in a private network namespace (unshare -n), as run_all.py does")
    table = {}
    with tempfile.TemporaryDirectory() as work:
        editor = benchlib.Editor(Path(work) / "Project", binary=args.editor)
        try:
            for run in range(args.runs):
                for archive in ARCHIVES:
                    name = f"Bench_{archive}_{run}"
                    mark = editor.mark()
                    post_import((benchlib.TESTDATA / "archives" / f"{archive}.zip").as_uri(), name)
                    editor.wait_for(f"[MOLDARI] Done: {name}", start=mark)
                    with editor.cond:
                        lines = editor.lines[mark:]
                    first = next(i for i, (_, text) in enumerate(lines) if text.startswith(f"[MOLDARI] /import received: name={name} "))
                    table.setdefault(archive, []).append(step_times(lines[first:]))
        finally:
            editor.stop()
    header = [s for s, _ in STEPS] + ["total"]
    print("| archive | " + " | ".join(header) + " |")
    print("|---" * (len(header) + 1) + "|")
    for archive, rows in table.items():
        medians = [statistics.median(col) for col in zip(*rows)]
        print(f"| {archive} (n={len(rows)}) | " + " | ".join(f"{v:g} ms" for v in medians) + " |")


if __name__ == "__main__":
    main()
