"""How the bridge reads one request: pieces, bodies and the single 5-second deadline.

These cases see the body's handling through POST /import's answer and its timing: a request
whose body is complete is answered at once, one whose body is short waits for the deadline.
"""

import time

import pytest

from bridge_client import (
    INVALID_JSON_BODY,
    MISSING_URL_BODY,
    REQUEST_DEADLINE,
    STATUS_200,
    connect,
    exchange,
    import_request,
    read_until_close,
    queued_body,
    response_bytes,
)

pytestmark = pytest.mark.usefixtures("listening")

QUEUED_CHAIR = response_bytes("HTTP/1.1 200 OK", queued_body("Chair"))
MISSING_URL = response_bytes("HTTP/1.1 400 Bad Request", MISSING_URL_BODY)
INVALID_JSON = response_bytes("HTTP/1.1 400 Bad Request", INVALID_JSON_BODY)
PROMPT = 1.0  # seconds; far below the deadline, far above a loopback round trip


# ---------------------------------------------------------------- header block in pieces

REQUEST = b"GET /status HTTP/1.1\r\nHost: localhost:5325\r\nOrigin: http://example.test\r\n\r\n"


@pytest.mark.parametrize("tail", [1, 2, 3, 4, 5], ids=lambda n: f"last-{n}-bytes-later")
def test_terminator_split_across_reads(tail):
    reply = exchange([REQUEST[:-tail], REQUEST[-tail:]], pause=0.3, timeout=4)
    assert reply.data == STATUS_200
    assert reply.first_byte is not None and 0.3 <= reply.first_byte < 0.3 + PROMPT


def test_terminator_split_in_three_reads():
    pieces = [REQUEST[:-3], b"\r", b"\n\r", b"\n"]
    reply = exchange(pieces, pause=0.15, timeout=4)
    assert reply.data == STATUS_200


def test_request_sent_one_byte_at_a_time():
    reply = exchange([bytes([b]) for b in REQUEST], pause=0.002, timeout=4)
    assert reply.data == STATUS_200


def test_lone_lf_line_ends_do_not_end_the_header_block():
    # "\n\n" is no CR LF CR LF: the request is still open until the real terminator arrives
    reply = exchange([b"GET /status HTTP/1.1\n\n", b"\r\n\r\n"], pause=0.5, timeout=4)
    assert reply.data == STATUS_200
    assert reply.first_byte >= 0.5


# ---------------------------------------------------------------- bodies


CHAIR = b'{"url":"https://example.invalid/model.zip","name":"Chair"}'


@pytest.mark.parametrize(
    "request_bytes, expected",
    [
        (import_request(CHAIR, len(CHAIR)), QUEUED_CHAIR),
        (import_request(b'{"a":1}' + b"GET /status HTTP/1.1\r\n\r\n", 7), MISSING_URL),
        # no usable Content-Length means an empty body
        *[(import_request(b"", length), INVALID_JSON) for length in (None, 0, -1, -50, "abc", "")],
    ],
    ids=["body-with-header", "bytes-beyond-length", "no-length", "zero", "minus-1", "minus-50", "abc", "empty"],
)
def test_complete_request_is_answered_at_once(request_bytes, expected):
    reply = exchange(request_bytes, timeout=4)
    assert reply.data == expected
    assert reply.elapsed < PROMPT, "the whole body (or none) had come: nothing is to be waited for"


def test_body_in_later_reads_is_answered_when_complete():
    pieces = [import_request(b"", len(CHAIR)), CHAIR[:10], CHAIR[10:]]
    reply = exchange(pieces, pause=0.3, timeout=4)
    assert reply.data == QUEUED_CHAIR
    assert 0.6 <= reply.first_byte < 0.6 + PROMPT


def test_short_body_is_routed_after_the_deadline():
    sock = connect()
    started = time.monotonic()
    try:
        sock.sendall(import_request(b"x" * 20, 50))
        reply = read_until_close(sock, started, REQUEST_DEADLINE + 3)
    finally:
        sock.close()
    assert reply.data == INVALID_JSON
    assert REQUEST_DEADLINE - 0.3 <= reply.first_byte <= REQUEST_DEADLINE + 1.0


def test_silent_client_is_closed_after_the_deadline_without_bytes():
    sock = connect()
    started = time.monotonic()
    try:
        reply = read_until_close(sock, started, REQUEST_DEADLINE + 3)
    finally:
        sock.close()
    assert reply.closed and reply.data == b""
    assert REQUEST_DEADLINE - 0.3 <= reply.elapsed <= REQUEST_DEADLINE + 1.0
