"""Shared pieces of the benchmarks: the editor as a process with its bridge on, nginx as the named
peer on loopback, the C probe, percentiles and the machine's description.

Everything that listens expects to run in a private network namespace (`make bench` starts the
run under `unshare -n`), so port 5325 and the peer's ports are this run's alone.
"""

import datetime
import os
import re
import shutil
import signal
import statistics
import subprocess
import tempfile
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
TESTDATA = Path(os.environ.get("MOLDARI_TESTDATA", REPO.parent / "shared" / "testdata"))
BRIDGE_PORT = 5325
STATUS_BODY = b'{\n\t"dcc": "unreal",\n\t"version": "5.5",\n\t"status": "running"\n}'
NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
LOG_STAMP = re.compile(r"^\[(\d{4})\.(\d\d)\.(\d\d)-(\d\d)\.(\d\d)\.(\d\d):(\d{3})\]\[\s*\d+\]\w+: (?:\w+: )?(.*)$")


def editor_binary():
    return Path(os.environ.get("HEADLESS_EDITOR", REPO / "build" / "bin" / "headless-editor"))


def in_private_netns():
    """True when this process's network namespace has no interface but loopback, as one made by
    `unshare -n` has (the machine's own has at least one more)."""
    try:
        lines = Path("/proc/self/net/dev").read_text().splitlines()[2:]
    except OSError:
        return False
    return [line.split(":", 1)[0].strip() for line in lines] == ["lo"]


def percentile(sorted_values, fraction):
    """Nearest-rank percentile of an already sorted list."""
    if not sorted_values:
        return float("nan")
    rank = max(1, int(-(-fraction * len(sorted_values) // 1)))
    return sorted_values[min(rank, len(sorted_values)) - 1]


def median(values):
    return statistics.median(values) if values else float("nan")


def compile_c(source, output, *flags):
    subprocess.run(["cc", "-O2", "-std=c11", "-Wall", str(source), "-o", str(output), *flags], check=True)
    return output


def vm_hwm_kib(pid):
    """Peak resident set size of a process so far, from /proc (kibibytes)."""
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    return 0


def vm_rss_kib(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def reset_peak(pid):
    """Sets the peak (VmHWM) back to the current RSS, so a later peak is the peak of what followed."""
    try:
        Path(f"/proc/{pid}/clear_refs").write_text("5")
        return True
    except OSError:
        return False


def log_epoch(match):
    """Seconds since the epoch of a log line's stamp (the editor writes local time)."""
    y, mo, d, h, mi, s, ms = (int(match.group(i)) for i in range(1, 8))
    return datetime.datetime(y, mo, d, h, mi, s, ms * 1000).timestamp()


class Editor:
    """headless-editor on a fresh project with the bridge switched on; its output is collected
    line by line with the stamp it carries."""

    def __init__(self, project, press=True, extra_env=None, binary=None):
        self.project = Path(project)
        shutil.rmtree(self.project, ignore_errors=True)
        cmd = [str(binary or editor_binary()), "--project", str(self.project), "--plugin", str(REPO)]
        if press:
            cmd += ["--press", "MOLDARIToggle"]
        env = dict(os.environ, **(extra_env or {}))
        self.proc = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     text=True, encoding="utf-8", errors="replace", bufsize=1, env=env)
        self.lines = []   # (epoch seconds from the stamp or None, text after the category)
        self.arrivals = []   # epoch seconds each line was read here
        self.cond = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()
        if press:
            self.wait_for("[MOLDARI] Listening on http://localhost:5325", timeout=30)

    def _read(self):
        for line in self.proc.stdout:
            match = LOG_STAMP.match(line.rstrip("\r\n"))
            entry = (log_epoch(match), match.group(8)) if match else (None, line.rstrip("\r\n"))
            with self.cond:
                self.lines.append(entry)
                self.arrivals.append(time.time())
                self.cond.notify_all()
        with self.cond:
            self.cond.notify_all()

    def mark(self):
        with self.cond:
            return len(self.lines)

    def find(self, prefix, start=0):
        with self.cond:
            return [e for e in self.lines[start:] if e[1].startswith(prefix)]

    def wait_for(self, prefix, start=0, count=1, timeout=60.0):
        limit = time.monotonic() + timeout
        with self.cond:
            while True:
                found = [e for e in self.lines[start:] if e[1].startswith(prefix)]
                if len(found) >= count:
                    return found
                if time.monotonic() > limit or self.proc.poll() is not None:
                    tail = "\n".join(t for _, t in self.lines[-30:])
                    raise RuntimeError(f"{prefix!r} x{count} not seen in {timeout}s; last lines:\n{tail}")
                self.cond.wait(0.2)

    def command(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGINT)
            try:
                self.proc.wait(30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Nginx:
    """Debian's nginx, one worker, on loopback: /status answers the bridge's 61-byte document
    with Connection: close; everything else is served from `root` (archives for the downloads)."""

    def __init__(self, port, root=None, access_log=False):
        self.port = port
        self.dir = Path(tempfile.mkdtemp(prefix="moldari-nginx-"))
        (self.dir / "status.json").write_bytes(STATUS_BODY)
        root = Path(root) if root else self.dir
        log = f'access_log {self.dir}/access.log timed;' if access_log else "access_log off;"
        (self.dir / "nginx.conf").write_text(f"""
daemon off;
master_process off;
worker_processes 1;
pid {self.dir}/nginx.pid;
error_log {self.dir}/error.log error;
events {{ worker_connections 1024; }}
http {{
    log_format timed '$msec $request_time $status $body_bytes_sent $request_uri';
    {log}
    keepalive_timeout 0;
    sendfile on;
    tcp_nodelay on;
    client_body_temp_path {self.dir}/body;
    proxy_temp_path {self.dir}/proxy;
    fastcgi_temp_path {self.dir}/fastcgi;
    uwsgi_temp_path {self.dir}/uwsgi;
    scgi_temp_path {self.dir}/scgi;
    server {{
        listen 127.0.0.1:{port};
        root {root};
        location = /status {{
            default_type application/json;
            alias {self.dir}/status.json;
        }}
    }}
}}
""")
        self.proc = subprocess.Popen([NGINX, "-c", str(self.dir / "nginx.conf"), "-p", str(self.dir)],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        limit = time.monotonic() + 10
        import socket
        while True:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
                break
            except OSError:
                if time.monotonic() > limit or self.proc.poll() is not None:
                    raise RuntimeError("nginx did not start: " + (self.proc.stderr.read().decode() if self.proc.poll() is not None else ""))
                time.sleep(0.05)

    def access_log(self):
        """(completion epoch seconds, request seconds, status, bytes, uri) per served request."""
        path = self.dir / "access.log"
        rows = []
        if path.exists():
            for line in path.read_text().splitlines():
                msec, request_time, status, sent, uri = line.split(" ", 4)
                rows.append((float(msec), float(request_time), int(status), int(sent), uri))
        return rows

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


def machine_description():
    cpu = "unknown"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            cpu = line.split(":", 1)[1].strip()
            break
    mem_kib = 0
    for line in Path("/proc/meminfo").read_text().splitlines():
        if line.startswith("MemTotal:"):
            mem_kib = int(line.split()[1])
    try:
        commit = subprocess.run(["git", "-C", str(REPO), "rev-parse", "--short", "HEAD"], capture_output=True, text=True).stdout.strip()
        dirty = subprocess.run(["git", "-C", str(REPO), "status", "--porcelain", "--untracked-files=no"], capture_output=True, text=True).stdout.strip()
    except OSError:
        commit, dirty = "unknown", ""
    return {
        "cpu": cpu,
        "cores": os.cpu_count(),
        "ram_gib": mem_kib / 1024 / 1024,
        "kernel": os.uname().release,
        "commit": commit + (f" (the shared working tree held uncommitted changes to {len(dirty.splitlines())} tracked file(s))" if dirty else ""),
        "loadavg": Path("/proc/loadavg").read_text().split()[:3],
    }
