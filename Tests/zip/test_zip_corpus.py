"""Black-box comparison of the plugin's ZIP extraction with Info-ZIP's unzip.

The plugin's corpus automation test (MOLDARI.Zip.Corpus) extracts every archive of
../shared/testdata/zip-corpus inside headless-editor and, through MOLDARI_ZIP_CORPUS_MANIFEST,
reports where each central directory entry went. This test then checks, archive by archive:

* the result (Extracted / NoEndRecord) against the corpus' expected.json;
* every entry's outcome against a small model of the reader's rules written here
  (names, bounds, shared data, methods, encryption, CRC and deflate checks with Python's zlib);
* that Info-ZIP's unzip lists every written file under the same name (unzip -Z1) and that the
  bytes on disk are the ones unzip -p produces, and that unzip -t also fails every entry the
  reader refused as corrupt;
* that nothing at all was written outside the extraction folders.
"""

import json
import os
import re
import struct
import subprocess
import zlib
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
CORPUS = Path(os.environ.get("MOLDARI_ZIP_CORPUS", REPO.parent / "shared" / "testdata" / "zip-corpus")).resolve()
EDITOR = Path(os.environ.get("HEADLESS_EDITOR") or REPO / "build" / "bin" / "headless-editor")

END_RECORD_WINDOW = 65558
MAX_ENTRY_BYTES = 1 << 30
MAX_TOTAL_BYTES = 4 << 30
MAX_DEFLATE_RATIO = 1032
RESERVED = {"CON", "PRN", "AUX", "NUL"} | {f"{p}{d}" for p in ("COM", "LPT") for d in "123456789"}
TRAVERSAL_TARGETS = [Path("/home/evil.txt"), Path("/atxt"), Path("/evil.txt")]


# ---------------------------------------------------------------- the rules, modelled in Python

WINDOWS_REFUSED = set('<>"|?*') | {chr(c) for c in range(0x20)}


def is_unsafe(name):
    if not name or ".." in name or name.startswith("/") or ":" in name:
        return True
    # Characters Windows refuses, and undecodable bytes (which the reader reads as '?').
    if any(c in WINDOWS_REFUSED or c == "\ufffd" for c in name):
        return True
    for part in (p for p in name.split("/") if p):
        if part.endswith(".") or part.endswith(" "):
            return True
        if part.split(".", 1)[0].rstrip(" ").upper() in RESERVED:
            return True
    return False


def intact(method, payload, crc, usize):
    if method == 0:
        return zlib.crc32(payload) == crc
    if usize > len(payload) * MAX_DEFLATE_RATIO:
        return False
    inflater = zlib.decompressobj(-15)
    try:
        out = inflater.decompress(payload, usize + 1)
    except zlib.error:
        return False
    return inflater.eof and len(out) == usize and zlib.crc32(out) == crc


def model(data):
    """(result, [(index, outcome, relative path or None, declared size)])"""
    size = len(data)
    lowest = max(0, size - END_RECORD_WINDOW)
    end = next((p for p in range(size - 22, lowest - 1, -1) if data[p:p + 4] == b"PK\x05\x06"), None)
    if end is None:
        return "NoEndRecord", []
    count, = struct.unpack_from("<H", data, end + 10)
    cursor, = struct.unpack_from("<I", data, end + 16)
    outcomes, claimed, files, folders, total = [], [], set(), set(), 0
    for index in range(count):
        if cursor + 46 > size or data[cursor:cursor + 4] != b"PK\x01\x02":
            break
        (flags, method, _, _, crc, csize, usize, nlen, elen, clen, _, _, _, lho) = struct.unpack_from(
            "<HHHHIIIHHHHHII", data, cursor + 8)
        if cursor + 46 + nlen > size:
            break
        raw = data[cursor + 46:cursor + 46 + nlen].split(b"\0")[0]
        cursor += 46 + nlen + elen + clen
        name = raw.decode("utf-8", errors="replace")

        def out(outcome, path=None):
            outcomes.append((index, outcome, path, usize))

        if name.endswith("/"):
            out("Directory")
            continue
        name = name.replace("\\", "/")
        if is_unsafe(name):
            out("UnsafeName")
            continue
        if lho + 30 > size:
            out("OutOfBounds")
            continue
        lnlen, lelen = struct.unpack_from("<HH", data, lho + 26)
        start = lho + 30 + lnlen + lelen
        if start + csize > size:
            out("OutOfBounds")
            continue
        if any(lho < e and b < start + csize for b, e in claimed):
            out("Overlapping")
            continue
        claimed.append((lho, start + csize))
        if flags & 1 or method not in (0, 8):
            out("Unsupported")
            continue
        written = csize if method == 0 else usize
        if usize > MAX_ENTRY_BYTES or written > MAX_ENTRY_BYTES or total + written > MAX_TOTAL_BYTES:
            out("TooLarge")
            continue
        if not intact(method, data[start:start + csize], crc, usize):
            out("Corrupt")
            continue
        parents = ["/".join(name.split("/")[:i]) for i in range(1, name.count("/") + 1)]
        if name in folders or any(p in files for p in parents):
            out("WriteFailed")
            continue
        files.add(name)
        folders.update(parents)
        total += written
        out("Written", name)
    return "Extracted", outcomes


# ---------------------------------------------------------------- running the plugin

def read_manifest(path):
    archives = {}
    current = None
    for line in path.read_text(encoding="utf-8").splitlines():
        fields = line.split("\t")
        if fields[0] == "archive":
            current = archives[fields[1]] = {"result": fields[2], "dir": Path(fields[3]), "entries": []}
        elif fields[0] == "entry":
            current["entries"].append((int(fields[1]), fields[2], fields[3] or None))
    return archives


def all_files(root):
    return {p for p in root.rglob("*") if p.is_file() or p.is_symlink()}


@pytest.fixture(scope="module")
def run(tmp_path_factory):
    if not EDITOR.exists():
        pytest.fail(f"{EDITOR} is missing: build first (cmake --build build)")
    if not CORPUS.is_dir():
        pytest.fail(f"ZIP corpus not found at {CORPUS}")
    root = tmp_path_factory.mktemp("zipcorpus")
    project, work, manifest = root / "project", root / "cwd", root / "manifest.tsv"
    work.mkdir()
    present_before = {t for t in TRAVERSAL_TARGETS if t.exists()}
    env = dict(os.environ, MOLDARI_ZIP_CORPUS=str(CORPUS), MOLDARI_ZIP_CORPUS_MANIFEST=str(manifest))
    proc = subprocess.run([str(EDITOR), "--project", str(project), "--plugin", str(REPO), "--run-tests", "MOLDARI.Zip.Corpus"],
                          cwd=work, env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=300)
    output = proc.stdout.decode("utf-8", "replace") + proc.stderr.decode("utf-8", "replace")
    assert proc.returncode == 0 and re.search(r"^1 passed, 0 failed$", output, re.M), output[-4000:]
    return {"root": root, "project": project, "manifest": read_manifest(manifest), "before": present_before, "output": output}


def archives():
    return sorted(p.name for p in CORPUS.iterdir() if p.suffix in (".zip", ".zipx"))


def unzip(*args):
    return subprocess.run(["unzip", *args], stdin=subprocess.DEVNULL, capture_output=True)


def unzip_pattern(name):
    # unzip reads its name arguments as wildcards, with '\\' as the escape character
    return "".join("\\\\" if c == "\\" else f"[{c}]" if c in "[]*?" else c for c in name)


# ---------------------------------------------------------------- the checks

def test_every_archive_was_extracted(run):
    assert sorted(run["manifest"]) == archives()


def test_nothing_written_outside_the_extraction_folders(run):
    folders = [info["dir"] for info in run["manifest"].values()]
    logs = run["project"] / "Saved" / "Logs"
    for path in all_files(run["root"]):
        if path.name == "manifest.tsv" or logs in path.parents:
            continue
        assert any(folder in path.parents for folder in folders), f"{path} lies outside every extraction folder"
    for target in TRAVERSAL_TARGETS:
        assert target in run["before"] or not target.exists(), f"{target} was written by a traversal entry"


@pytest.mark.parametrize("archive", archives())
def test_archive_matches_model_and_unzip(run, archive):
    info = run["manifest"][archive]
    data = (CORPUS / archive).read_bytes()
    expected_result = {e["file"]: e["result"] for e in json.loads((CORPUS / "expected.json").read_text())}[archive]
    assert info["result"] == expected_result

    result, outcomes = model(data)
    assert info["result"] == result
    assert [(i, o) for i, o, _ in info["entries"]] == [(i, o) for i, o, _, _ in outcomes]

    # The folder holds the written files and nothing else.
    written = {path for _, outcome, path in info["entries"] if outcome == "Written"}
    on_disk = {p.relative_to(info["dir"]).as_posix() for p in all_files(info["dir"])}
    assert on_disk == written

    if result != "Extracted":
        return
    listing = unzip("-Z1", str(CORPUS / archive)).stdout.decode("utf-8", "surrogateescape").split("\n")
    for (index, outcome, path), (_, _, model_path, declared) in zip(info["entries"], outcomes):
        if outcome == "Corrupt":
            # unzip must find fault too: a failed test, or data that is not the declared size.
            pattern = unzip_pattern(listing[index])
            tested = unzip("-t", str(CORPUS / archive), pattern)
            produced = unzip("-p", str(CORPUS / archive), pattern)
            assert tested.returncode != 0 or len(produced.stdout) != declared, \
                f"unzip accepts entry {index} ({listing[index]!r}) that was refused as corrupt"
        if outcome != "Written":
            continue
        # Names: as unzip lists them (with '/' for '\'); undecodable bytes may become any placeholder.
        if "\ufffd" in model_path:
            assert re.fullmatch(".+".join(map(re.escape, model_path.split("\ufffd"))), path), path
        else:
            assert path == model_path == listing[index].replace("\\", "/")
        # Content: byte for byte what unzip extracts. A name listed twice prints both entries,
        # the later one last, and the later one is the one that stays on disk.
        produced = unzip("-p", str(CORPUS / archive), unzip_pattern(listing[index]))
        content = (info["dir"] / path).read_bytes()
        if listing.count(listing[index]) > 1:
            assert produced.stdout.endswith(content), produced.stderr
        else:
            assert produced.stdout == content, produced.stderr
