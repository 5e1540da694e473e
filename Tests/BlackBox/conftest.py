import shutil
import signal
import tempfile
from pathlib import Path

import pytest

from bridge_client import EDITOR_BIN, STOPPED, get_status, port_accepts, start_editor, start_server, stop_server, wait_port_free


@pytest.fixture(scope="session")
def tmp_root():
    root = Path(tempfile.mkdtemp(prefix="moldari-blackbox-"))
    yield root
    shutil.rmtree(root, ignore_errors=True)


@pytest.fixture(scope="session")
def editor(tmp_root):
    """The editor under test: a fresh project, the toggle pressed at start-up, server listening."""
    if not EDITOR_BIN.is_file():
        pytest.fail(f"headless-editor not built: {EDITOR_BIN} (build it or set HEADLESS_EDITOR)")
    if not wait_port_free(10.0):
        pytest.fail("port 5325 is held by another process; stop it before running these tests")
    ed = start_editor(tmp_root / "BridgeProject")
    yield ed
    try:
        # Ctrl-C shuts the module down cleanly, and that stops the listening server
        listening = port_accepts()
        start = ed.mark()
        assert ed.terminate(signal.SIGINT) == 0, "headless-editor did not exit cleanly on SIGINT"
        if listening:
            assert ed.find(STOPPED, start), "shut-down did not stop the server"
    finally:
        ed.kill()


@pytest.fixture
def listening(editor):
    """The shared editor with its server listening; checked again after the test."""
    assert editor.proc.poll() is None, "headless-editor has exited:\n" + editor.output()
    yield editor
    assert editor.proc.poll() is None, "headless-editor died during the test:\n" + editor.output()
    assert get_status().status == 200, "server no longer answers /status after the test"


@pytest.fixture
def stopped(listening):
    """The shared editor with its server switched off for the test, and on again afterwards."""
    stop_server(listening)
    assert not port_accepts()
    try:
        yield listening
    finally:
        if not listening.toggle_checked():
            start_server(listening)
