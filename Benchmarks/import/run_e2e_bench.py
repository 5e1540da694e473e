#!/usr/bin/env python3
"""Imports end to end, from POST /import to "[MOLDARI] Done", against command-line peers doing the
same work, in one run; then the memory of a 400 MB import and a burst of 50 imports.

The archives (../shared/testdata/archives/*.zip, read in place, and the project's own sample
archives when a build has made them) are served by Debian's nginx on loopback. The editor runs
with its bridge on, in this process's private network namespace, with step_clock.so preloaded:
that shim notes (wall clock, microseconds) the download's connect, the file made to store it, the
rename that ends the store and the open that starts its extraction, the steps the log does not
stamp. The rest comes from the log's millisecond stamps:

  reply         POST sent -> queued reply read (client side)
  download      HTTP thread connects -> the body arrived and was checked; a build that writes
                the body to disk as it arrives: -> the archive's file closed, whole
  store         -> the archive renamed into Saved/Temp/MOLDARI (folder, file, one write); 0 for
                a build that writes as it arrives
  hand-off      -> the extraction folder is made (main thread's core ticker, or the archive
                worker)
  extract       -> "Importing FBX" (folder, reading, extraction, the model search and, for an
                extraction off the main thread, the hand-off to it)
  FBX import    -> "ImportAssetsAutomated returned" (Assimp, the FBX's own textures included)
  textures      image importer spans after that line (the metadata's texture maps)
  material      the rest up to "Created PBR material"
  placement     -> "Placed ..."
  source copy   -> "Copied ..."
  save          -> "Saved N .uasset file(s)"
  clean-up      -> "Done: NAME"

Peers, each a process of its own, timed by wall clock, alternating with our imports:
`curl -s -o` of the same URL, `unzip -q` of that file, `assimp info` of its FBX and the textures
decoded by netpbm (`jpegtopnm`, `pngtopnm`, `tgatopnm`, `bmptopnm`) to /dev/null.

Memory: a fresh editor imports one of the real archives with a 400 MB stored entry of random
bytes added (made here, in the work folder); peak resident memory (VmHWM, reset with
clear_refs once idle) minus the idle resident memory, and the ratio to the archive's size.
Main thread: meanwhile a probe sends the console command `imports` every 10 ms and times each
answer (console commands run on the editor's main thread): the longest wait, less the part of
it the engine's own import call took, is the longest stretch the main thread spent on the
import outside that call (an upper bound: it includes the console's own hand-off).
Burst: a fresh editor gets 50 POST /import at once (the archives in turn, ten names); the time to
the 50th done line and the peak memory above idle.

Everything runs in a new folder on /dev/shm (tmpfs) unless --work says otherwise.
Prints a markdown section. Run it in a private network namespace (see run_all.py).
"""

import argparse
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
import benchlib  # noqa: E402

HERE = Path(__file__).resolve().parent
ARCHIVE_PORT = 8326
MIB = 1024 * 1024
PEER_FAILURES = set()   # archives whose model `assimp info` could not read
DECODERS = {".png": "pngtopnm", ".jpg": "jpegtopnm", ".jpeg": "jpegtopnm", ".tga": "tgatopnm", ".bmp": "bmptopnm"}
STEPS = ["reply", "download", "store", "hand-off", "extract", "FBX import", "textures", "material", "placement",
         "source copy", "save", "clean-up", "total"]


def post_import(url, name):
    """POST /import; returns (epoch when sent, seconds until the reply was read)."""
    body = json.dumps({"url": url, "name": name}).encode()
    request = (f"POST /import HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
               f"Content-Length: {len(body)}\r\nConnection: close\r\n\r\n").encode() + body
    sent = time.time()
    start = time.perf_counter()
    with socket.create_connection(("127.0.0.1", benchlib.BRIDGE_PORT), timeout=10) as sock:
        sock.sendall(request)
        reply = b""
        while chunk := sock.recv(65536):
            reply += chunk
    elapsed = time.perf_counter() - start
    if not reply.startswith(b"HTTP/1.1 200"):
        raise RuntimeError(f"import not queued: {reply[:200]!r}")
    return sent, elapsed


def read_clock(path):
    events = []
    if path.exists():
        for line in path.read_text().splitlines():
            event, micros, detail = line.split(" ", 2)
            events.append((event, int(micros) / 1e6, detail))
    return events


def split_steps(editor, mark, name, sent, reply_s, clock_events):
    """Step durations in milliseconds for one import, from the log lines after `mark`."""
    lines = [(t, text) for t, text in editor.lines[mark:] if t is not None]
    done_at = next(t for t, text in lines if text == f"[MOLDARI] Done: {name}")

    def first(prefix, after):
        # Log stamps are whole milliseconds (cut, not rounded): a line may carry a stamp up to
        # 1 ms before a microsecond mark that came earlier.
        if after is None:
            return None
        return next((t for t, text in lines if text.startswith(prefix) and after - 0.0011 <= t <= done_at), None)

    connect = min((t for e, t, _ in clock_events if e == "connect" and t >= sent), default=None)
    renamed = min((t for e, t, d in clock_events if e == "rename" and d.endswith(f"/{name}.zip") and t >= sent), default=None)
    # A build that writes the body to the archive as it arrives: the download ends when the file
    # is closed, whole; there is no store after it.
    closed = min((t for e, t, d in clock_events if e == "closed" and d.endswith(f"/{name}.zip") and t >= sent), default=None)
    stored = renamed if renamed is not None else closed
    opened = min((t for e, t, d in clock_events if e == "open" and d.endswith(f"/{name}.zip") and t >= sent), default=None)
    # The extraction begins with its folder, made just before the archive is read.
    extract_dirs = [t for e, t, d in clock_events if e == "mkdir" and "/Extract_" in d and stored is not None and opened is not None and stored <= t <= opened]
    if extract_dirs:
        opened = extract_dirs[-1]
    if renamed is not None:
        created = min((t for e, t, d in clock_events if e == "create" and f"/{name}.zip.tmp" in d and t >= sent), default=None)
        # The store begins with the archive's own folder (made just before its file); the folder
        # is told apart by being the last Archive_ folder made before the file.
        folders = [t for e, t, d in clock_events if e == "mkdir" and "/Archive_" in d and connect is not None and connect <= t <= (created or 0)]
        downloaded = folders[-1] if folders else created
    else:
        downloaded = closed
    fbx = first("[MOLDARI] Importing FBX: ", opened)
    returned = first("[MOLDARI] ImportAssetsAutomated returned ", fbx)
    material = first("[MOLDARI] Created PBR material: ", returned) or returned
    placed = first("[MOLDARI] Placed ", material) or material
    copied = first("[MOLDARI] Copied ", placed)
    marks = [sent, sent + reply_s, connect, downloaded, stored, opened, fbx, returned]
    if any(m is None for m in marks + [copied]):
        raise RuntimeError(f"missing step marks for {name}: {marks + [copied]}")
    saved = [t for t, text in lines if text.startswith("[MOLDARI] Saved ") and " .uasset file(s)" in text and copied <= t <= done_at]
    saved = saved[0] if saved else copied
    # Image importer spans between the FBX import's end and the material: the metadata's textures.
    textures, opened_at = 0.0, None
    for t, text in lines:
        if not (returned <= t <= material):
            continue
        if text.startswith("Importing '") and text.endswith("with the Texture importer"):
            opened_at = t
        elif opened_at is not None and (text.startswith("Imported '") or text.startswith("Failed to import '")):
            textures += t - opened_at
            opened_at = None
    # A millisecond stamp may fall just before the microsecond mark it follows: never below zero.
    ms = [max(b - a, 0.0) * 1000 for a, b in zip(marks, marks[1:])]
    # The download's own time runs from the connect; the gap after the reply is the request's set-up.
    ms[1] = max(downloaded - connect, 0.0) * 1000
    tail = [textures, material - returned - textures, placed - material, copied - placed, saved - copied, done_at - saved, done_at - sent]
    return dict(zip(STEPS, ms[:1] + ms[2:] + [max(v, 0.0) * 1000 for v in tail]))


def peer_run(url, work):
    """curl + unzip + assimp info + image decoding of one archive; seconds of each."""
    out = work / "peer"
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir()
    archive = out / "archive.zip"

    def timed(cmd, check=True):
        start = time.perf_counter()
        done = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if check and done.returncode != 0:
            raise RuntimeError(f"{cmd} failed with {done.returncode}")
        return time.perf_counter() - start, done.returncode == 0

    result = {"curl": timed(["curl", "-s", "-f", "-o", str(archive), url])[0]}
    (out / "b").mkdir()
    result["bsdtar"] = timed(["bsdtar", "-xf", str(archive), "-C", str(out / "b")])[0]
    shutil.rmtree(out / "b", ignore_errors=True)
    result["unzip"] = timed(["unzip", "-q", "-o", str(archive), "-d", str(out / "x")])[0]
    files = [p for p in (out / "x").rglob("*") if p.is_file() and "__MACOSX" not in p.parts]
    fbx = sorted(p for p in files if p.suffix.lower() == ".fbx")
    # A model assimp cannot read still costs the time it took to say so; the table marks it.
    result["assimp info"], read = timed(["assimp", "info", str(fbx[0])], check=False) if fbx else (0.0, False)
    if not read:
        PEER_FAILURES.add(Path(url).name)
    decode = 0.0
    for image in files:
        tool = DECODERS.get(image.suffix.lower())
        if tool:
            with open(image, "rb") as source:
                start = time.perf_counter()
                subprocess.run([tool], stdin=source, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                decode += time.perf_counter() - start
    result["decode textures"] = decode
    result["images"] = sum(1 for image in files if image.suffix.lower() in DECODERS)
    return result


def process_start_costs(work):
    """What each peer tool costs when it has nothing to do (a process start, its libraries):
    curl fetching an empty file, unzip of an empty archive, `assimp version`, a netpbm decoder
    refusing an empty input. Medians of five, seconds."""
    empty_zip = work / "empty.zip"
    empty_zip.write_bytes(b"PK\x05\x06" + bytes(18))
    commands = {
        "curl": ["curl", "-s", "-o", str(work / "empty.out"), f"http://127.0.0.1:{ARCHIVE_PORT}/empty"],
        "unzip": ["unzip", "-q", "-o", str(empty_zip), "-d", str(work / "empty-out")],
        "assimp info": ["assimp", "version"],
        "decode textures": ["pngtopnm", "/dev/null"],
    }
    costs = {}
    for key, command in commands.items():
        runs = []
        for _ in range(5):
            start = time.perf_counter()
            subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            runs.append(time.perf_counter() - start)
        costs[key] = statistics.median(runs)
    return costs


class PeakSampler:
    """Samples the process's resident memory every 5 ms, to tell which step holds the peak."""

    def __init__(self, pid):
        self.pid, self.samples, self.stop_flag = pid, [], False
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while not self.stop_flag:
            try:
                self.samples.append((time.time(), benchlib.vm_rss_kib(self.pid)))
            except (OSError, ValueError):
                return
            time.sleep(0.005)

    def stop(self):
        self.stop_flag = True
        self.thread.join()


class MainThreadProbe(threading.Thread):
    """Sends `imports` to the editor's console every `interval` seconds; each answer's last line
    ("N import job(s)") is matched to its command in order."""

    ANSWER = " import job(s)"

    def __init__(self, editor, interval=0.010):
        super().__init__(daemon=True)
        self.editor, self.interval = editor, interval
        self.sent = []
        self.halt = threading.Event()
        self.start_line = editor.mark()

    def run(self):
        while not self.halt.is_set():
            self.sent.append(time.time())
            self.editor.command("imports")
            self.halt.wait(self.interval)

    def stop(self):
        self.halt.set()
        self.join()
        # every command sent gets its answer
        limit = time.monotonic() + 30
        while len(self.answers()) < len(self.sent) and time.monotonic() < limit:
            time.sleep(0.01)

    def answers(self):
        with self.editor.cond:
            return [at for at, (_, text) in zip(self.editor.arrivals[self.start_line:], self.editor.lines[self.start_line:])
                    if text.endswith(self.ANSWER)]

    def waits(self, excluded=()):
        """(sent, wait seconds) of each probe, less the time of the wait that fell in an excluded
        window (the engine's own import call)."""
        result = []
        for sent, answered in zip(self.sent, self.answers()):
            inside = sum(max(0.0, min(answered, end) - max(sent, begin)) for begin, end in excluded)
            result.append((sent, answered - sent - inside))
        return result


def start_editor(work, tag, clock, binary=None):
    env = {"LD_PRELOAD": str(work / "step_clock.so"), "MOLDARI_STEP_CLOCK": str(clock),
           "MOLDARI_STEP_CLOCK_PORT": str(ARCHIVE_PORT)}
    return benchlib.Editor(work / f"Project-{tag}", extra_env=env, binary=binary)


def make_big_archive(base, target, extra_bytes):
    """`base` plus a stored entry of `extra_bytes` random bytes."""
    if target.exists() and target.stat().st_size > extra_bytes:
        return target
    with zipfile.ZipFile(base) as source, zipfile.ZipFile(target, "w") as out:
        for info in source.infolist():
            out.writestr(info, source.read(info.filename))
        info = zipfile.ZipInfo("Padding/random.bin", date_time=(2024, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_STORED
        with out.open(info, "w", force_zip64=False) as entry:
            chunk = 8 * MIB
            left = extra_bytes
            while left > 0:
                entry.write(os.urandom(min(chunk, left)))
                left -= chunk
    return target


def idle_rss(pid, settle=1.0):
    time.sleep(settle)
    return benchlib.vm_rss_kib(pid)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5, help="imports of each archive (and peer runs)")
    parser.add_argument("--samples", default=str(benchlib.editor_binary().parent.parent / "SampleArchives"),
                        help="folder of the project's own sample archives, used when it exists")
    parser.add_argument("--big-mib", type=int, default=400)
    parser.add_argument("--burst", type=int, default=50)
    parser.add_argument("--skip", default="", help="comma-separated parts to leave out: steps,memory,burst,baseline,profile")
    parser.add_argument("--baseline-editor", default=os.environ.get("MOLDARI_BASELINE_EDITOR"),
                        help="an earlier build's headless-editor: the 400 MB import is also run with it, in turns")
    parser.add_argument("--baseline-runs", type=int, default=3)
    parser.add_argument("--work", help="folder for the run's files (default: a new folder in /dev/shm, else in the temp folder)")
    parser.add_argument("--json", help="also write the figures here")
    args = parser.parse_args()
    if not benchlib.in_private_netns():
        sys.exit("run me in a private network namespace: unshare -n sh -c 'ip link set lo up && ...'")
    skip = set(filter(None, args.skip.split(",")))

    # On tmpfs when there is one, as the ZIP benchmark does: the editor's project, the served
    # archives and the peers' files all live there, so neither the disk's write-back nor the file
    # system's history (a disk's inode allocation slows down after many deletions) decides a figure.
    root = args.work or ("/dev/shm" if Path("/dev/shm").is_dir() else None)
    work = Path(tempfile.mkdtemp(prefix="moldari-e2e-bench-", dir=root))
    subprocess.run(["cc", "-O2", "-Wall", "-shared", "-fPIC", str(HERE / "step_clock.c"), "-o", str(work / "step_clock.so"), "-ldl"], check=True)
    served = work / "served"
    served.mkdir()
    archives = sorted((benchlib.TESTDATA / "archives").glob("*.zip"))
    samples = Path(args.samples)
    if samples.is_dir():
        # the samples that import (not the one made to show a failure)
        archives += [a for a in sorted(samples.glob("*.zip")) if any(n.lower().endswith(".fbx") for n in zipfile.ZipFile(a).namelist())]
    for archive in archives:
        (served / archive.name).symlink_to(archive)
    (served / "empty").write_bytes(b"")
    nginx = benchlib.Nginx(ARCHIVE_PORT, root=served)
    figures = {}
    out = []
    try:
        if "steps" not in skip:
            figures["steps"] = steps_section(args, work, archives, nginx, out)
        if "memory" not in skip:
            figures["memory"] = memory_section(args, work, archives, served, nginx, out)
        if "memory" not in skip and "profile" not in skip:
            figures["profile"] = profile_section(args, work, out)
        if args.baseline_editor and "memory" not in skip and "baseline" not in skip:
            figures["baseline"] = baseline_section(args, work, archives, out)
        if "burst" not in skip:
            figures["burst"] = burst_section(args, work, archives, nginx, out)
    finally:
        nginx.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("\n".join(out))
    if args.json:
        Path(args.json).write_text(json.dumps(figures, indent=1))


def steps_section(args, work, archives, nginx, out):
    clock = work / "clock-steps.log"
    editor = start_editor(work, "steps", clock)
    ours, peers = {}, {}
    try:
        for run in range(args.runs):
            for archive in archives:
                stem = archive.stem
                name = f"{stem}_{run}"[:64]
                uri = f"/{archive.name}?run={run}"
                url = f"http://127.0.0.1:{ARCHIVE_PORT}{uri}"
                mark = editor.mark()
                sent, reply_s = post_import(url, name)
                editor.wait_for(f"[MOLDARI] Done: {name}", start=mark, timeout=120)
                ours.setdefault(stem, []).append(split_steps(editor, mark, name, sent, reply_s, read_clock(clock)))
                peers.setdefault(stem, []).append(peer_run(f"http://127.0.0.1:{ARCHIVE_PORT}/{archive.name}", work))
    finally:
        editor.stop()

    starts = process_start_costs(work)
    out += ["## Import end to end", "",
            f"Medians of {args.runs} imports per archive (each under a new name), from POST /import to the done line, in "
            "milliseconds, with the peers' processes timed in the same run, alternating with the imports. Archives served by "
            "nginx on loopback. Reply, download, store and hand-off are timed to the microsecond; from the extraction on, "
            "steps end at the log's millisecond stamps (cut, not rounded), so a step under a millisecond shows as 0 or 1.", "",
            "| archive | size | " + " | ".join(STEPS) + " |", "|---" * (len(STEPS) + 2) + "|"]
    table = {}
    for stem, rows in ours.items():
        med = {step: statistics.median(r[step] for r in rows) for step in STEPS}
        size = next(a for a in archives if a.stem == stem).stat().st_size
        table[stem] = {"ours": med, "size": size}
        out.append(f"| {stem} | {size // 1024} KiB | " + " | ".join(f"{med[s]:.1f}" for s in STEPS) + " |")
    out += ["", "Peers (milliseconds, medians of process wall times) and ratios:", "",
            "| archive | curl -o | unzip | assimp info | decode textures (netpbm) | ours download+store+extract | ratio to curl+unzip (goal <= 1.2) | ours total | peers total | ratio (goal <= 2) |",
            "|---|---|---|---|---|---|---|---|---|---|"]
    tools = ("curl", "unzip", "assimp info", "decode textures")

    def net(p):
        """A peer run less what its processes cost with nothing to do."""
        return {k: max(p[k] - starts[k] * (p["images"] if k == "decode textures" else 1), 0.0) for k in tools}

    net_rows = []
    for stem, rows in peers.items():
        med = {k: statistics.median(r[k] for r in rows) * 1000 for k in tools}
        ours_rows = ours[stem]
        # Ratios per pair of runs (ours and the peer run right after it), then the median.
        dl_ratio = statistics.median((o["download"] + o["store"] + o["extract"]) / ((p["curl"] + p["unzip"]) * 1000) for o, p in zip(ours_rows, rows))
        total_ratio = statistics.median(o["total"] / (sum(p[k] for k in tools) * 1000) for o, p in zip(ours_rows, rows))
        nets = [net(p) for p in rows]
        net_dl = statistics.median((o["download"] + o["store"] + o["extract"]) / max((n["curl"] + n["unzip"]) * 1000, 0.001) for o, n in zip(ours_rows, nets))
        net_total = statistics.median(o["total"] / max(sum(n.values()) * 1000, 0.001) for o, n in zip(ours_rows, nets))
        net_rows.append(f"| {stem} | {statistics.median(n['curl'] + n['unzip'] for n in nets) * 1000:.1f} | {net_dl:.2f} | "
                        f"{statistics.median(sum(n.values()) for n in nets) * 1000:.1f} | {net_total:.2f} |")
        o = table[stem]["ours"]
        dl = o["download"] + o["store"] + o["extract"]
        table[stem]["peers"] = med
        table[stem]["ratios"] = {"download_extract": dl_ratio, "total": total_ratio, "download_extract_net": net_dl, "total_net": net_total}
        mark = " (assimp cannot read its FBX)" if f"{stem}.zip" in PEER_FAILURES else ""
        out.append(f"| {stem}{mark} | {med['curl']:.1f} | {med['unzip']:.1f} | {med['assimp info']:.1f} | {med['decode textures']:.1f} | "
                   f"{dl:.1f} | {dl_ratio:.2f} | {o['total']:.1f} | {sum(med.values()):.1f} | {total_ratio:.2f} |")
    out += ["", "The peers' figures include starting a process each (curl, unzip, assimp, one netpbm process per image); "
            "ours include none. Ratios are medians of the per-run ratios. Without those starts (each tool's cost with nothing "
            "to do, measured in this run: " + ", ".join(f"{k} {v * 1000:.1f} ms" for k, v in starts.items()) +
            ", the last per image), the peers compare as follows:", "",
            "| archive | curl + unzip, net | ours download+store+extract / that | all peers, net | ours total / that |",
            "|---|---|---|---|---|", *net_rows, ""]
    return table


def memory_section(args, work, archives, served, nginx, out):
    base = next((a for a in archives if "spider" in a.name), archives[0])
    big = make_big_archive(base, work / "big.zip", args.big_mib * MIB)
    (served / "big.zip").symlink_to(big)
    size = big.stat().st_size
    # Peer, ours, ours, peer: whichever runs first after the archive was made meets a different
    # page cache, so each side gets one early and one late turn; medians of the two.
    url = f"http://127.0.0.1:{ARCHIVE_PORT}/big.zip"
    peers, imports = [], []
    for turn in ("peer", "ours", "ours", "peer"):
        if turn == "peer":
            peers.append(peer_run(url, work))
            shutil.rmtree(work / "peer", ignore_errors=True)
        else:
            imports.append(big_import(work, "memory"))
    # The memory figure is the worse of the two imports; the times are medians.
    idle, peak, sampler, sent, steps = max(imports, key=lambda r: r[1] - r[0])
    steps = {k: statistics.median(r[4][k] for r in imports) for k in steps}
    peer = {k: statistics.median(p[k] for p in peers) for k in peers[0]}
    ours_dl = steps["download"] + steps["store"] + steps["extract"]
    peer_dl = (peer["curl"] + peer["bsdtar"]) * 1000
    above = (peak - idle) * 1024
    ratio = above / size
    stretch = max(r[4]["main thread longest wait"] for r in imports)
    peak_sample = max(sampler.samples, key=lambda s: s[1]) if sampler.samples else (0, 0)
    # The curve: resident memory above idle at 16 even points from the POST to the done line.
    during = [(t, kib) for t, kib in sampler.samples if t >= sent]
    curve = [during[min(len(during) - 1, i * len(during) // 16)] for i in range(16)] if during else []
    curve_text = ", ".join(f"{(kib - idle) / 1024:.0f}" for _, kib in curve)
    curve_step = (during[-1][0] - during[0][0]) / 16 * 1000 if len(during) > 1 else 0
    out += ["## Memory of a 400 MB import", "",
            f"`{base.name}` plus a stored entry of {args.big_mib} MiB of random bytes: {size / MIB:.1f} MiB archive. "
            f"Idle editor {idle / 1024:.0f} MiB resident; peak during the import {peak / 1024:.0f} MiB (VmHWM); "
            f"peak above idle **{above / MIB:.0f} MiB** = {ratio:.2f}x the archive, the higher of two imports (goal at most 64 MiB: "
            f"{'met' if above <= 64 * MIB else 'NOT met'}). "
            f"The sampled peak (every 5 ms) was {(peak_sample[1] - idle) / 1024:.0f} MiB above idle, "
            f"{(peak_sample[0] - sent) * 1000:.0f} ms after the POST. Resident memory above idle through that import, "
            f"every {curve_step:.0f} ms from the POST (MiB): {curve_text}.", "",
            "Steps (ms, medians of the two imports): " + ", ".join(f"{k} {v:.0f}" for k, v in steps.items() if k not in ("textures",)) + ".",
            "",
            f"Main thread: the longest a console probe waited outside the engine's import call was **{stretch:.0f} ms** "
            f"(the higher of the two imports; goal under 50 ms: {'met' if stretch < 50 else 'NOT met'}); the engine's import call itself took "
            f"{steps['engine import call']:.0f} ms.",
            "",
            f"Same archive, same run (peer, ours, ours, peer; medians): download+store+extract {ours_dl:.0f} ms against `curl -o` {peer['curl'] * 1000:.0f} ms + "
            f"`bsdtar -xf` {peer['bsdtar'] * 1000:.0f} ms = {peer_dl:.0f} ms: **{ours_dl / peer_dl:.2f}x** (goal at most 1.0x); "
            f"`unzip` took {peer['unzip'] * 1000:.0f} ms.", ""]
    return {"archive_bytes": size, "idle_kib": idle, "peak_kib": peak, "ratio": ratio, "steps": steps, "main_thread_ms": stretch,
            "peer_ms": {k: v * 1000 for k, v in peer.items()}, "download_extract_ratio": ours_dl / peer_dl}


def big_import(work, tag, binary=None):
    """One import of big.zip in a fresh editor: (idle KiB, peak KiB, sampler, POST epoch, steps)."""
    clock = work / f"clock-{tag}.log"
    clock.unlink(missing_ok=True)
    editor = start_editor(work, tag, clock, binary)
    try:
        idle = idle_rss(editor.proc.pid)
        benchlib.reset_peak(editor.proc.pid)
        sampler = PeakSampler(editor.proc.pid)
        probe = MainThreadProbe(editor)
        probe.start()
        time.sleep(0.2)
        mark = editor.mark()
        sent, reply_s = post_import(f"http://127.0.0.1:{ARCHIVE_PORT}/big.zip", "big")
        editor.wait_for("[MOLDARI] Done: big", start=mark, timeout=600)
        time.sleep(0.2)
        probe.stop()
        peak = benchlib.vm_hwm_kib(editor.proc.pid)
        sampler.stop()
        steps = split_steps(editor, mark, "big", sent, reply_s, read_clock(clock))
        # the engine's own import call, by its log lines (stamps cut to the millisecond)
        fbx = editor.find("[MOLDARI] Importing FBX: ", mark)[0][0]
        returned = editor.find("[MOLDARI] ImportAssetsAutomated returned ", mark)[0][0] + 0.001
        during = [w for t, w in probe.waits() if sent - 0.02 <= t]
        outside = [w for t, w in probe.waits([(fbx, returned)]) if sent - 0.02 <= t]
        steps["main thread longest wait"] = max(outside, default=0.0) * 1000
        steps["main thread longest wait, engine import included"] = max(during, default=0.0) * 1000
        steps["engine import call"] = (returned - fbx) * 1000
    finally:
        editor.stop()
        # Its 800 MB (Source copy and the model's assets) would otherwise stay for the whole run.
        shutil.rmtree(editor.project, ignore_errors=True)
    return idle, peak, sampler, sent, steps


def profile_section(args, work, out):
    """Where the 400 MB import spends its CPU, by thread and symbol (perf, when it works here)."""
    perf = shutil.which("perf")
    if not perf or subprocess.run([perf, "--version"], capture_output=True).returncode != 0:
        out += ["## Profile of the 400 MB import", "", "perf is not usable on this machine; no profile.", ""]
        return None
    data = work / "perf.data"
    clock = work / "clock-profile.log"
    editor = start_editor(work, "profile", clock)
    try:
        time.sleep(0.5)
        recorder = subprocess.Popen([perf, "record", "-F", "999", "-o", str(data), "-p", str(editor.proc.pid)],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)
        mark = editor.mark()
        sent, reply_s = post_import(f"http://127.0.0.1:{ARCHIVE_PORT}/big.zip", "big")
        editor.wait_for("[MOLDARI] Done: big", start=mark, timeout=600)
        steps = split_steps(editor, mark, "big", sent, reply_s, read_clock(clock))
        recorder.send_signal(2)
        recorder.wait(60)
    finally:
        editor.stop()
        shutil.rmtree(editor.project, ignore_errors=True)
    report = subprocess.run([perf, "report", "-i", str(data), "--no-children", "--stdio", "-g", "none", "--sort", "comm,dso,sym",
                             "--percent-limit", "1.5"], capture_output=True, text=True).stdout
    rows = [line.rstrip() for line in report.splitlines() if line.strip() and not line.startswith("#")][:16]
    if not rows:
        out += ["## Profile of the 400 MB import", "", "perf recorded nothing usable here; no profile.", ""]
        return None
    out += ["## Profile of the 400 MB import", "",
            "`perf record -F 999` of the editor during one import of the 400 MB archive (steps of that import, ms: "
            + ", ".join(f"{k} {v:.0f}" for k, v in steps.items() if k in ("download", "store", "extract", "source copy", "total"))
            + "). Samples by thread (HttpManager: download and store; headless-editor: the main thread's import), "
            "library and symbol, those over 1.5%:", "", "```", *rows, "```", ""]
    return {"rows": rows, "steps": steps}


def small_imports(work, tag, binary, archives):
    """Each of `archives` imported once, in turn, in one fresh editor: total ms by archive name."""
    clock = work / f"clock-{tag}.log"
    clock.unlink(missing_ok=True)
    editor = start_editor(work, tag, clock, binary)
    totals = {}
    try:
        for archive in archives:
            name = "s_" + archive.stem
            mark = editor.mark()
            sent, _ = post_import(f"http://127.0.0.1:{ARCHIVE_PORT}/{archive.name}", name)
            done = editor.wait_for(f"[MOLDARI] Done: {name}", start=mark, timeout=120)[0][0]
            totals[archive.name] = (done - sent) * 1000
    finally:
        editor.stop()
        shutil.rmtree(editor.project, ignore_errors=True)
    return totals


def baseline_section(args, work, archives, out):
    """The 400 MB import and the small sample archives by an earlier build and by this one, in
    turns, same archives, same run."""
    rows = {"baseline": [], "this build": []}
    small = {"baseline": [], "this build": []}
    samples = [a for a in archives if a.parent == Path(args.samples)] or [a for a in archives if a.stat().st_size < 8 * MIB][:3]
    for _ in range(args.baseline_runs):
        for label, binary in (("baseline", args.baseline_editor), ("this build", None)):
            idle, peak, _, _, steps = big_import(work, "compare", binary)
            rows[label].append({**steps, "peak_above_idle_mib": (peak - idle) / 1024})
            small[label].append(small_imports(work, "compare-small", binary, samples))
    size = (work / "big.zip").stat().st_size
    keys = ["download", "store", "extract", "total", "main thread longest wait", "peak_above_idle_mib"]
    out += ["## Before and after, 400 MB import", "",
            f"Baseline editor `{args.baseline_editor}` against this build, {args.baseline_runs} imports each in turns "
            "(medians; times in ms, memory in MiB above the idle process).", "",
            "| build | " + " | ".join(keys) + " | peak / archive |", "|---" * (len(keys) + 2) + "|"]
    result = {}
    for label, runs in rows.items():
        med = {k: statistics.median(r[k] for r in runs) for k in keys}
        result[label] = med
        out.append(f"| {label} | " + " | ".join(f"{med[k]:.0f}" for k in keys) + f" | {med['peak_above_idle_mib'] * MIB / size:.2f}x |")
    out += ["", "The small sample archives, POST to done line (ms, medians of the same turns):", "",
            "| archive | baseline | this build | this / baseline |", "|---|---|---|---|"]
    result["small"] = {}
    for archive in samples:
        before = statistics.median(run[archive.name] for run in small["baseline"])
        after = statistics.median(run[archive.name] for run in small["this build"])
        result["small"][archive.name] = {"baseline": before, "this build": after}
        out.append(f"| {archive.name} | {before:.0f} | {after:.0f} | {after / before:.2f}x |")
    out.append("")
    return result


def burst_section(args, work, archives, nginx, out):
    small = [a for a in archives if a.stat().st_size < 64 * MIB]
    clock = work / "clock-burst.log"
    editor = start_editor(work, "burst", clock)
    try:
        idle = idle_rss(editor.proc.pid)
        benchlib.reset_peak(editor.proc.pid)
        mark = editor.mark()
        names = []
        start = time.time()
        replies = []
        for i in range(args.burst):
            archive = small[i % len(small)]
            name = f"burst_{archive.stem[:20]}_{i % 10}"
            names.append(name)
            replies.append(post_import(f"http://127.0.0.1:{ARCHIVE_PORT}/{archive.name}?burst={i}", name)[1])
        posted = time.time() - start
        done = editor.wait_for("[MOLDARI] Done: ", start=mark, count=args.burst, timeout=900)
        total = done[-1][0] - start
        peak = benchlib.vm_hwm_kib(editor.proc.pid)
        errors = [t for _, t in editor.lines[mark:] if t.startswith("[MOLDARI]") and ("failed" in t.lower() or "invalid" in t.lower() or "cannot" in t.lower())]
    finally:
        editor.stop()
    done_names = sorted(t[len("[MOLDARI] Done: "):] for _, t in done)
    all_done = done_names == sorted(names)
    out += ["## Burst: 50 imports queued at once", "",
            f"{args.burst} POST /import sent back to back ({len(small)} archives in turn, {len(set(names))} distinct names, "
            f"{len(names) - len(set(names))} imports reusing a name already queued): all queued in {posted * 1000:.0f} ms (reply p50 "
            f"{statistics.median(replies) * 1000:.1f} ms, max {max(replies) * 1000:.1f} ms); "
            f"{len(done)} done lines, {'one for every import' if all_done else 'NOT one for every import'}; "
            f"the last {total:.1f} s after the first POST ({total / args.burst * 1000:.0f} ms per import). "
            f"Peak memory {(peak - idle) / 1024:.0f} MiB above the idle {idle / 1024:.0f} MiB. "
            f"Error lines: {len(errors)}.", ""]
    return {"count": args.burst, "done": len(done), "all_done": all_done, "total_s": total, "idle_kib": idle,
            "peak_kib": peak, "errors": errors}


if __name__ == "__main__":
    main()
