"""Raw-socket client for the MOLDARI bridge and a driver for the headless-editor program.

Everything here talks to 127.0.0.1 only and every wait is bounded.
"""

import json
import os
import re
import signal
import socket
import struct
import subprocess
import threading
import time
from dataclasses import dataclass
from pathlib import Path

HOST = "127.0.0.1"
PORT = 5325
REPO_ROOT = Path(__file__).resolve().parents[2]
EDITOR_BIN = Path(os.environ.get("HEADLESS_EDITOR", REPO_ROOT / "build" / "bin" / "headless-editor"))


def as_editor_path(path: Path) -> str:
    """A path as the editor writes it in the log: relative to its binaries folder (the engine's
    own layout, Engine/Binaries/Linux of the build), as the engine gives project paths on Linux."""
    return os.path.relpath(path, EDITOR_BIN.resolve().parent)

LISTENING = "[MOLDARI] Listening on http://localhost:5325"
STOPPED = "[MOLDARI] Server stopped"
STARTED = "[MOLDARI] Server started"
LAUNCHED = "[MOLDARI] Server thread launched on port 5325"
BIND_FAILED = "[MOLDARI] Failed to bind to port 5325"
ALREADY_RUNNING = "[MOLDARI] Server already running"

REQUEST_DEADLINE = 5.0

# What the black-box, browser and automation tests share (the status document, the origins).
CASES = json.loads((REPO_ROOT / "Tests" / "bridge_cases.json").read_text())
# The engine's pretty JSON ends its lines with the platform's terminator: LF on Linux.
LINE_END = b"\n"
STATUS_BODY = LINE_END.join(line.encode() for line in CASES["statusDocumentLines"])
NOT_FOUND_BODY = b'{"error":"not found"}'
TOO_LARGE_BODY = b'{"error":"request too large"}'
HEADER_TOO_LARGE_BODY = b'{"error":"request header too large"}'
INVALID_JSON_BODY = b'{"error":"invalid JSON"}'
MISSING_URL_BODY = b'{"error":"missing field: url"}'


def cors_block(origin: str) -> bytes:
    return (
        f"Access-Control-Allow-Origin: {origin}\r\n"
        "Access-Control-Allow-Methods: GET, POST, OPTIONS\r\n"
        "Access-Control-Allow-Headers: Content-Type\r\n"
        "Access-Control-Allow-Private-Network: true\r\n"
        "Access-Control-Max-Age: 86400\r\n"
    ).encode()


def queued_body(name: str) -> bytes:
    """The pretty-printed queued reply of POST /import."""
    return LINE_END.join([b"{", b'\t"status": "queued",', b'\t"name": "' + name.encode() + b'"', b"}"])


def response_bytes(status_line: str, body: bytes = b"", origin: str | None = None) -> bytes:
    """The exact bytes the bridge sends: status line, type, length, CORS lines, blank line, body."""
    content_type = "application/json" if body else "text/plain"
    head = f"{status_line}\r\nContent-Type: {content_type}\r\nContent-Length: {len(body)}\r\n".encode()
    if origin is not None:
        head += cors_block(origin)
    return head + b"\r\n" + body


STATUS_200 = response_bytes("HTTP/1.1 200 OK", STATUS_BODY)


def import_request(body: bytes, content_length: int | str | None, origin: str | None = None) -> bytes:
    """The bytes of a POST /import; no Content-Length line when `content_length` is None."""
    head = "POST /import HTTP/1.1\r\nHost: localhost:5325\r\nContent-Type: application/json\r\n"
    if origin is not None:
        head += f"Origin: {origin}\r\n"
    if content_length is not None:
        head += f"Content-Length: {content_length}\r\n"
    return head.encode() + b"\r\n" + body


# --------------------------------------------------------------------------- raw exchange


@dataclass
class Reply:
    data: bytes
    elapsed: float  # seconds from connect until the server closed (or the read gave up)
    closed: bool  # the server closed the connection (EOF or reset) before the read timeout
    reset: bool = False
    first_byte: float | None = None  # seconds from connect until the first response byte

    @property
    def status_line(self) -> str:
        return self.data.split(b"\r\n", 1)[0].decode("latin-1")

    @property
    def status(self) -> int:
        m = re.match(r"HTTP/1\.1 (\d{3})", self.status_line)
        assert m, f"no status line in {self.data[:80]!r}"
        return int(m.group(1))

    @property
    def body(self) -> bytes:
        parts = self.data.split(b"\r\n\r\n", 1)
        return parts[1] if len(parts) == 2 else b""


def connect(timeout: float = 2.0) -> socket.socket:
    return socket.create_connection((HOST, PORT), timeout=timeout)


def reset_close(sock: socket.socket) -> None:
    """Close with an RST instead of a FIN (linger on, zero time)."""
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()


def read_until_close(sock: socket.socket, started: float, timeout: float) -> Reply:
    chunks, first, reset = [], None, False
    limit = started + timeout
    closed = False
    while True:
        remaining = limit - time.monotonic()
        if remaining <= 0:
            break
        sock.settimeout(min(remaining, 0.5))
        try:
            chunk = sock.recv(65536)
        except socket.timeout:
            continue
        except ConnectionResetError:
            closed, reset = True, True
            break
        if not chunk:
            closed = True
            break
        if first is None:
            first = time.monotonic() - started
        chunks.append(chunk)
    return Reply(b"".join(chunks), time.monotonic() - started, closed, reset, first)


def exchange(pieces, pause: float = 0.0, timeout: float = REQUEST_DEADLINE + 3.0) -> Reply:
    """Send the given bytes (one piece or a list of pieces with a pause between them) and read
    until the server closes the connection or `timeout` seconds after connecting."""
    if isinstance(pieces, (bytes, bytearray)):
        pieces = [pieces]
    sock = connect()
    started = time.monotonic()
    try:
        for i, piece in enumerate(pieces):
            if i and pause:
                time.sleep(pause)
            try:
                sock.sendall(piece)
            except (BrokenPipeError, ConnectionResetError):
                break  # the server already answered and closed; read what it sent
        return read_until_close(sock, started, timeout)
    finally:
        sock.close()


def get_status(origin: str | None = None) -> Reply:
    extra = f"Origin: {origin}\r\n" if origin is not None else ""
    return exchange(f"GET /status HTTP/1.1\r\nHost: localhost:5325\r\n{extra}\r\n".encode(), timeout=3.0)


def port_accepts(host: str = HOST, timeout: float = 0.5) -> bool:
    try:
        with socket.create_connection((host, PORT), timeout=timeout):
            return True
    except OSError:
        return False


def wait_port_free(timeout: float) -> bool:
    limit = time.monotonic() + timeout
    while time.monotonic() < limit:
        if not port_accepts():
            return True
        time.sleep(0.1)
    return False


# --------------------------------------------------------------------------- editor driver


LOG_LINE = re.compile(
    r"^\[\d{4}\.\d{2}\.\d{2}-\d{2}\.\d{2}\.\d{2}:\d{3}\]\[\s*\d+\]LogTemp: (?:(Error|Warning): )?(\[MOLDARI\] .*)$"
)


@dataclass
class LogEntry:
    at: float  # time.monotonic() when the line was read
    text: str


class Editor:
    """One headless-editor process on its own project folder, with its console on a pipe."""

    def __init__(self, project: Path, press: bool = True, plugin: Path = REPO_ROOT):
        self.project = Path(project)
        cmd = [str(EDITOR_BIN), "--project", str(self.project), "--plugin", str(plugin)]
        if press:
            cmd += ["--press", "MOLDARIToggle"]
        self.proc = subprocess.Popen(
            cmd,
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT,
            text=True,
            encoding="utf-8",
            errors="replace",
            bufsize=1,
        )
        self.lines: list[LogEntry] = []
        self._cond = threading.Condition()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self) -> None:
        for line in self.proc.stdout:
            with self._cond:
                self.lines.append(LogEntry(time.monotonic(), line.rstrip("\r\n")))
                self._cond.notify_all()
        with self._cond:
            self._cond.notify_all()

    def mark(self) -> int:
        with self._cond:
            return len(self.lines)

    def find(self, text: str, start: int = 0) -> list[LogEntry]:
        with self._cond:
            return [e for e in self.lines[start:] if text in e.text]

    def wait_for(self, text: str, start: int = 0, timeout: float = 10.0, count: int = 1) -> list[LogEntry]:
        """Wait until `count` lines containing `text` appeared at or after index `start`."""
        limit = time.monotonic() + timeout
        with self._cond:
            while True:
                found = [e for e in self.lines[start:] if text in e.text]
                if len(found) >= count:
                    return found
                remaining = limit - time.monotonic()
                if remaining <= 0 or (self.proc.poll() is not None and not self._reader.is_alive()):
                    raise AssertionError(
                        f"{text!r} x{count} not seen within {timeout}s; output so far:\n" + self.output(start)
                    )
                self._cond.wait(min(remaining, 0.2))

    def output(self, start: int = 0) -> str:
        with self._cond:
            return "\n".join(e.text for e in self.lines[start:])

    def command(self, text: str) -> tuple[int, float]:
        """Type a console command; returns (index of the next output line, time it was sent)."""
        start = self.mark()
        sent = time.monotonic()
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()
        return start, sent

    def press_toggle(self) -> tuple[int, float]:
        return self.command("press MOLDARIToggle")

    def toggle_checked(self, timeout: float = 5.0) -> bool:
        """Ask `menus` for the toggle's check state."""
        start, _ = self.command("menus")
        limit = time.monotonic() + timeout
        while time.monotonic() < limit:
            for entry in self.find("MOLDARIToggle", start):
                if entry.text.startswith("Pressed "):
                    continue  # the echo of an earlier press, not the menu listing
                state = parse_check_state(entry.text)
                if state is not None:
                    return state
            time.sleep(0.05)
        raise AssertionError("no check state for MOLDARIToggle in `menus` output:\n" + self.output(start))

    def settled_toggle_state(self, expected: bool, timeout: float = 2.0) -> bool:
        """The toggle's check state once it equals `expected`, or the last one seen at `timeout`
        (a start attempt shows checked until its set-up has failed on the server thread)."""
        limit = time.monotonic() + timeout
        state = self.toggle_checked()
        while state != expected and time.monotonic() < limit:
            time.sleep(0.05)
            state = self.toggle_checked()
        return state

    def log_file_lines(self) -> list[str]:
        logs = sorted((self.project / "Saved" / "Logs").glob("*.log"))
        assert logs, f"no log file under {self.project / 'Saved' / 'Logs'}"
        return logs[0].read_text(encoding="utf-8", errors="replace").splitlines()

    def terminate(self, sig: int = signal.SIGTERM, timeout: float = 10.0) -> int:
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        return self._exit_code(timeout, f"ignored signal {sig}")

    def quit(self, timeout: float = 10.0) -> int:
        self.command("quit")
        return self._exit_code(timeout, "did not quit")

    def _exit_code(self, timeout: float, failure: str) -> int:
        try:
            rc = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(5)
            raise AssertionError(f"headless-editor {failure} for {timeout}s")
        self._reader.join(5)
        return rc

    def kill(self) -> None:
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(5)
        if self.proc.stdin:
            try:
                self.proc.stdin.close()
            except OSError:
                pass


def start_editor(project: Path, press: bool = True, wait_listening: bool = True) -> Editor:
    editor = Editor(project, press=press)
    if wait_listening:
        try:
            editor.wait_for(LISTENING, timeout=30.0)
        except AssertionError:
            editor.kill()
            raise
    return editor


def stop_server(editor) -> float:
    """Press the toggle on a listening server; returns seconds from the press to the stop line."""
    start, sent = editor.press_toggle()
    lines = editor.wait_for(STOPPED, start, timeout=10, count=2)
    return lines[0].at - sent


def start_server(editor) -> None:
    start, _ = editor.press_toggle()
    editor.wait_for(LISTENING, start, timeout=10)


def parse_check_state(line: str) -> bool | None:
    """Read a toggle entry's check state from one line of `menus` output."""
    low = line.lower()
    if re.search(r"\bunchecked\b|\[ \]|\bchecked\s*[:=]\s*(false|no|0)\b", low):
        return False
    if re.search(r"\bchecked\b|\[x\]|\bchecked\s*[:=]\s*(true|yes|1)\b", low):
        return True
    return None


def vm_hwm_kib(pid: int) -> int:
    """Peak resident memory of a process, in KiB."""
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    raise AssertionError("VmHWM missing")
