#!/usr/bin/env python3
"""Times the plugin's ZIP extraction against unzip, bsdtar and Python's zipfile.

Two archives are made once (and kept in the work folder): (i) ~200 MB of many deflated
texture-like files (smooth gradients with low-bit noise, as uncompressed RGBA maps are) and
(ii) one large deflated texture. Each extractor runs as its own process, in turns, into an empty
folder (on /dev/shm when it exists, so the disk's write-back does not decide the result); the
median of the runs is reported, with each peer's time divided by ours (above 1: we are faster),
and each tool's peak resident memory (GNU time's maximum resident set size, when /usr/bin/time
is there).

    Benchmarks/zip/run_zip_bench.py [--runs 5] [--work /tmp/moldari-zip-bench] [--scale 1.0]

Needs a built tree (cmake --build build), a C++ compiler, unzip and bsdtar (libarchive-tools).
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
TEXTURE_WIDTH_BYTES = 4096          # 1024 RGBA pixels per row
TEXTURE_ROWS = 512                  # 2 MiB per texture
LOW_BITS = bytes(b & 0x07 for b in range(256))


def build_bench(work):
    binary = work / "moldari-zip-bench"
    sources = [REPO / "Benchmarks/zip/zip_bench.cpp", REPO / "Source/MOLDARIPlugin/Private/MOLDARIZipReader.cpp"]
    library = Path(os.environ.get("MOLDARI_BUILD_DIR", REPO / "build")) / "bin/libHeadlessEditor.so"
    if not library.exists():
        sys.exit(f"{library} is missing: build the tree first (cmake -S . -B build && cmake --build build -j2)")
    includes = [f"-I{d}" for d in sorted((REPO / "HeadlessEditor/Source").glob("*/Public"))]
    includes += [f"-I{REPO / 'HeadlessEditor/Source'}", f"-I{REPO / 'HeadlessEditor/Source/Core/Host'}",
                 f"-I{REPO / 'Source/MOLDARIPlugin/Private'}"]
    compiler = os.environ.get("CXX", "c++")
    subprocess.run([compiler, "-std=c++20", "-O2", "-DNDEBUG", *includes, *map(str, sources), "-o", str(binary),
                    f"-L{library.parent}", "-lHeadlessEditor", f"-Wl,-rpath,{library.parent}", "-lz"], check=True)
    return binary


def texture(seed):
    """2 MiB of RGBA-like bytes: a slow gradient in the high bits, noise in the low three."""
    rows = [bytes(((y * 4 + x // 256 + seed * 17) & 0xF8) for x in range(TEXTURE_WIDTH_BYTES)) for y in range(64)]
    gradient = b"".join(rows[(y // 8 + seed) % 64] for y in range(TEXTURE_ROWS))
    noise = os.urandom(len(gradient)).translate(LOW_BITS)
    mixed = int.from_bytes(gradient, "little") | int.from_bytes(noise, "little")
    return mixed.to_bytes(len(gradient), "little")


def make_archives(work, scale):
    many, single = work / "many-textures.zip", work / "single-texture.zip"
    textures = max(1, int(210 * scale))
    if not many.exists():
        with zipfile.ZipFile(many, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
            archive.writestr("metadata.json", '{"materials":[{"baseColor":"Textures/T_0_BaseColor.raw"}]}')
            for index in range(textures):
                kind = ("BaseColor", "Normal", "ORM")[index % 3]
                archive.writestr(f"Textures/T_{index}_{kind}.raw", texture(index))
    if not single.exists():
        with zipfile.ZipFile(single, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
            archive.writestr("Textures/T_Landscape_8K.raw", b"".join(texture(1000 + i) for i in range(textures)))
    return [many, single]


def extractors(bench):
    return {
        "moldari": lambda a, o: [str(bench), str(a), str(o)],
        "unzip -o -q": lambda a, o: ["unzip", "-o", "-q", str(a), "-d", str(o)],
        "bsdtar -xf": lambda a, o: ["bsdtar", "-xf", str(a), "-C", str(o)],
        "python zipfile": lambda a, o: [sys.executable, "-c",
                                        "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])",
                                        str(a), str(o)],
    }


def folder_bytes(folder):
    return sum(p.stat().st_size for p in folder.rglob("*") if p.is_file())


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work", type=Path, default=Path("/tmp/moldari-zip-bench"))
    parser.add_argument("--scale", type=float, default=1.0, help="archive size factor (1.0: ~200 MB each)")
    args = parser.parse_args()
    args.work.mkdir(parents=True, exist_ok=True)
    out_root = Path("/dev/shm/moldari-zip-bench") if Path("/dev/shm").is_dir() else args.work / "out"

    bench = build_bench(args.work)
    tools = extractors(bench)
    gnu_time = Path("/usr/bin/time") if Path("/usr/bin/time").exists() else None
    peak_file = args.work / "peak-rss"
    print(f"{'archive':<30}{'tool':<16}{'median s':>10}{'MB/s':>9}{'peer/ours':>11}{'peak MiB':>10}")
    for archive in make_archives(args.work, args.scale):
        with zipfile.ZipFile(archive) as z:
            expected = sum(i.file_size for i in z.infolist())
        times = {name: [] for name in tools}
        peaks = {name: [] for name in tools}
        for _ in range(args.runs):
            for name, command in tools.items():   # in turns, so drift hits every tool alike
                out = out_root / name.split()[0]
                shutil.rmtree(out, ignore_errors=True)
                out.mkdir(parents=True)
                measured = [str(gnu_time), "-f", "%M", "-o", str(peak_file)] if gnu_time else []
                start = time.perf_counter()
                subprocess.run(measured + command(archive, out), check=True, stdin=subprocess.DEVNULL)
                times[name].append(time.perf_counter() - start)
                if gnu_time:
                    peaks[name].append(int(peak_file.read_text().split()[-1]) / 1024)
                written = folder_bytes(out)
                if written != expected:
                    sys.exit(f"{name} wrote {written} bytes of {expected} from {archive.name}")
                shutil.rmtree(out, ignore_errors=True)
        ours = statistics.median(times["moldari"])
        label = f"{archive.name} ({archive.stat().st_size / 1e6:.0f} MB)"
        for name, runs in times.items():
            median = statistics.median(runs)
            peak = f"{max(peaks[name]):>10.1f}" if peaks[name] else f"{'-':>10}"
            print(f"{label:<30}{name:<16}{median:>10.3f}{expected / median / 1e6:>9.0f}{median / ours:>11.2f}{peak}")
            label = ""
    shutil.rmtree(out_root, ignore_errors=True)


if __name__ == "__main__":
    main()
