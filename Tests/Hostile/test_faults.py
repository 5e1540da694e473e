"""Faults around an import: a temporary folder that cannot be written, a full disk (folders of
the project made small disks by an LD_PRELOAD shim), a download server that dies mid-transfer,
and the editor shut down with a download in flight or an import scheduled.
Each must end in a log line, without a crash, and leave nothing half-written that looks good.

Every test starts its own editor (they stop it, or give it small disks)."""

import contextlib
import random
import signal
import socket
import subprocess
import threading
import time
from pathlib import Path

import pytest

from archives import RawZip, zipfile_archive
from bridge_client import HOST, LISTENING, STOPPED, REPO_ROOT, Editor, as_editor_path, reset_close, wait_port_free
from conftest import MIB, post_import, queued, response_bytes, temp_folder
from import_client import dribbling_server, temp_leftovers

CUBE_FBX = REPO_ROOT.parent / "shared" / "testdata" / "fbx" / "ufbx-blender_suzanne_multimaterial_7400_binary.fbx"


SHIM_SOURCE = Path(__file__).with_name("disk_faults.c")


@pytest.fixture(scope="session")
def disk_faults(tmp_root) -> Path:
    """The LD_PRELOAD shim that gives folders a disk's size and holds writes (disk_faults.c)."""
    lib = tmp_root / "libdisk_faults.so"
    subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", str(lib), str(SHIM_SOURCE), "-ldl"], check=True)
    return lib


@pytest.fixture
def make_editor(tmp_path, archive_server, disk_faults, monkeypatch):
    editors = []

    def make(full: dict[str, int] | None = None, hold: tuple[str, Path] | None = None) -> Editor:
        """An editor whose project folders in `full` are disks of that many bytes, and whose
        writes to a file named like hold[0] wait for the file hold[1]."""
        assert wait_port_free(10.0), "port 5325 is held"
        project = (tmp_path / f"FaultProject{len(editors)}").resolve()
        with monkeypatch.context() as env:
            if full or hold:
                env.setenv("LD_PRELOAD", str(disk_faults))
            if full:
                for relative in full:
                    (project / relative).mkdir(parents=True, exist_ok=True)
                env.setenv("DISK_FAULTS_FULL", ";".join(f"{project / relative}={size}" for relative, size in full.items()))
            if hold:
                env.setenv("DISK_FAULTS_HOLD", f"{hold[0]}={hold[1]}")
            ed = Editor(project)
        editors.append(ed)
        ed.wait_for(LISTENING, timeout=30)
        return ed

    yield make
    for ed in editors:
        if ed.proc.poll() is None:
            ed.terminate(signal.SIGINT)
        ed.kill()


@pytest.fixture(scope="module")
def cube() -> bytes:
    return CUBE_FBX.read_bytes()


def wait_until(condition, timeout: float, failure: str) -> None:
    limit = time.monotonic() + timeout
    while not condition():
        assert time.monotonic() < limit, failure
        time.sleep(0.02)


def no_partial_files(root: Path) -> list[str]:
    """Files a failed atomic write could leave: *.tmpNNN beside their target."""
    return [str(p) for p in root.rglob("*.tmp*") if p.is_file()]


# --------------------------------------------------------------------------- temporary folder


def block_temp_folder(ed) -> Path:
    """A file where the temporary folder should be: no archive can be stored."""
    blocker = temp_folder(ed)
    blocker.parent.mkdir(parents=True, exist_ok=True)
    blocker.write_bytes(b"not a folder")
    return blocker


def import_next(ed, archive_server, cube, start: int) -> None:
    """A good import after the fault, waited for to its end: whatever the faulty import had set
    going on the download, archive-worker or main thread has shown in the log by then."""
    url = archive_server.put("fault_next.zip", zipfile_archive({"model.fbx": cube}))
    assert post_import(url, "fault_next") == queued("fault_next")
    ed.wait_for("[MOLDARI] Done: fault_next", start, 60)


@pytest.mark.parametrize("file_name, entries, ran", [
    ("fault_blocked.zip", {"model.fbx": b"-"}, ["[MOLDARI] Done: fault_blocked", "[MOLDARI] Cannot read ZIP"]),
    ("fault_blocked.usdz", {"model.usda": b"#usda 1.0\n"}, ["[MOLDARI] Importing USDZ", "[MOLDARI] Done (USDZ)"]),
], ids=["zip", "usdz"])
def test_archive_that_cannot_be_stored_is_not_imported(make_editor, archive_server, cube, file_name, entries, ran):
    ed = make_editor()
    blocker = block_temp_folder(ed)
    url = archive_server.put(file_name, zipfile_archive(entries))
    start = ed.mark()
    assert post_import(url, "fault_blocked") == queued("fault_blocked")
    assert file_name in ed.wait_for("[MOLDARI] Cannot store archive: ", start, 30)[0].text
    assert blocker.read_bytes() == b"not a folder"
    blocker.unlink()
    import_next(ed, archive_server, cube, start)
    for text in ran:
        assert not ed.find(text, start), f"an import that stored nothing went on: {text}"


# --------------------------------------------------------------------------- full disk


def test_disk_full_for_the_archive(make_editor, archive_server, cube):
    ed = make_editor({"Saved/Temp": MIB})
    # 3 MiB that do not compress: larger than the whole temporary file system
    data = zipfile_archive({"model.fbx": cube, "noise.bin": random.Random(1).randbytes(3 * MIB)})
    url = archive_server.put("fault_full_archive.zip", data)
    start = ed.mark()
    assert post_import(url, "fault_full_archive") == queued("fault_full_archive")
    ed.wait_for("[MOLDARI] Cannot store archive: ", start, 30)
    assert temp_leftovers(ed) == [], "a partial archive or its folder was left behind"
    assert no_partial_files(ed.project / "Saved") == []
    import_next(ed, archive_server, cube, start)
    assert not ed.find("[MOLDARI] Cannot read ZIP", start) and not ed.find("[MOLDARI] Done: fault_full_archive", start)


def test_disk_full_while_extracting(make_editor, archive_server, cube):
    ed = make_editor({"Saved/Temp": 3 * MIB})
    # The archive fits (about 1.8 MiB), its extraction does not. 8 MiB of zeros fill the disk
    # part-way through their entry (written in pieces); the entry after them fits only if nothing
    # of the refused one stayed behind; then entries small enough to be written whole, of which
    # the disk takes some; the last 8 MiB are refused again.
    z = RawZip()
    z.entry(b"model.fbx", cube)
    z.zeros(b"large.bin", 8 * MIB)
    after = random.Random(3).randbytes(768 * 1024)
    z.entry(b"after.bin", after, 0)
    for index in range(4):
        z.entry(b"noise%d.bin" % index, random.Random(index).randbytes(256 * 1024), 0)
    z.zeros(b"last.bin", 8 * MIB)
    url = archive_server.put("fault_full_extract.zip", z.bytes())
    start = ed.mark()
    assert post_import(url, "fault_full_extract") == queued("fault_full_extract")
    ed.wait_for("[MOLDARI] Done: fault_full_extract", start, 60)
    # the disk is a byte budget, so which entries fit is exact
    refused = [line.text.rsplit("/", 1)[-1] for line in ed.find("[MOLDARI] Cannot write ZIP entry: ", start)]
    assert refused == ["large.bin", "noise1.bin", "noise2.bin", "noise3.bin", "last.bin"], ed.output(start)[-3000:]
    # the source copies are what the extraction folder held: whole entries only
    source = ed.project / "SourceArt/MOLDARIImports/fault_full_extract"
    assert sorted(p.name for p in source.rglob("*") if p.is_file()) == ["after.bin", "model.fbx", "noise0.bin"]
    assert (source / "after.bin").read_bytes() == after
    assert (source / "noise0.bin").read_bytes() == random.Random(0).randbytes(256 * 1024)
    assert temp_leftovers(ed) == []
    assert no_partial_files(ed.project / "Saved") == []


@pytest.mark.parametrize("content_size, saves_fail", [(None, False), (48 * 1024, True)], ids=["copy-fails", "saves-fail-too"])
def test_disk_full_for_the_project_content(make_editor, archive_server, cube, content_size, saves_fail):
    # the source copies' folder holds less than the noise; the content folder, when small, less
    # than the model's package
    ed = make_editor({"SourceArt": 200 * 1024, **({"Content": content_size} if content_size else {})})
    data = zipfile_archive({"model.fbx": cube, "noise.bin": random.Random(2).randbytes(300 * 1024)}, compression=0)
    url = archive_server.put("fault_full_content.zip", data)
    start = ed.mark()
    assert post_import(url, "fault_full_content") == queued("fault_full_content")
    ed.wait_for("[MOLDARI] Done: fault_full_content", start, 60)
    output = ed.output(start)
    assert "[MOLDARI] Failed to copy source file: noise.bin" in output, output[-3000:]
    content = ed.project / "Content"
    # nothing truncated: every package on disk loads back, every source copy is whole or absent
    assert no_partial_files(content) == []
    noise = ed.project / "SourceArt/MOLDARIImports/fault_full_content/noise.bin"
    assert not noise.exists() or noise.stat().st_size == 300 * 1024
    for package in content.rglob("*.uasset"):
        saved = f"[MOLDARI] Saved: {as_editor_path(package)}"
        assert saved in output, f"{package} is on disk without its saved line"
    # the model's package alone is about 76 KiB
    assert bool(ed.find("[MOLDARI] Failed to save: ", start)) == saves_fail, output[-3000:]


# --------------------------------------------------------------------------- dying download server


@contextlib.contextmanager
def dying_server(body: bytes, announced: bool, reset: bool):
    """Serves half of `body`, its length announced or not (close-delimited), then closes the
    connection (FIN) or resets it (RST); yields its URL."""
    listener = socket.create_server((HOST, 0))

    def serve():
        with contextlib.suppress(OSError):
            conn, _ = listener.accept()
            conn.recv(65536)
            length = b"Content-Length: %d\r\n" % len(body) if announced else b""
            conn.sendall(b"HTTP/1.0 200 OK\r\n" + length + b"\r\n" + body[: len(body) // 2])
            (reset_close if reset else socket.socket.close)(conn)

    threading.Thread(target=serve, daemon=True).start()
    try:
        yield f"http://{HOST}:{listener.getsockname()[1]}/archive.zip"
    finally:
        listener.close()


@pytest.mark.parametrize(
    "announced, reset, expected",
    [
        (True, False, "[MOLDARI] Download failed: fault_dying"),
        (True, True, "[MOLDARI] Download failed: fault_dying"),
        # close-delimited: the client cannot tell the body was cut, the ZIP reader can
        (False, False, "[MOLDARI] Invalid ZIP (no EOCD): "),
    ],
    ids=["length-fin", "length-rst", "close-delimited"],
)
def test_download_server_dies_mid_transfer(make_editor, archive_server, cube, announced, reset, expected):
    ed = make_editor()
    body = zipfile_archive({"model.fbx": cube, "noise.bin": random.Random(3).randbytes(2 * MIB)}, compression=0)
    with dying_server(body, announced, reset) as url:
        start = ed.mark()
        assert post_import(url, "fault_dying") == queued("fault_dying")
        ed.wait_for(expected, start, 30)
    assert temp_leftovers(ed) == []
    import_next(ed, archive_server, cube, start)
    assert len(ed.find("[MOLDARI] Importing FBX", start)) == 1, "the cut archive was imported"
    assert not (ed.project / "Content" / "MOLDARIImports" / "fault_dying").exists()


# --------------------------------------------------------------------------- shut-down


@pytest.mark.parametrize("how", ["quit", "sigterm"])
def test_shutdown_with_a_download_in_flight(make_editor, how):
    ed = make_editor()
    # the server sends the first bytes, then holds the connection open until the block ends
    with dribbling_server(MIB, b"PK\x03\x04" + bytes(64 * 1024)) as url:
        start = ed.mark()
        assert post_import(url, "fault_inflight") == queued("fault_inflight")
        stored = temp_folder(ed)
        wait_until(lambda: any(f.stat().st_size for f in stored.glob("Archive_*/fault_inflight.zip")), 10,
                   "no byte of the download reached the disk")
        began = time.monotonic()
        assert (ed.quit() if how == "quit" else ed.terminate(signal.SIGTERM)) == 0
        assert time.monotonic() - began < 5, "shut-down waited for the download"
    # cut off, not failed: its import never runs, and nothing of it stays
    assert ed.find("[MOLDARI] Import not run (editor shutting down): fault_inflight", start), ed.output(start)[-2000:]
    assert not ed.find("[MOLDARI] Download failed: fault_inflight", start)
    assert temp_leftovers(ed) == []


def test_shutdown_with_an_import_scheduled(make_editor, archive_server, cube, tmp_path):
    # the first import's extraction waits, in a write of its entry, until the test opens the gate
    gate = tmp_path / "gate"
    ed = make_editor(hold=("/held.bin", gate))
    busy_url = archive_server.put("fault_busy.zip", zipfile_archive({"model.fbx": cube, "held.bin": b"x" * 1000}))
    waiting_url = archive_server.put("fault_waiting.zip", zipfile_archive({"model.fbx": cube}))
    start = ed.mark()
    try:
        assert post_import(busy_url, "fault_busy") == queued("fault_busy")
        wait_until(lambda: Path(f"{gate}.held").exists(), 20, "the first extraction never began")
        # ... so the second is downloaded, stored and queued behind it
        assert post_import(waiting_url, "fault_waiting") == queued("fault_waiting")
        temp = temp_folder(ed)
        wait_until(lambda: list(temp.glob("Archive_*/fault_waiting.zip")), 20, "the second archive was not stored")
        ed.proc.send_signal(signal.SIGTERM)
        # the server stops before the archive worker: its queue is being dropped
        ed.wait_for(STOPPED, start, 10)
    finally:
        gate.touch()
    assert ed.proc.wait(30) == 0
    ed._reader.join(5)
    output = ed.output(start)
    # the extraction under way ends (its files are whole, then removed); neither import runs
    for name in ("fault_busy", "fault_waiting"):
        assert f"[MOLDARI] Import not run (editor shutting down): {name}" in output, output[-2000:]
        assert f"[MOLDARI] Done: {name}" not in output
    assert temp_leftovers(ed) == [], "an archive or an extraction folder was left behind"


@pytest.mark.parametrize("fault", ["blocked", "full"])
def test_local_archive_that_cannot_be_stored_gets_500(make_editor, archive_server, tmp_path, cube, fault):
    ed = make_editor({"Saved/Temp": MIB} if fault == "full" else None)
    blocker = block_temp_folder(ed) if fault == "blocked" else None
    archive = tmp_path / "local.zip"
    archive.write_bytes(zipfile_archive({"model.fbx": cube, "noise.bin": random.Random(5).randbytes(2 * MIB)}))
    start = ed.mark()
    reply = post_import(f"file://{archive}", "fault_local")
    assert reply == response_bytes("HTTP/1.1 500 Internal Server Error", b'{"error":"failed to store archive"}')
    ed.wait_for("[MOLDARI] Cannot store archive: ", start, 5)
    assert temp_leftovers(ed) == [], "a partial copy of the archive was left behind"
    if blocker:
        blocker.unlink()
    import_next(ed, archive_server, cube, start)
    assert not ed.find("[MOLDARI] Cannot read ZIP", start) and not ed.find("[MOLDARI] Done: fault_local", start)
