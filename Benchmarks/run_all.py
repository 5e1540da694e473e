#!/usr/bin/env python3
"""Runs every benchmark under Benchmarks/ and writes one markdown report,
Benchmarks/results/<UTC date>.md (or --out), with the machine, the date, the commit and the load.

    unshare -n sh -c 'ip link set lo up && Benchmarks/run_all.py [--only bridge,e2e,zip,import,archive]'

`make bench` does exactly that. The bridge and end-to-end benchmarks start servers on loopback,
so the whole run goes into a private network namespace; the others do not care.
"""

import argparse
import datetime
import os
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import benchlib  # noqa: E402

HERE = Path(__file__).resolve().parent
PY = sys.executable

# (key, title, command, output is markdown)
BENCHMARKS = [
    ("bridge", None, [PY, str(HERE / "bridge/run_bridge_bench.py")], True),
    ("e2e", None, [PY, str(HERE / "import/run_e2e_bench.py")], True),
    # The same imports with every file on the disk's file system instead of tmpfs: what a user's
    # disk adds (write-back, inode allocation), for ours and the peers alike.
    ("e2e-disk", "The same on the disk (files in the temp folder instead of /dev/shm)",
     [PY, str(HERE / "import/run_e2e_bench.py"), "--work", "/tmp", "--runs", "3", "--skip", "burst,baseline,profile"], True),
    ("zip", "ZIP extraction against unzip, bsdtar and Python's zipfile (Benchmarks/zip/run_zip_bench.py)",
     [PY, str(HERE / "zip/run_zip_bench.py"), "--runs", "3"], False),
    ("archive", "Imports of the test archives by file:// URL, by step (Benchmarks/import/run_archive_bench.py)",
     [PY, str(HERE / "import/run_archive_bench.py")], True),
    ("import", "Model import against assimp info (Benchmarks/import/run_import_bench.py)",
     [PY, str(HERE / "import/run_import_bench.py"), "--runs", "5"], False),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--only", default="", help="comma-separated keys: " + ",".join(b[0] for b in BENCHMARKS))
    parser.add_argument("--out", help="report path (default Benchmarks/results/<UTC date>.md)")
    args = parser.parse_args()
    only = set(filter(None, args.only.split(",")))
    if not benchlib.in_private_netns():
        sys.exit("run me in a private network namespace: unshare -n sh -c 'ip link set lo up && Benchmarks/run_all.py'")
    # Twenty thousand connections closed by the server leave the client's ports free, but a wider
    # range and reuse keep the run independent of how fast TIME_WAIT drains (this namespace only).
    for key, value in (("net/ipv4/ip_local_port_range", "10000 65535"), ("net/ipv4/tcp_tw_reuse", "1")):
        try:
            Path("/proc/sys", key).write_text(value)
        except OSError:
            pass

    editor = benchlib.editor_binary()
    if not editor.exists():
        sys.exit(f"{editor} is missing: build first (make build) or set HEADLESS_EDITOR")
    env = dict(os.environ, HEADLESS_EDITOR=str(editor), MOLDARI_BUILD_DIR=str(editor.parent.parent))
    started = datetime.datetime.now(datetime.timezone.utc)
    machine = benchlib.machine_description()
    sections, failures = [], []
    for key, title, command, markdown in BENCHMARKS:
        if only and key not in only:
            continue
        if key in ("archive", "import"):
            command = command + ["--editor", str(editor)]
        print(f"== {key}: {' '.join(command[1:])}", file=sys.stderr, flush=True)
        load_before = Path("/proc/loadavg").read_text().split()[:3]
        begin = time.monotonic()
        result = subprocess.run(command, cwd=benchlib.REPO, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        seconds = time.monotonic() - begin
        text = result.stdout.strip()
        if result.returncode != 0:
            failures.append(key)
            text += f"\n\n**This benchmark failed (exit {result.returncode}):**\n\n```\n{result.stderr.strip()[-3000:]}\n```"
        body = text if markdown else f"```\n{text}\n```"
        heading = f"## {title}\n\n" if title else ""
        sections.append(f"{heading}{body}\n\n_{key}: {seconds:.0f} s, load average before {' '.join(load_before)}._\n")
        print(text, file=sys.stderr, flush=True)

    date = started.strftime("%Y-%m-%d")
    out = Path(args.out) if args.out else HERE / "results" / f"{date}.md"
    out.parent.mkdir(parents=True, exist_ok=True)
    header = [
        f"# Benchmark report {date}",
        "",
        f"- Date: {started.strftime('%Y-%m-%d %H:%M UTC')} to {datetime.datetime.now(datetime.timezone.utc).strftime('%H:%M UTC')}",
        f"- Machine: {machine['cpu']}, {machine['cores']} cores, {machine['ram_gib']:.1f} GiB RAM, Linux {machine['kernel']}",
        f"- Commit: {machine['commit']}; editor binary {editor}",
        f"- Load average at the start: {' '.join(machine['loadavg'])}, at the end: {' '.join(Path('/proc/loadavg').read_text().split()[:3])} "
        "(the machine is shared; figures are medians and every peer ran in the same run, interleaved)",
        "- Run: `make bench` (Benchmarks/run_all.py in a private network namespace)",
        "",
    ]
    out.write_text("\n".join(header) + "\n" + "\n".join(sections))
    print(f"report: {out}", file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
