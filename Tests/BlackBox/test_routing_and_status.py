"""Routing and the status document, seen from raw sockets and from http.client."""

import http.client

import pytest

from bridge_client import HOST, NOT_FOUND_BODY, PORT, STATUS_BODY, exchange, queued_body, response_bytes

pytestmark = pytest.mark.usefixtures("listening")

STATUS_200 = response_bytes("HTTP/1.1 200 OK", STATUS_BODY)
NOT_FOUND_404 = response_bytes("HTTP/1.1 404 Not Found", NOT_FOUND_BODY)


def test_status_response_is_the_exact_document():
    reply = exchange(b"GET /status HTTP/1.1\r\nHost: localhost:5325\r\n\r\n", timeout=3)
    assert reply.data == STATUS_200
    assert reply.closed, "the server must close the connection after one response"


@pytest.mark.parametrize(
    "request_line",
    [b"get /STATUS HTTP/1.0", b"GeT /StAtUs HTTP/1.1", b"GET /status", b"GET   /status   HTTP/9.9"],
    ids=["lower-method-upper-path-http10", "mixed-case", "no-version", "extra-spaces-odd-version"],
)
def test_method_and_path_ignore_case_and_version(request_line):
    assert exchange(request_line + b"\r\nHost: x\r\n\r\n", timeout=3).data == STATUS_200


@pytest.mark.parametrize(
    "request_line",
    [
        b"GET /status?x=1 HTTP/1.1",
        b"GET /status/ HTTP/1.1",
        b"GET /Status2 HTTP/1.1",
        b"GET / HTTP/1.1",
        b"POST /status HTTP/1.1",
        b"GET /import HTTP/1.1",
        b"PUT /status HTTP/1.1",
        b"DELETE /import HTTP/1.1",
    ],
)
def test_other_routes_get_404_with_21_byte_body(request_line):
    reply = exchange(request_line + b"\r\nHost: x\r\n\r\n", timeout=3)
    assert reply.data == NOT_FOUND_404
    assert reply.header("Content-Length") == "21"
    assert reply.header("Content-Type") == "application/json"


def test_post_import_is_routed_to_the_import_endpoint():
    body = b'{"url":"https://example.invalid/a.zip","name":"Chair"}'
    req = b"POST /import HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: %d\r\n\r\n%s" % (len(body), body)
    assert exchange(req, timeout=3).data == response_bytes("HTTP/1.1 200 OK", queued_body("Chair"))


@pytest.mark.parametrize("path", [b"*", b"/status", b"/import", b"/no/such/thing?q=1", b"x"])
def test_options_any_path_gets_empty_200(path):
    reply = exchange(b"OPTIONS " + path + b" HTTP/1.1\r\nHost: x\r\n\r\n", timeout=3)
    assert reply.data == b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n"


@pytest.mark.parametrize(
    "raw",
    [b"\r\n\r\n", b"\r\n\r\n\r\n\r\n", b"GET\r\nHost: x\r\n\r\n", b"   /status   \r\n\r\n"],
    ids=["blank-only", "many-blank-lines", "one-word-request-line", "spaces-and-one-word"],
)
def test_unparseable_request_line_is_closed_without_reply(raw):
    reply = exchange(raw, timeout=3)
    assert reply.closed and reply.data == b""
    assert reply.elapsed < 1.0, "a complete but unusable header block needs no deadline"


def test_http_client_reads_status_and_not_found():
    conn = http.client.HTTPConnection(HOST, PORT, timeout=3)
    try:
        conn.request("GET", "/status", headers={"Origin": "https://rc.moldari.com"})
        resp = conn.getresponse()
        assert resp.status == 200 and resp.reason == "OK"
        assert resp.getheader("Content-Type") == "application/json"
        assert resp.getheader("Access-Control-Allow-Origin") == "https://rc.moldari.com"
        assert resp.read() == STATUS_BODY
    finally:
        conn.close()

    conn = http.client.HTTPConnection(HOST, PORT, timeout=3)
    try:
        conn.request("POST", "/nothing", body=b'{"a":1}', headers={"Content-Type": "application/json"})
        resp = conn.getresponse()
        assert resp.status == 404
        assert resp.read() == NOT_FOUND_BODY
    finally:
        conn.close()


@pytest.mark.parametrize(
    "raw, expected",
    [
        (b"GET /status HTTP/1.1\r\nOrigin: \xff\xfe\x80http://localhost:5173\r\n\r\n", STATUS_200),
        (b"GET /st\xc3\xa9tus HTTP/1.1\r\n\r\n", NOT_FOUND_404),
        (b"GET /status HTTP/1.1\rOrigin: http://localhost:5173\r\r\n\r\n",
         response_bytes("HTTP/1.1 200 OK", STATUS_BODY, "http://localhost:5173")),
        (b"GET /status HTTP/1.1\r\n" + b"X-Many: header\r\n" * 2000 + b"\r\n", STATUS_200),
        (b"GET /" + b"a" * 60000 + b" HTTP/1.1\r\n\r\n", NOT_FOUND_404),
        (b"\x00\x00\x00\x00 \x00\r\n\r\n", None),
        (b"\xc3\x28 \xa0\xa1\r\n\r\n", None),
        (b"GET\t/status\tHTTP/1.1\r\n\r\n", None),
        (b"GET /status HTTP/1.1\r\nContent-Length: \x00\xff9\r\n\r\n", None),
    ],
    ids=["bad-utf8-origin", "utf8-path", "cr-only-line-ends", "2000-headers", "60k-path",
         "nul-bytes", "bad-utf8-request-line", "tabs-not-spaces", "binary-content-length"],
)
def test_odd_bytes_get_a_sound_answer_or_none(raw, expected):
    reply = exchange(raw, timeout=3)
    assert reply.closed and reply.elapsed < 1.0
    if expected is None:
        assert reply.data == b"" or reply.status in (200, 404), reply.data[:100]
    else:
        assert reply.data == expected
    # the `listening` fixture then checks that the server still answers
