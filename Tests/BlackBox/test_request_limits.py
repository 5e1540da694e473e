"""Size limits: 431 for header blocks over 64 KiB, 413 for bodies announced over 1 MiB."""

import socket
import time

import pytest

from bridge_client import (
    HEADER_TOO_LARGE_BODY,
    INVALID_JSON_BODY,
    STATUS_200,
    TOO_LARGE_BODY,
    connect,
    exchange,
    import_request,
    read_until_close,
    response_bytes,
    vm_hwm_kib,
)

pytestmark = pytest.mark.usefixtures("listening")

KIB = 1024
MIB = 1024 * KIB
PROMPT = 1.0
TOO_LARGE_413 = response_bytes("HTTP/1.1 413", TOO_LARGE_BODY)
HEADER_TOO_LARGE_431 = response_bytes("HTTP/1.1 431", HEADER_TOO_LARGE_BODY)
INVALID_JSON = response_bytes("HTTP/1.1 400 Bad Request", INVALID_JSON_BODY)


def header_block(total: int) -> bytes:
    """A GET /status header block of exactly `total` bytes, its CR LF CR LF included."""
    head, tail = b"GET /status HTTP/1.1\r\nX-Pad: ", b"\r\n\r\n"
    return head + b"p" * (total - len(head) - len(tail)) + tail


# ---------------------------------------------------------------- 431


@pytest.mark.parametrize("total, expected", [(64 * KIB, STATUS_200), (64 * KIB + 5, HEADER_TOO_LARGE_431)],
                         ids=["64-kib-served", "just-over-431"])
def test_header_block_limit(total, expected):
    # 64 KiB + 5: over the limit whether or not the terminator is counted
    reply = exchange(header_block(total), timeout=4)
    assert reply.data == expected
    assert reply.elapsed < PROMPT


def test_flood_of_header_bytes_does_not_grow_memory(editor):
    """32 MiB of header bytes as fast as the socket takes them: the server keeps at most its cap."""
    before = vm_hwm_kib(editor.proc.pid)
    sock = connect()
    started = time.monotonic()
    sent = 0
    chunk = b"GET /status HTTP/1.1\r\nX-Pad: " + b"p" * (256 * KIB)
    try:
        sock.settimeout(1.0)
        while sent < 32 * MIB and time.monotonic() - started < 6.0:
            try:
                sent += sock.send(chunk if sent == 0 else b"p" * (256 * KIB))
            except socket.timeout:
                continue  # the server stopped reading; keep trying until it closes
            except OSError:
                break  # it closed (reset or broken pipe): done
        reply = read_until_close(sock, started, 7)
    finally:
        sock.close()
    grown = vm_hwm_kib(editor.proc.pid) - before
    assert grown < 8 * KIB, f"peak memory grew by {grown} KiB while {sent} header bytes were offered"
    assert reply.closed
    assert reply.data in (b"", HEADER_TOO_LARGE_431), reply.data[:100]


# ---------------------------------------------------------------- 413


def test_body_of_exactly_1_mib_is_read_and_routed():
    reply = exchange(import_request(b"z" * MIB, MIB), timeout=6)
    assert reply.data == INVALID_JSON
    assert reply.elapsed < 2.0, "the whole body had arrived; the answer should not wait for the deadline"


@pytest.mark.parametrize("request_bytes, expected", [
    (import_request(b"", MIB + 1), TOO_LARGE_413),
    (import_request(b"", 2 * MIB, origin="http://localhost:5173"), response_bytes("HTTP/1.1 413", TOO_LARGE_BODY, "http://localhost:5173")),
    (b"GET /status HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n", TOO_LARGE_413),
], ids=["import", "cors-lines-for-allowed-origin", "any-route"])
def test_content_length_over_1_mib_gets_413_at_once(request_bytes, expected):
    # only the header is sent: an answer before the deadline proves the body is not awaited
    reply = exchange(request_bytes, timeout=4)
    assert reply.data == expected
    assert reply.elapsed < PROMPT


# ---------------------------------------------------------------- a client that sends on


@pytest.mark.parametrize("first, expected", [
    (import_request(b"", 4 * MIB), TOO_LARGE_413),
    (b"GET /status HTTP/1.1\r\nX-Pad: " + b"p" * (64 * KIB + 100), HEADER_TOO_LARGE_431),
], ids=["413", "431"])
def test_client_still_sending_gets_the_refusal_at_once_and_no_reset(first, expected):
    """The refusal comes as soon as the limit is passed (for 431, before the header block ends).
    A client may send its whole request before it reads: closing with its bytes unread resets the
    connection, and a reset can take the answer with it (Windows drops what the client has not
    read yet), so the server reads and drops what follows before it closes."""
    import threading

    sock = connect()
    started = time.monotonic()
    failures = []

    def send_on():
        try:
            sock.sendall(first)
            for _ in range(64):
                sock.sendall(b"z" * (64 * KIB))
        except OSError as error:
            failures.append(error)

    sender = threading.Thread(target=send_on, daemon=True)
    sender.start()
    try:
        reply = read_until_close(sock, started, 4)
        sender.join(5)
    finally:
        sock.close()
    assert reply.data == expected
    assert reply.elapsed < PROMPT, "the limit was known to be passed; no reason to wait for the deadline"
    assert not reply.reset and not failures, f"the connection was reset: {failures}"
