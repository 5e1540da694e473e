"""Black-box comparison of the plugin's ZIP extraction with Info-ZIP's unzip.

The plugin's corpus automation test (MOLDARI.Zip.Corpus) extracts every archive of
../shared/testdata/zip-corpus inside headless-editor and, through MOLDARI_ZIP_CORPUS_MANIFEST,
reports where each central directory entry went. The reader's own rules (names, bounds, shared
data, methods, limits) are tested in the automation tests; this test holds it to unzip, archive
by archive:

* the result (Extracted / NoEndRecord) against the corpus' expected.json;
* one outcome per entry unzip lists, a folder entry exactly where unzip lists a folder;
* that every written file has the name unzip lists (unzip -Z1) and the bytes unzip -p produces;
* that unzip -t also fails every entry refused as corrupt or out of bounds;
* that nothing at all was written outside the extraction folders.
"""

import json
import os
import re
import subprocess
import zipfile
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
CORPUS = Path(os.environ.get("MOLDARI_ZIP_CORPUS", REPO.parent / "shared" / "testdata" / "zip-corpus")).resolve()
EDITOR = Path(os.environ.get("HEADLESS_EDITOR") or REPO / "build" / "bin" / "headless-editor")
TRAVERSAL_TARGETS = [Path("/home/evil.txt"), Path("/atxt"), Path("/evil.txt")]
# Refusals of damage, which unzip must see too; the other refusals are the reader's own rules.
DAMAGED = ("Corrupt", "OutOfBounds")


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
def test_archive_matches_unzip(run, archive):
    info = run["manifest"][archive]
    expected_result = {e["file"]: e["result"] for e in json.loads((CORPUS / "expected.json").read_text())}[archive]
    assert info["result"] == expected_result

    # The folder holds the written files and nothing else.
    written = {path for _, outcome, path in info["entries"] if outcome == "Written"}
    on_disk = {p.relative_to(info["dir"]).as_posix() for p in all_files(info["dir"])}
    assert on_disk == written
    if info["result"] != "Extracted":
        return

    listing = unzip("-Z1", str(CORPUS / archive)).stdout.decode("utf-8", "surrogateescape").split("\n")[:-1]
    # The walk goes in the directory's order and may only stop early (no ZIP64, a broken record).
    assert [index for index, _, _ in info["entries"]] == list(range(min(len(info["entries"]), len(listing))))
    for index, outcome, path in info["entries"]:
        name = listing[index]
        assert (outcome == "Directory") == name.endswith("/"), (index, name, outcome)
        pattern = unzip_pattern(name)
        if outcome in DAMAGED:
            # unzip must find fault too: a failed test, or data that is not the declared size.
            declared = zipfile.ZipFile(CORPUS / archive).infolist()[index].file_size
            tested = unzip("-t", str(CORPUS / archive), pattern)
            produced = unzip("-p", str(CORPUS / archive), pattern)
            assert tested.returncode != 0 or len(produced.stdout) != declared, \
                f"unzip accepts entry {index} ({name!r}) that was refused as {outcome}"
        if outcome != "Written":
            continue
        # Names: as unzip lists them (with '/' for '\'); undecodable bytes may become any placeholder.
        name = name.replace("\\", "/")
        if "?" in path and path != name:
            assert re.fullmatch(".+".join(map(re.escape, path.split("?"))), name), (path, name)
        else:
            assert path == name
        # Content: byte for byte what unzip extracts. A name listed twice prints both entries,
        # the later one last, and the later one is the one that stays on disk.
        produced = unzip("-p", str(CORPUS / archive), pattern)
        content = (info["dir"] / path).read_bytes()
        if listing.count(listing[index]) > 1:
            assert produced.stdout.endswith(content), produced.stderr
        else:
            assert produced.stdout == content, produced.stderr
