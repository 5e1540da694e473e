"""One editor for the hostile-archive tests, a loopback server for the archives they build, and
watchers for the editor's memory, the project's disk use and the bridge's answers."""

import os
import shutil
import signal
import sys
import tempfile
import threading
import time
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "BlackBox"))
import import_client  # noqa: E402
from bridge_client import EDITOR_BIN, STATUS_200, exchange, queued_body, response_bytes, start_editor, wait_port_free  # noqa: E402
from import_client import import_json, served_directory  # noqa: E402

MIB = 1024 * 1024


@pytest.fixture(scope="session")
def tmp_root():
    root = Path(tempfile.mkdtemp(prefix="moldari-hostile-"))
    yield root
    shutil.rmtree(root, ignore_errors=True)


@pytest.fixture(scope="module")
def editor(tmp_root, request):
    if not EDITOR_BIN.is_file():
        pytest.fail(f"headless-editor not built: {EDITOR_BIN} (build it or set HEADLESS_EDITOR)")
    if not wait_port_free(10.0):
        pytest.fail("port 5325 is held by another process")
    ed = start_editor(tmp_root / f"Project_{request.module.__name__}")
    yield ed
    try:
        assert ed.terminate(signal.SIGINT) == 0, "headless-editor did not exit cleanly on SIGINT"
    finally:
        ed.kill()


@pytest.fixture
def bridge(editor):
    """The shared editor, alive before and after the test, still answering /status."""
    assert editor.proc.poll() is None, "headless-editor has exited:\n" + editor.output()[-3000:]
    yield editor
    assert editor.proc.poll() is None, "headless-editor died during the test:\n" + editor.output()[-3000:]
    assert exchange(b"GET /status HTTP/1.1\r\n\r\n", timeout=3).data == STATUS_200


class ArchiveServer:
    """A loopback file server over a folder of built archives."""

    def __init__(self, folder: Path, base: str):
        self.folder, self.base = folder, base

    def put(self, file_name: str, data: bytes) -> str:
        (self.folder / file_name).write_bytes(data)
        return f"{self.base}/{file_name}"


@pytest.fixture(scope="session")
def archive_server(tmp_root):
    folder = tmp_root / "served"
    folder.mkdir()
    with served_directory(folder) as base:
        yield ArchiveServer(folder, base)


def post_import(url: str, name: str) -> bytes:
    return import_client.post_import(import_json(url, name))


def queued(name: str) -> bytes:
    return response_bytes("HTTP/1.1 200 OK", queued_body(name))


# --------------------------------------------------------------------------- watchers


def reset_peak_memory(pid: int) -> None:
    """Resets VmHWM to the current resident size (clear_refs 5; root or the process's owner)."""
    Path(f"/proc/{pid}/clear_refs").write_text("5")


def memory_kib(pid: int) -> tuple[int, int]:
    fields = dict(line.split(":", 1) for line in Path(f"/proc/{pid}/status").read_text().splitlines() if ":" in line)
    return int(fields["VmRSS"].split()[0]), int(fields["VmHWM"].split()[0])


def disk_use(folder: Path) -> tuple[int, int]:
    """(bytes allocated, files) under a folder, racing writers and deleters tolerated."""
    total = files = 0
    for root, dirs, names in os.walk(folder):
        for name in names:
            try:
                total += os.lstat(os.path.join(root, name)).st_blocks * 512
                files += 1
            except OSError:
                pass
    return total, files


class Watch:
    """While an import runs: the project's peak disk use (sampled), the editor's peak memory
    (VmHWM after a reset) and the worst /status latency, with every /status answer checked."""

    def __init__(self, editor, status_every: float = 0.25, disk_every: float = 0.05):
        self.editor = editor
        self.project = editor.project
        self.disk_peak = 0
        self.files_peak = 0
        self.status_worst = 0.0
        self.status_count = 0
        self.status_failures: list[str] = []
        self._stop = threading.Event()
        self._threads = [
            threading.Thread(target=self._disk, args=(disk_every,), daemon=True),
            threading.Thread(target=self._status, args=(status_every,), daemon=True),
        ]

    def _disk(self, every: float) -> None:
        while not self._stop.is_set():
            began = time.monotonic()
            used, files = disk_use(self.project)
            self.disk_peak = max(self.disk_peak, used)
            self.files_peak = max(self.files_peak, files)
            # a walk of a large tree costs CPU the editor needs: rest at least as long as it took
            self._stop.wait(max(every, time.monotonic() - began))

    def _status(self, every: float) -> None:
        while True:
            reply = exchange(b"GET /status HTTP/1.1\r\n\r\n", timeout=6)
            self.status_count += 1
            self.status_worst = max(self.status_worst, reply.elapsed)
            if reply.data != STATUS_200:
                self.status_failures.append(f"{reply.data[:60]!r} after {reply.elapsed:.2f}s")
            if self._stop.wait(every):
                return

    def __enter__(self) -> "Watch":
        reset_peak_memory(self.editor.proc.pid)
        self.rss_before, _ = memory_kib(self.editor.proc.pid)
        self.disk_before, _ = disk_use(self.project)
        for thread in self._threads:
            thread.start()
        return self

    def __exit__(self, *exc) -> None:
        self._stop.set()
        for thread in self._threads:
            thread.join(10)
        if self.editor.proc.poll() is None:
            _, self.hwm = memory_kib(self.editor.proc.pid)
        else:
            self.hwm = -1

    @property
    def memory_growth_mib(self) -> float:
        return (self.hwm - self.rss_before) / 1024

    @property
    def disk_growth_mib(self) -> float:
        return (self.disk_peak - self.disk_before) / MIB

    def summary(self) -> str:
        return (
            f"peak memory +{self.memory_growth_mib:.0f} MiB, peak disk +{self.disk_growth_mib:.1f} MiB "
            f"({self.files_peak} files), /status {self.status_count}x, worst {self.status_worst * 1000:.0f} ms"
        )

    def assert_bounded(self, memory_mib: float, disk_mib: float) -> None:
        print(self.summary())
        assert self.hwm > 0, "the editor died"
        assert not self.status_failures, f"/status failed while the import ran: {self.status_failures[:3]}"
        assert self.status_count > 0, "/status was never asked while the import ran"
        assert self.status_worst < 2.0, f"/status took {self.status_worst:.2f}s while the import ran"
        assert self.memory_growth_mib < memory_mib, f"peak memory grew by {self.memory_growth_mib:.0f} MiB (bound {memory_mib})"
        assert self.disk_growth_mib < disk_mib, f"peak disk use grew by {self.disk_growth_mib:.1f} MiB (bound {disk_mib})"


def temp_folder(editor) -> Path:
    return editor.project / "Saved" / "Temp" / "MOLDARI"
