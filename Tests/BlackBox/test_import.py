"""POST /import's download from loopback servers started here, and the download's limits. A
download imported whole is test_import_jobs.py's; the endpoint's replies are the automation
tests' (MOLDARI.Import.Endpoint)."""

import time

import pytest

from bridge_client import (
    HOST,
    queued_body,
    response_bytes,
    vm_hwm_kib,
)
from import_client import (
    dribbling_server,
    follow_job,
    free_port,
    import_json,
    post_import,
    temp_leftovers,
)

pytestmark = pytest.mark.usefixtures("listening")


def test_the_first_bytes_decide_while_the_rest_is_still_coming(listening):
    # a page that would take a long time to arrive is refused at its first bytes, not its last
    start = listening.mark()
    with dribbling_server(50_000_000, b"<!doctype html>" + bytes(1000)) as url:
        assert post_import(import_json(url, "e2e_page")) == response_bytes("HTTP/1.1 200 OK", queued_body("e2e_page"))
        listening.wait_for("[MOLDARI] Downloaded file is not a valid archive", start, 5)
        job, _ = follow_job("e2e_page", 5)
    assert (job["state"], job["reason"]) == ("failed", "Downloaded file is not a valid archive")
    assert temp_leftovers(listening) == [], "the refused body was written somewhere"


def test_unreachable_port_logs_failure_by_name_without_url(listening):
    port = free_port()
    start = listening.mark()
    reply = post_import(import_json(f"http://{HOST}:{port}/secret_path.zip", "e2e_unreachable"))
    assert reply == response_bytes("HTTP/1.1 200 OK", queued_body("e2e_unreachable"))
    lines = listening.wait_for("[MOLDARI] Download failed: e2e_unreachable", start, 40)
    assert lines[0].text.endswith("[MOLDARI] Download failed: e2e_unreachable")
    assert "secret_path" not in listening.output(start).split("/import received", 1)[1].split("\n", 1)[1]
    job, _ = follow_job("e2e_unreachable", 10)
    assert (job["state"], job["reason"]) == ("failed", "Download failed")


LIMIT = 524288000
MIB = 1024 * 1024
TOO_LARGE = f"Download too large ({LIMIT + 1} bytes, limit {LIMIT})"


@pytest.fixture(scope="module")
def big_body_server():
    """A loopback server of generated archive-like bodies: /silent/N announces N bytes and sends
    none, /announced/N sends N bytes with a Content-Length, /unannounced/N without one (ended by
    closing). `ended` gets (kind, seconds the connection lasted) per transfer."""
    import http.server
    import queue
    import threading

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def log_message(self, *args):
            pass

        def do_GET(self):
            began = time.monotonic()
            kind, size = self.path.split("/")[1], int(self.path.split("/")[2])
            self.send_response(200)
            if kind != "unannounced":
                self.send_header("Content-Length", str(size))
            self.end_headers()
            try:
                if kind == "silent":
                    self.wfile.flush()
                    self.connection.settimeout(30)
                    self.connection.recv(1)  # until the client lets go
                    size = 0
                chunk, sent = b"PK\x03\x04" + b"\0" * (MIB - 4), 0
                while sent < size:
                    sent += self.wfile.write(chunk[: min(MIB, size - sent)])
                    chunk = b"\0" * MIB
            except OSError:
                pass
            self.server.ended.put((kind, time.monotonic() - began))

    server = http.server.ThreadingHTTPServer((HOST, 0), Handler)
    server.ended = queue.Queue()
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield server
    finally:
        server.shutdown()
        server.server_close()


def download_job(server, path: str, name: str) -> dict:
    url = f"http://{HOST}:{server.server_port}/{path}/x.zip"
    assert post_import(import_json(url, name)) == response_bytes("HTTP/1.1 200 OK", queued_body(name))
    return follow_job(name, 120)[0]


def test_announced_length_over_the_limit_ends_the_transfer_at_its_header(listening, big_body_server):
    """No body byte comes, so only the header can tell: the transfer ends at once, not at a time-out."""
    start = listening.mark()
    job = download_job(big_body_server, f"silent/{LIMIT + 1}", "e2e_big_silent")
    assert (job["state"], job["reason"]) == ("failed", TOO_LARGE)
    kind, lasted = big_body_server.ended.get(timeout=10)
    assert kind == "silent" and lasted < 3.0, f"the connection stayed open {lasted:.1f} s"
    time.sleep(0.5)
    lines = [entry.text for entry in listening.find("[MOLDARI] Download", start)]
    assert len(lines) == 1 and lines[0].endswith("[MOLDARI] " + TOO_LARGE), lines


@pytest.mark.parametrize("path, refused", [(f"announced/{LIMIT}", False), (f"unannounced/{LIMIT + 1}", True)])
def test_download_limit_is_inclusive(listening, big_body_server, path, refused):
    """Exactly the limit is taken whole (announced, so the header and the stream both judge it);
    one byte more is refused as that byte arrives."""
    name = "e2e_big_" + path.split("/")[0]
    start = listening.mark()
    job = download_job(big_body_server, path, name)
    if refused:
        assert (job["state"], job["reason"]) == ("failed", TOO_LARGE)
    else:
        assert job["bytesReceived"] == LIMIT and "too large" not in job["reason"], job
    assert len(listening.find("[MOLDARI] Download", start)) == refused, listening.output(start)
    # the body is written as it comes, never held
    assert vm_hwm_kib(listening.proc.pid) < 256 * 1024
    assert temp_leftovers(listening) == []
