"""The server's life in the editor: toggle, port conflicts, shut-down, address, speed. Clients that
leave early are among the hostile ones of Tests/Hostile/hostile_load.py."""

import statistics
import time
from pathlib import Path

from bridge_client import (ALREADY_RUNNING, BIND_FAILED, LAUNCHED, LISTENING, LOG_LINE, PORT, STARTED, STATUS_200, STOPPED,
                           get_status, port_accepts, start_editor, start_server, stop_server)

# The accept loop waits at most 0.05 s; the rest is the console's round trip. A median leaves room
# for a stall of a loaded runner; a stop that waits for a request deadline shows in the maximum.
IDLE_STOP_MEDIAN = 0.12
IDLE_STOP_MAX = 1.0


def test_startup_logs_in_engine_layout(listening):
    for text in (LAUNCHED, STARTED, LISTENING):
        listening.wait_for(text, timeout=5)
    # the log thread writes the file some time after standard output, as the engine's does
    limit = time.monotonic() + 5
    while LISTENING not in [m.group(2) for m in map(LOG_LINE.match, listening.log_file_lines()) if m]:
        assert time.monotonic() < limit, "the log file lacks the listening line in the engine's layout"
        time.sleep(0.05)
    assert listening.toggle_checked() is True


def test_toggle_stops_and_restarts_server(listening):
    start = listening.mark()
    stop_server(listening)
    stops = listening.find(STOPPED, start)
    assert len(stops) == 2
    assert all(LOG_LINE.match(e.text) and LOG_LINE.match(e.text).group(1) is None for e in stops)
    assert not port_accepts(), "port 5325 still accepts connections after the stop"
    assert listening.toggle_checked() is False

    start = listening.mark()
    start_server(listening)
    listening.wait_for(STARTED, start)
    listening.wait_for(LAUNCHED, start)
    assert get_status().data == STATUS_200
    assert listening.toggle_checked() is True


def test_idle_stop_is_quick_every_time(listening):
    # idle times that are no multiples of one another meet a loop that waits longer at any phase
    timings = []
    for idle in (0.07, 0.16, 0.29, 0.43):
        time.sleep(idle)
        timings.append(stop_server(listening))
        start_server(listening)
    assert statistics.median(timings) < IDLE_STOP_MEDIAN and max(timings) < IDLE_STOP_MAX, f"idle stops took {timings}"


def test_second_editor_cannot_take_the_port(listening, tmp_root):
    second = start_editor(tmp_root / "SecondProject", wait_listening=False)
    try:
        failure = second.wait_for(BIND_FAILED, timeout=30)[0]
        m = LOG_LINE.match(failure.text)
        assert m and m.group(1) == "Error", failure.text
        second.wait_for(LAUNCHED, timeout=5)  # logged by the main thread, in either order
        assert not second.find(LISTENING)
        assert second.settled_toggle_state(False) is False, "a failed start must not show as on"
        assert get_status().data == STATUS_200, "the first editor must keep serving"

        # one press is one new start attempt, never "already running"
        start, _ = second.press_toggle()
        second.wait_for(BIND_FAILED, start, timeout=10)
        second.wait_for(LAUNCHED, start, timeout=5)
        assert not second.find(ALREADY_RUNNING)
        assert second.settled_toggle_state(False) is False

        # once the port is free, the next press of the second editor succeeds
        stop_server(listening)
        start, _ = second.press_toggle()
        second.wait_for(LISTENING, start, timeout=10)
        assert second.toggle_checked() is True
        assert get_status().data == STATUS_200

        # SIGTERM shuts the module down, which stops the server and frees the port
        start = second.mark()
        assert second.terminate() == 0
        assert second.find(STOPPED, start)
        assert not port_accepts()
    finally:
        second.kill()
        if not listening.toggle_checked():
            start_server(listening)


def test_editor_without_press_does_not_listen_and_quits_quietly(stopped, tmp_root):
    idle = start_editor(tmp_root / "IdleProject", press=False, wait_listening=False)
    try:
        idle.wait_for("MOLDARIToggle", idle.command("menus")[0], timeout=30)
        assert idle.toggle_checked() is False
        assert not port_accepts()
        assert not idle.find("[MOLDARI] Server")
        assert idle.quit() == 0
        assert not idle.find(STOPPED), "no server ran, so none may be reported stopped"
    finally:
        idle.kill()


def proc_net_listeners(path: str) -> list[str]:
    """Local addresses (hex) of listening sockets on PORT in a /proc/net/tcp* table."""
    rows = Path(path).read_text().splitlines()[1:] if Path(path).exists() else []
    found = []
    for row in rows:
        fields = row.split()
        addr, port_hex = fields[1].rsplit(":", 1)
        if int(port_hex, 16) == PORT and fields[3] == "0A":
            found.append(addr)
    return found


def test_listens_on_loopback_only(listening):
    assert proc_net_listeners("/proc/net/tcp") == ["0100007F"]  # 127.0.0.1
    assert proc_net_listeners("/proc/net/tcp6") == []
    assert not port_accepts("127.0.0.2"), "reachable on another address than 127.0.0.1"


def test_requests_are_answered_without_polling_delay(listening):
    timings = []
    for _ in range(15):
        time.sleep(0.02)
        reply = get_status()
        assert reply.data == STATUS_200
        timings.append(reply.elapsed)
    # an accept loop that polls and sleeps 50 ms would put the median near 25 ms
    assert statistics.median(timings) < 0.015, f"round trips: {[round(t, 4) for t in timings]}"
