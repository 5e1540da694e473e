"""Helpers of the import tests: POST /import, a loopback file server, and what an import leaves
in the editor (the level's actors, the imported folder, the temporary folders)."""

import contextlib
import json
import re
import socket
import subprocess
import sys
import threading
import time
import zipfile
from pathlib import Path

from bridge_client import HOST, REPO_ROOT, Reply, exchange, import_request

TESTDATA = REPO_ROOT.parent / "shared" / "testdata"
ARCHIVES = TESTDATA / "archives"
USDZ = TESTDATA / "usdz"
IMPORT_DEADLINE = 90.0  # seconds for download and import of a small archive

FAILED_TO_READ_BODY = b'{"error":"failed to read local file"}'
NOT_AN_ARCHIVE_BODY = b'{"error":"not a valid archive"}'


def post_import(body: bytes, origin: str | None = None, timeout: float = 4) -> bytes:
    return exchange(import_request(body, len(body), origin), timeout=timeout).data


def import_json(url: str, name: str) -> bytes:
    return b'{"url":"%s","name":"%s"}' % (url.encode(), name.encode())


def free_port() -> int:
    """A loopback port nothing listens on (bound, then released)."""
    with socket.socket() as sock:
        sock.bind((HOST, 0))
        return sock.getsockname()[1]


@contextlib.contextmanager
def served_directory(directory: Path):
    """python3 -m http.server on an ephemeral loopback port for the block; yields the base URL."""
    proc = subprocess.Popen(
        [sys.executable, "-u", "-m", "http.server", "0", "--bind", HOST, "--directory", str(directory)],
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        text=True,
    )
    try:
        line = proc.stdout.readline()
        m = re.search(r"port (\d+)", line)
        if not m:
            raise AssertionError(f"http.server did not report its port: {line!r}")
        yield f"http://{HOST}:{m.group(1)}"
    finally:
        proc.kill()
        proc.wait(5)


@contextlib.contextmanager
def dribbling_server(announced: int, sent: bytes):
    """An HTTP server that announces `announced` bytes, sends `sent` and then holds the
    connection open until the block ends; yields its URL."""
    listener = socket.create_server((HOST, 0))
    listener.settimeout(0.2)
    stop = threading.Event()
    connections: list[socket.socket] = []

    def serve():
        while not stop.is_set():
            try:
                conn, _ = listener.accept()
            except OSError:
                continue
            connections.append(conn)
            conn.recv(65536)
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % announced + sent)

    thread = threading.Thread(target=serve, daemon=True)
    thread.start()
    try:
        yield f"http://{HOST}:{listener.getsockname()[1]}/slow.zip"
    finally:
        stop.set()
        thread.join(5)
        for conn in connections:
            conn.close()
        listener.close()


def temp_leftovers(editor, settle: float = 5.0) -> list[Path]:
    """Everything left under Saved/Temp/MOLDARI (archives and extraction folders)."""
    temp = editor.project / "Saved" / "Temp" / "MOLDARI"
    limit = time.monotonic() + settle
    while True:
        try:
            left = sorted(temp.iterdir()) if temp.is_dir() else []
        except FileNotFoundError:   # it went while it was listed
            left = []
        if not left or time.monotonic() >= limit:
            return left
        time.sleep(0.05)


ACTOR_LINE = re.compile(r"^(?P<label>\S+)  (?P<cls>\S+)  mesh=(?P<mesh>\S+)  location=\((?P<loc>[^)]*)\).*  (?P<sel>selected|-)$")


def actor_rows(editor, timeout: float = 10.0) -> list[re.Match]:
    """The rows of the `actors` console listing, in order (labels may repeat)."""
    start, _ = editor.command("actors")
    editor.wait_for(" actor(s) in ", start, timeout)
    rows = []
    for entry in editor.lines[start:]:
        m = ACTOR_LINE.match(entry.text)
        if m:
            rows.append(m)
        elif " actor(s) in " in entry.text:
            break
    return rows


def zip_file_listing(archive: Path) -> set[str]:
    """The files (not folders) a ZIP archive holds, by their path inside it."""
    with zipfile.ZipFile(archive) as zf:
        return {info.filename for info in zf.infolist() if not info.is_dir()}


def tree_listing(folder: Path) -> set[str]:
    return {p.relative_to(folder).as_posix() for p in folder.rglob("*") if p.is_file()}


# Files the editor's content monitoring would offer to import if they appeared under Content/.
IMPORTABLE_SUFFIXES = {".fbx", ".obj", ".png", ".jpg", ".jpeg", ".tga", ".bmp", ".exr", ".hdr", ".usd", ".usda", ".usdc", ".usdz"}


def source_copies(editor, name: str) -> Path:
    """Where an import keeps the archive's files: outside Content/, which the editor watches."""
    return editor.project / "SourceArt" / "MOLDARIImports" / name


def placed_actors(editor, name: str) -> list[dict]:
    """The actors an import of `name` placed: labelled name, name_1, name_2, ... (one per mesh)."""
    actors = {m["label"]: {"class": m["cls"], "mesh": m["mesh"], "location": m["loc"], "selected": m["sel"] == "selected"}
              for m in actor_rows(editor)}
    labels = [name] + [f"{name}_{index}" for index in range(1, len(actors) + 1)]
    return [actors[label] for label in labels if label in actors]


def assert_zip_import_complete(editor, name: str, archive: Path, start: int) -> None:
    """After the done line: the saved assets and nothing importable beside them, a copy of every
    file in the archive, an actor per mesh at the origin, selected, showing its own imported mesh,
    and no temporary file left."""
    editor.wait_for(f"[MOLDARI] Done: {name}", start, IMPORT_DEADLINE)
    folder = editor.project / "Content" / "MOLDARIImports" / name
    assert sorted(folder.glob("*.uasset")), f"no asset saved in {folder}"
    assert [p for p in folder.rglob("*") if p.suffix.lower() in IMPORTABLE_SUFFIXES] == []
    assert tree_listing(source_copies(editor, name)) == zip_file_listing(archive)
    actors = placed_actors(editor, name)
    assert actors, f"no actor labelled {name} in the level"
    for actor in actors:
        assert actor["class"] in ("StaticMeshActor", "SkeletalMeshActor"), actor
        assert actor["mesh"].startswith(f"/Game/MOLDARIImports/{name}/"), actor
        assert actor["location"] == "0, 0, 0" and actor["selected"], actor
    assert len({actor["mesh"] for actor in actors}) == len(actors), "a mesh placed twice"
    assert temp_leftovers(editor) == [], "temporary files were left behind"


ENDED_STATES = ("done", "failed", "not run")


def get_imports(path: str = "/imports", host: str | None = "localhost:5325", origin: str | None = None) -> Reply:
    head = f"GET {path} HTTP/1.1\r\n"
    if host is not None:
        head += f"Host: {host}\r\n"
    if origin is not None:
        head += f"Origin: {origin}\r\n"
    return exchange((head + "\r\n").encode(), timeout=3.0)


def all_jobs() -> list[dict]:
    """The import jobs, newest first."""
    reply = get_imports()
    assert reply.status == 200, reply.data
    return json.loads(reply.body)["jobs"]


def newest_job(name: str) -> dict | None:
    """The job the page follows after a queued reply for `name`."""
    return next((job for job in all_jobs() if job["name"] == name), None)


def follow_job(name: str, timeout: float = IMPORT_DEADLINE) -> tuple[dict, list[str]]:
    """Polls the newest job of `name` until it ends; the job and the states seen on the way."""
    seen: list[str] = []
    limit = time.monotonic() + timeout
    while time.monotonic() < limit:
        job = newest_job(name)
        if job is not None:
            if not seen or seen[-1] != job["state"]:
                seen.append(job["state"])
            if job["state"] in ENDED_STATES:
                return job, seen
        time.sleep(0.02)
    raise AssertionError(f"job {name} did not end in {timeout} s; states seen {seen}")
