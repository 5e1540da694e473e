"""POST /import with file:// URLs (read and stored before the reply, imported on the main thread)
and what a finished import leaves: the actor in the level, the Source copy, the saved assets, no
temporary files. Also the USDZ road over HTTP."""

import json
import os
import shutil
import time
from pathlib import Path

import pytest

from bridge_client import LISTENING, REPO_ROOT, STOPPED, Editor, queued_body, response_bytes, vm_hwm_kib
from import_client import (
    ARCHIVES,
    FAILED_TO_READ_BODY,
    IMPORT_DEADLINE,
    NOT_AN_ARCHIVE_BODY,
    assert_zip_import_complete,
    TESTDATA,
    USDZ,
    import_json,
    post_import,
    served_directory,
    temp_leftovers,
)

pytestmark = pytest.mark.usefixtures("listening")

# The stand-in's USD importer reads text layers and a package's images; this package's images
# become two textures.
USDZ_ARCHIVE = USDZ / "RoughnessTest.usdz"
USDZ_ASSETS = ["roughness-spec.uasset", "roughness.uasset"]


def file_url(path: Path) -> str:
    return "file://" + str(path.resolve())


def test_local_zip_is_stored_before_the_reply_and_imported_whole(listening):
    """What ImportArchive makes is tested in the plugin's automation tests, archive by archive;
    here, once, what only the running editor shows: the file:// road, the files on disk and the
    level, and nothing left under Content/ that the editor's content monitoring (it offers to
    import any model or image that has been still there for 3 seconds) would pick up."""
    name = "local_spider"
    path = ARCHIVES / "spider_static_multimaterial_jpeg.zip"
    url = file_url(path).replace("file://", "FILE://")  # the scheme is matched without regard to case
    start = listening.mark()
    reply = post_import(import_json(url, name), timeout=30)
    assert reply == response_bytes("HTTP/1.1 200 OK", queued_body(name))
    listening.wait_for(f"[MOLDARI] /import received: name={name} url={url}", start, 5)
    assert_zip_import_complete(listening, name, path, start)
    # no download: the local road never logs a transfer's failure
    assert not listening.find("[MOLDARI] Download", start)
    time.sleep(3.6)  # the monitor's threshold, and one of its scans
    asked, _ = listening.command("content-changes")
    listening.wait_for("change(s) waiting", asked, 5)
    assert listening.find("0 change(s) waiting", asked), listening.output(start)
    assert not listening.find("source content file", start)


def test_usdz_local_and_over_http_is_imported_with_its_assets(listening):
    with served_directory(TESTDATA) as base:
        start = listening.mark()
        # the second import of the name takes a free folder
        for url in (file_url(USDZ_ARCHIVE), f"{base}/usdz/{USDZ_ARCHIVE.name}"):
            reply = post_import(import_json(url, "roughness"), timeout=30)
            assert reply == response_bytes("HTTP/1.1 200 OK", queued_body("roughness"))
        done = listening.wait_for("[MOLDARI] Done (USDZ): roughness", start, IMPORT_DEADLINE, count=2)
    folders = sorted(line.text.rsplit(": ", 1)[1] for line in done)
    assert folders == ["roughness", "roughness_1"]
    for folder in folders:
        saved = listening.project / "Content" / "MOLDARIImports" / folder
        assert sorted(p.name for p in saved.rglob("*.uasset")) == USDZ_ASSETS, folder
    assert temp_leftovers(listening) == []


@pytest.fixture
def hostile_paths(tmp_path):
    """Local paths that are not archives: a folder, a named pipe nobody writes to, a device,
    a missing file, a text file, a file too short for the signature."""
    pipe = tmp_path / "pipe.zip"
    os.mkfifo(pipe)
    text = TESTDATA / "archives" / "SOURCES.md"
    short = tmp_path / "short.zip"
    short.write_bytes(b"PK\x03")
    return {"folder": tmp_path, "pipe": pipe, "device": Path("/dev/zero"), "missing": tmp_path / "missing.zip",
            "text": text, "short": short}


@pytest.mark.parametrize(
    "which, expected",
    [
        ("missing", FAILED_TO_READ_BODY),
        ("folder", FAILED_TO_READ_BODY),
        ("pipe", FAILED_TO_READ_BODY),
        ("device", FAILED_TO_READ_BODY),
        ("text", NOT_AN_ARCHIVE_BODY),
        ("short", NOT_AN_ARCHIVE_BODY),
    ],
)
def test_local_failures_get_500_at_once_and_nothing_is_stored(listening, hostile_paths, which, expected):
    # a pipe or a device has no size to read first: it is never opened, so the listener
    # neither waits for a writer nor reads without end
    name = f"local_{which}"
    start = listening.mark()
    began = time.monotonic()
    reply = post_import(import_json(file_url(hostile_paths[which]), name), timeout=8)
    elapsed = time.monotonic() - began
    assert reply == response_bytes("HTTP/1.1 500 Internal Server Error", expected)
    assert elapsed < 2.0, f"the reply took {elapsed:.1f}s"
    # the request is logged (it passed the checks), the import never starts
    listening.wait_for(f"[MOLDARI] /import received: name={name} ", start, 5)
    time.sleep(0.3)
    assert not listening.find("[MOLDARI] Importing", start)
    assert temp_leftovers(listening, settle=0) == []
    assert not (listening.project / "Content" / "MOLDARIImports" / name).exists()


def test_device_path_does_not_grow_the_editor(listening):
    before = vm_hwm_kib(listening.proc.pid)
    for _ in range(3):
        post_import(import_json("file:///dev/zero", "local_zero"), timeout=8)
        post_import(import_json("file:///dev/urandom", "local_random"), timeout=8)
    assert vm_hwm_kib(listening.proc.pid) - before < 64 * 1024


def test_local_file_over_the_download_limit_is_refused_unread(listening, tmp_path):
    big = tmp_path / "big.zip"
    with open(big, "wb") as f:
        f.write(b"PK\x03\x04")
        f.truncate(524288001)  # sparse: costs no disk
    before = vm_hwm_kib(listening.proc.pid)
    start = listening.mark()
    began = time.monotonic()
    reply = post_import(import_json(file_url(big), "local_big"), timeout=8)
    assert reply == response_bytes("HTTP/1.1 500 Internal Server Error", FAILED_TO_READ_BODY)
    assert time.monotonic() - began < 2.0
    listening.wait_for("[MOLDARI] Local file too large (524288001 bytes, limit 524288000)", start, 5)
    assert vm_hwm_kib(listening.proc.pid) - before < 64 * 1024
    assert temp_leftovers(listening, settle=0) == []


def test_usdz_needs_the_usd_importer_plugin(listening, tmp_root):
    """The editor imports USD files only while its USD Importer plugin is enabled (off by default;
    the plugin's descriptor asks for it). With a descriptor that does not, a USDZ import says why
    it cannot run instead of reporting it done."""
    plugin = tmp_root / "PluginWithoutUsd"
    shutil.copytree(REPO_ROOT / "Resources", plugin / "Resources", dirs_exist_ok=True)
    descriptor = json.loads((REPO_ROOT / "MOLDARIPlugin.uplugin").read_text())
    descriptor.pop("Plugins")
    (plugin / "MOLDARIPlugin.uplugin").write_text(json.dumps(descriptor))
    start, _ = listening.press_toggle()
    listening.wait_for(STOPPED, start, timeout=10, count=2)
    second = Editor(tmp_root / "NoUsdProject", plugin=plugin)
    try:
        second.wait_for(LISTENING, timeout=30)
        assert second.find("Plugin USDImporter: disabled")
        start = second.mark()
        reply = post_import(import_json(file_url(USDZ_ARCHIVE), "no_usd"), timeout=30)
        assert reply == response_bytes("HTTP/1.1 200 OK", queued_body("no_usd"))
        second.wait_for("[MOLDARI] Cannot import USDZ: the USD Importer plugin is not enabled (no_usd)", start, IMPORT_DEADLINE)
        assert not second.find("[MOLDARI] Done (USDZ)", start)
        assert temp_leftovers(second) == []
    finally:
        second.terminate()
        second.kill()
        start, _ = listening.press_toggle()
        listening.wait_for(LISTENING, start, timeout=10)
