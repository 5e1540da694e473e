"""Routing and the status document, seen from raw sockets and from http.client."""

import http.client

import pytest

from bridge_client import HOST, NOT_FOUND_BODY, PORT, STATUS_BODY, exchange, response_bytes

pytestmark = pytest.mark.usefixtures("listening")

STATUS_200 = response_bytes("HTTP/1.1 200 OK", STATUS_BODY)
NOT_FOUND_404 = response_bytes("HTTP/1.1 404 Not Found", NOT_FOUND_BODY)


def test_status_response_is_the_exact_document():
    reply = exchange(b"GET /status HTTP/1.1\r\nHost: localhost:5325\r\n\r\n", timeout=3)
    assert reply.data == STATUS_200
    assert reply.closed, "the server must close the connection after one response"


@pytest.mark.parametrize("raw", [b"\r\n\r\n", b"GET\r\nHost: x\r\n\r\n"], ids=["blank-only", "one-word-request-line"])
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
