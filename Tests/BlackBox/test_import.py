"""POST /import end to end: a local archive server started here, the editor's download, the
import on its main thread, and the replies of the endpoint, origin check included."""

import re
import time

import pytest

from bridge_client import (
    HOST,
    INVALID_JSON_BODY,
    MISSING_URL_BODY,
    ORIGIN_NOT_ALLOWED_BODY,
    SCHEME_BODY,
    queued_body,
    response_bytes,
)
from import_client import (
    ARCHIVES,
    archive_folders,
    assert_zip_import_complete,
    dribbling_server,
    follow_job,
    free_port,
    import_json,
    post_import,
    served_directory,
)

pytestmark = pytest.mark.usefixtures("listening")

@pytest.fixture(scope="module")
def archive_server():
    """python3 -m http.server on an ephemeral loopback port, serving the test archives in place."""
    if not (ARCHIVES / "embedded_cube_stored.zip").is_file():
        pytest.fail(f"test archives missing: {ARCHIVES}")
    with served_directory(ARCHIVES) as base:
        yield base


def test_zip_archive_is_downloaded_and_imported(listening, archive_server):
    name = "e2e_cube"
    start = listening.mark()
    reply = post_import(import_json(f"{archive_server}/embedded_cube_stored.zip", name))
    assert reply == response_bytes("HTTP/1.1 200 OK", queued_body(name))
    listening.wait_for(f"[MOLDARI] /import received: name={name} url={archive_server}/embedded_cube_stored.zip", start, 5)
    assert_zip_import_complete(listening, name, ARCHIVES / "embedded_cube_stored.zip", start)


def test_queued_reply_for_chair_is_exact_bytes(listening):
    reply = post_import(import_json(f"http://{HOST}:{free_port()}/chair.zip", "chair"))
    body = b'{\n\t"status": "queued",\n\t"name": "chair"\n}'
    assert reply == b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 41\r\n\r\n" + body


def test_the_first_bytes_decide_while_the_rest_is_still_coming(listening):
    # a page that would take a long time to arrive is refused at its first bytes, not its last
    start = listening.mark()
    with dribbling_server(50_000_000, b"<!doctype html>" + bytes(1000)) as url:
        assert post_import(import_json(url, "e2e_page")) == response_bytes("HTTP/1.1 200 OK", queued_body("e2e_page"))
        listening.wait_for("[MOLDARI] Downloaded file is not a valid archive", start, 5)
        job, _ = follow_job("e2e_page", 5)
    assert (job["state"], job["reason"]) == ("failed", "Downloaded file is not a valid archive")
    assert archive_folders(listening) == [], "the refused body was written somewhere"


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


def test_foreign_origin_with_text_plain_gets_403_and_nothing_happens(listening, archive_server):
    start = listening.mark()
    body = import_json(f"{archive_server}/embedded_cube_stored.zip", "e2e_csrf")
    reply = post_import(body, origin="https://evil.example", content_type="text/plain")
    assert reply == response_bytes("HTTP/1.1 403", ORIGIN_NOT_ALLOWED_BODY)
    # nothing is logged and no download starts: the next request's log line is the first one
    time.sleep(1.0)
    assert not listening.find("[MOLDARI]", start), listening.output(start)


def test_allowed_origin_with_text_plain_is_queued(listening):
    origin = "http://localhost:5173"
    reply = post_import(import_json(f"http://{HOST}:{free_port()}/a.zip", "e2e_allowed"), origin=origin, content_type="text/plain")
    assert reply == response_bytes("HTTP/1.1 200 OK", queued_body("e2e_allowed"), origin)


@pytest.mark.parametrize(
    "body, expected",
    [
        (b"", INVALID_JSON_BODY),
        (b"[1,2]", INVALID_JSON_BODY),
        (b"plain words", INVALID_JSON_BODY),
        (b"{}", MISSING_URL_BODY),
        (b'{"url":["http://x/a.zip"]}', MISSING_URL_BODY),
        (b'{"url":{"a":1}}', MISSING_URL_BODY),
        (b'{"url":"ftp://x/a.zip","name":"chair"}', SCHEME_BODY),
        (b'{"url":""}', SCHEME_BODY),
    ],
    ids=["empty", "array", "words", "empty-object", "url-array", "url-object", "ftp", "empty-url"],
)
def test_refused_requests_get_400_and_no_log_line(listening, body, expected):
    start = listening.mark()
    assert post_import(body) == response_bytes("HTTP/1.1 400 Bad Request", expected)
    time.sleep(0.2)
    assert not listening.find("[MOLDARI] /import received", start)


@pytest.mark.parametrize(
    "name, expected",
    [
        (None, "asset"),
        ("", "asset"),
        ("///", "asset"),
        ("...", "___"),
        ("../../My Chair (v2).fbx", "My_Chair__v2__fbx"),
        ("n" * 300, "n" * 64),
    ],
    ids=["missing", "empty", "three-slashes", "three-dots", "parent-steps", "length-cap"],
)
def test_names_are_sanitised(listening, name, expected):
    url = f"http://{HOST}:{free_port()}/x.zip"
    body = b'{"url":"%s"}' % url.encode() if name is None else import_json(url, name)
    assert post_import(body) == response_bytes("HTTP/1.1 200 OK", queued_body(expected))


def test_control_characters_in_url_are_written_as_question_marks(listening):
    start = listening.mark()
    url = f"http://{HOST}:{free_port()}/a\\r\\nb\\tc.zip"  # JSON escapes: CR, LF and tab
    reply = post_import(b'{"url":"%s","name":"e2e_ctl"}' % url.encode())
    assert reply == response_bytes("HTTP/1.1 200 OK", queued_body("e2e_ctl"))
    logged = url.replace("\\r", "?").replace("\\n", "?").replace("\\t", "?")
    listening.wait_for(f"[MOLDARI] /import received: name=e2e_ctl url={logged}", start, 5)


LIMIT = 524288000
MIB = 1024 * 1024
UNANNOUNCED_EXTRA = 200 * MIB


@pytest.fixture(scope="module")
def big_body_server():
    """A loopback server that streams a generated archive-like body: at /announced 524288001
    bytes with a Content-Length, at /unannounced 200 MiB past the limit without one (ended by
    closing). `sent` records how much each transfer could write before it was cut off."""
    import http.server
    import threading

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def log_message(self, *args):
            pass

        def do_GET(self):
            size = LIMIT + 1 if self.path.startswith("/announced") else LIMIT + UNANNOUNCED_EXTRA
            self.send_response(200)
            self.send_header("Content-Type", "application/zip")
            if self.path.startswith("/announced"):
                self.send_header("Content-Length", str(size))
            self.end_headers()
            chunk = b"PK\x03\x04" + b"\0" * (MIB - 4)
            sent = 0
            try:
                while sent < size:
                    piece = chunk[: min(MIB, size - sent)]
                    self.wfile.write(piece)
                    sent += len(piece)
                    chunk = b"\0" * MIB
            except (BrokenPipeError, ConnectionResetError):
                pass
            self.server.sent.append(sent)

    server = http.server.ThreadingHTTPServer((HOST, 0), Handler)
    server.sent = []
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield server
    finally:
        server.shutdown()
        server.server_close()


@pytest.mark.parametrize("path", ["announced", "unannounced"])
def test_download_over_the_limit_is_cut_off(listening, big_body_server, path):
    from bridge_client import vm_hwm_kib

    name = f"e2e_big_{path}"
    start = listening.mark()
    url = f"http://{HOST}:{big_body_server.server_port}/{path}.zip"
    assert post_import(import_json(url, name)) == response_bytes("HTTP/1.1 200 OK", queued_body(name))
    line = listening.wait_for("[MOLDARI] Download too large (", start, 120)[0].text
    m = re.search(r"\[MOLDARI\] Download too large \((\d+) bytes, limit 524288000\)$", line)
    assert m, line
    received = int(m.group(1))
    if path == "announced":
        assert received == LIMIT + 1
    else:
        assert LIMIT < received <= LIMIT + MIB, "the transfer was not cut off just past the limit"
    limit = time.monotonic() + 10
    while not big_body_server.sent and time.monotonic() < limit:
        time.sleep(0.05)
    sent = big_body_server.sent.pop()
    if path == "announced":
        assert sent < 64 * MIB, f"{sent} bytes went out although the announced length was over the limit"
    else:
        assert sent < LIMIT + UNANNOUNCED_EXTRA - 64 * MIB, f"{sent} bytes went out: the transfer ran on"
    time.sleep(1.0)
    assert not listening.find(f"[MOLDARI] Download failed: {name}", start), "the cut-off was reported twice"
    assert not listening.find(f"[MOLDARI] Done: {name}", start)
    job, _ = follow_job(name, 10)
    assert (job["state"], job["reason"]) == ("failed", line.split("[MOLDARI] ", 1)[1])
    # the body never sits in memory much past the limit
    peak = vm_hwm_kib(listening.proc.pid)
    print(f"peak resident memory: {peak // 1024} MiB")
    assert peak < (LIMIT + 100 * MIB) // 1024
