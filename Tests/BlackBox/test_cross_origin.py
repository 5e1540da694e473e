"""The cross-origin headers: who gets them, and what exactly they say."""

import pytest

from bridge_client import ALLOWED_ORIGINS, NOT_FOUND_BODY, STATUS_BODY, exchange, get_status, response_bytes

pytestmark = pytest.mark.usefixtures("listening")

CORS_HEADERS = (
    "Access-Control-Allow-Origin",
    "Access-Control-Allow-Methods",
    "Access-Control-Allow-Headers",
    "Access-Control-Allow-Private-Network",
    "Access-Control-Max-Age",
)


def preflight(origin_line: bytes | None) -> bytes:
    req = b"OPTIONS /import HTTP/1.1\r\nHost: localhost:5325\r\nAccess-Control-Request-Method: POST\r\n"
    req += b"Access-Control-Request-Headers: content-type\r\n"
    if origin_line is not None:
        req += origin_line + b"\r\n"
    return req + b"\r\n"


def test_preflight_from_dev_origin_is_exact():
    reply = exchange(preflight(b"Origin: http://localhost:5173"), timeout=3)
    assert reply.data == (
        b"HTTP/1.1 200 OK\r\n"
        b"Content-Type: text/plain\r\n"
        b"Content-Length: 0\r\n"
        b"Access-Control-Allow-Origin: http://localhost:5173\r\n"
        b"Access-Control-Allow-Methods: GET, POST, OPTIONS\r\n"
        b"Access-Control-Allow-Headers: Content-Type\r\n"
        b"Access-Control-Allow-Private-Network: true\r\n"
        b"Access-Control-Max-Age: 86400\r\n"
        b"\r\n"
    )


def test_preflight_without_origin_has_no_cors_lines():
    reply = exchange(preflight(None), timeout=3)
    assert reply.data == b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n"


@pytest.mark.parametrize("origin", ALLOWED_ORIGINS)
def test_each_allowed_origin_reads_status(origin):
    assert get_status(origin).data == response_bytes("HTTP/1.1 200 OK", STATUS_BODY, origin)


@pytest.mark.parametrize(
    "origin_line, echoed",
    [
        (b"origin:   http://localhost:5173  ", "http://localhost:5173"),
        (b"ORIGIN:\thttp://localhost:5173\t", "http://localhost:5173"),
        (b"Origin:http://localhost:5173", "http://localhost:5173"),
        (b"Origin: HTTP://LOCALHOST:5173", "HTTP://LOCALHOST:5173"),
        (b"Origin: HTTPS://App.Moldari.COM", "HTTPS://App.Moldari.COM"),
    ],
    ids=["lower-name-padded", "upper-name-tabs", "no-space", "value-in-capitals", "value-mixed-case"],
)
def test_origin_is_trimmed_and_matched_without_case(origin_line, echoed):
    req = b"GET /status HTTP/1.1\r\nHost: x\r\n" + origin_line + b"\r\n\r\n"
    assert exchange(req, timeout=3).data == response_bytes("HTTP/1.1 200 OK", STATUS_BODY, echoed)


@pytest.mark.parametrize(
    "origin",
    [
        "http://localhost:5173/",
        "http://localhost:5174",
        "http://localhost",
        "http://127.0.0.1:5173",
        "https://localhost:5173",
        "https://app.moldari.com/",
        "https://app.moldari.com.evil.test",
        "https://evil.app.moldari.com",
        "http://app.moldari.com",
        "https://app.moldari.co",
        "null",
        "*",
    ],
)
def test_other_origins_are_served_without_cors_lines(origin):
    reply = get_status(origin)
    assert reply.data == response_bytes("HTTP/1.1 200 OK", STATUS_BODY)
    assert not any(reply.header(h) for h in CORS_HEADERS)


def test_last_origin_header_counts():
    req = b"GET /status HTTP/1.1\r\nOrigin: http://localhost:5173\r\nOrigin: http://localhost:5174\r\n\r\n"
    assert exchange(req, timeout=3).data == response_bytes("HTTP/1.1 200 OK", STATUS_BODY)
    req = b"GET /status HTTP/1.1\r\nOrigin: http://localhost:5174\r\nOrigin: https://rc.moldari.com\r\n\r\n"
    assert exchange(req, timeout=3).data == response_bytes("HTTP/1.1 200 OK", STATUS_BODY, "https://rc.moldari.com")


def test_not_found_carries_cors_lines_for_allowed_origin():
    req = b"GET /missing HTTP/1.1\r\nOrigin: https://app.moldari.com\r\n\r\n"
    reply = exchange(req, timeout=3)
    assert reply.data == response_bytes("HTTP/1.1 404 Not Found", NOT_FOUND_BODY, "https://app.moldari.com")
    assert reply.header("Content-Length") == "21"
