"""Routing and the status document, seen from raw sockets and from http.client."""

import http.client

import pytest

from bridge_client import HOST, NOT_FOUND_BODY, PORT, STATUS_200, STATUS_BODY, exchange, response_bytes

pytestmark = pytest.mark.usefixtures("listening")

NOT_FOUND_404 = response_bytes("HTTP/1.1 404 Not Found", NOT_FOUND_BODY)


@pytest.mark.parametrize("method, path, headers, status, body, allowed", [
    ("GET", "/status", {"Origin": "https://rc.moldari.com"}, 200, STATUS_BODY, "https://rc.moldari.com"),
    ("POST", "/nothing", {"Content-Type": "application/json"}, 404, NOT_FOUND_BODY, None),
])
def test_http_client_reads_the_answer(method, path, headers, status, body, allowed):
    conn = http.client.HTTPConnection(HOST, PORT, timeout=3)
    try:
        conn.request(method, path, body=b'{"a":1}' if method == "POST" else None, headers=headers)
        resp = conn.getresponse()
        assert (resp.status, resp.getheader("Content-Type"), resp.getheader("Access-Control-Allow-Origin")) == (
            status, "application/json", allowed)
        assert resp.read() == body
    finally:
        conn.close()


@pytest.mark.parametrize(
    "raw, expected",
    [
        (b"GET /status HTTP/1.1\r\nHost: localhost:5325\r\n\r\n", STATUS_200),
        # a complete but unusable header block needs no deadline, and gets no reply
        (b"\r\n\r\n", b""),
        (b"GET\r\nHost: x\r\n\r\n", b""),
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
    ids=["status", "blank-only", "one-word-request-line", "bad-utf8-origin", "utf8-path", "cr-only-line-ends", "2000-headers",
         "60k-path", "nul-bytes", "bad-utf8-request-line", "tabs-not-spaces", "binary-content-length"],
)
def test_each_request_gets_its_answer_or_none_and_is_closed(raw, expected):
    reply = exchange(raw, timeout=3)
    assert reply.closed and reply.elapsed < 1.0, "one response, then the connection is closed at once"
    if expected is None:
        assert reply.data == b"" or reply.status in (200, 404), reply.data[:100]
    else:
        assert reply.data == expected
    # the `listening` fixture then checks that the server still answers
