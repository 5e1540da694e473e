"""Import jobs as the page reads them: GET /imports and /imports/<id>, the life of a job for a
success and for each road that fails, many at once, the cap, and who may read them."""

import json
import signal
import time
import zipfile
from concurrent.futures import ThreadPoolExecutor
from datetime import datetime
from pathlib import Path

import pytest

from bridge_client import HOST, NOT_FOUND_BODY, exchange, queued_body, response_bytes, start_editor
from import_client import (
    ARCHIVES,
    ENDED_STATES,
    actor_rows,
    IMPORT_DEADLINE,
    all_jobs,
    assert_zip_import_complete,
    follow_job,
    dribbling_server,
    free_port,
    get_imports,
    import_json,
    newest_job,
    placed_actors,
    post_import,
    served_directory,
    temp_leftovers,
)

HOST_NOT_ALLOWED_BODY = b'{"error":"host not allowed"}'
FIELDS = {"id", "name", "kind", "url", "state", "step", "bytesReceived", "bytesTotal", "reason", "meshes", "material",
          "actors", "filesSaved", "warnings", "moreWarnings", "received", "started", "ended"}


def when(stamp: str) -> float:
    return datetime.fromisoformat(stamp.replace("Z", "+00:00")).timestamp()


def write_zip(path: Path, entries: dict[str, bytes]) -> None:
    with zipfile.ZipFile(path, "w") as zf:
        for name, data in entries.items():
            zf.writestr(name, data)


@pytest.fixture(scope="module")
def broken_archives(tmp_root):
    """Files that download but bring no asset into the level."""
    folder = tmp_root / "broken-archives"
    folder.mkdir(exist_ok=True)
    write_zip(folder / "NoModel.zip", {"readme.txt": b"textures only", "textures/albedo.png": b"\x89PNG\r\n\x1a\n"})
    write_zip(folder / "GarbageModel.zip", {"model.fbx": b"this is not an FBX file\n" * 40})
    write_zip(folder / "Empty.usdz", {"scene.usda": b"#usda 1.0\n"})
    (folder / "NotAnArchive.zip").write_bytes(b"<html>not found</html>\n")
    return folder


def test_a_success_is_followed_to_done_with_what_it_made(listening):
    archive = ARCHIVES / "spider_static_multimaterial_jpeg.zip"
    name = "job_spider"
    before = time.time()
    start = listening.mark()
    with served_directory(ARCHIVES) as base:
        url = f"{base}/{archive.name}"
        assert post_import(import_json(url, name)) == response_bytes("HTTP/1.1 200 OK", queued_body(name))
        job, seen = follow_job(name)
    listening.wait_for(f"[MOLDARI] /import received: name={name} url={url}", start, 5)
    assert_zip_import_complete(listening, name, archive, start)
    assert set(job) == FIELDS
    assert (job["name"], job["kind"], job["url"], job["state"], job["reason"]) == (name, "zip", url, "done", "")
    order = ["queued", "downloading", "importing", "done"]
    assert seen == sorted(seen, key=order.index), f"states went back: {seen}"
    assert job["bytesReceived"] == job["bytesTotal"] == archive.stat().st_size
    assert len(job["meshes"]) > 1 and all(mesh.startswith(f"/Game/MOLDARIImports/{name}/") for mesh in job["meshes"])
    assert job["material"].startswith(f"/Game/MOLDARIImports/{name}/")
    labels = [name] + [f"{name}_{index}" for index in range(1, len(job["meshes"]))]
    assert job["actors"] == labels and len(placed_actors(listening, name)) == len(labels)
    saved = list((listening.project / "Content" / "MOLDARIImports" / name).rglob("*.uasset"))
    assert job["filesSaved"] == len(saved) > 0
    assert before - 1 <= when(job["received"]) <= when(job["started"]) <= when(job["ended"]) <= time.time() + 1
    one = get_imports(f"/imports/{job['id']}")
    assert one.status == 200 and json.loads(one.body) == job


@pytest.mark.parametrize(
    "archive, reason",
    [
        ("NotAnArchive.zip", "Downloaded file is not a valid archive"),
        ("NoModel.zip", "No .fbx found in ZIP"),
        ("GarbageModel.zip", "No mesh asset found after import"),  # the log goes on to its done line
        ("Empty.usdz", "USDZ import produced no asset"),
    ],
)
def test_each_road_without_an_asset_ends_failed_with_its_reason(listening, broken_archives, archive, reason):
    name = "job_" + archive.split(".")[0].lower()
    start = listening.mark()
    with served_directory(broken_archives) as base:
        assert post_import(import_json(f"{base}/{archive}", name)) == response_bytes("HTTP/1.1 200 OK", queued_body(name))
        job, _ = follow_job(name)
    assert (job["state"], job["reason"], job["actors"]) == ("failed", reason, []), job
    assert job["ended"] is not None
    assert listening.find(f"[MOLDARI] {reason}", start), "the reason is not in the words of the log"
    assert placed_actors(listening, name) == []
    listening.wait_for(f"Notification 'Import of {name} failed: {reason}' is now Fail", start, 10)


def test_ten_imports_of_two_names_at_once_each_end_right(listening, broken_archives):
    first_id = max((job["id"] for job in all_jobs()), default=0)
    with served_directory(ARCHIVES) as base:
        urls = {"pair_good": f"{base}/embedded_cube_stored.zip", "pair_bad": f"file://{broken_archives / 'NoModel.zip'}"}
        names = ["pair_good", "pair_bad"] * 5
        with ThreadPoolExecutor(10) as pool:
            replies = list(pool.map(lambda n: post_import(import_json(urls[n], n), timeout=30), names))
        assert replies == [response_bytes("HTTP/1.1 200 OK", queued_body(n)) for n in names]
        limit = time.monotonic() + IMPORT_DEADLINE
        while True:
            mine = [job for job in all_jobs() if job["id"] > first_id]
            if len(mine) >= 10 and all(job["state"] in ENDED_STATES for job in mine) or time.monotonic() > limit:
                break
            time.sleep(0.1)
    assert [job["id"] for job in mine] == list(range(first_id + 10, first_id, -1)), "not newest first, or ids skipped"
    for job in mine:
        expected = ("done", "") if job["name"] == "pair_good" else ("failed", "No .fbx found in ZIP")
        assert (job["state"], job["reason"]) == expected, job
    # every good import placed its own actor (labels may repeat, as in the editor), and no archive
    # was left behind
    assert all(job["actors"] == ["pair_good"] for job in mine if job["state"] == "done")
    assert [row["label"] for row in actor_rows(listening)].count("pair_good") == 5
    assert temp_leftovers(listening) == []


def test_the_list_keeps_the_last_hundred(listening):
    dead = f"http://{HOST}:{free_port()}/x.zip"
    for index in range(105):
        post_import(import_json(dead, f"cap_{index}"))
    jobs = all_jobs()
    assert len(jobs) == 100 and jobs[0]["name"] == "cap_104"
    assert [job["id"] for job in jobs] == list(range(jobs[0]["id"], jobs[0]["id"] - 100, -1))


@pytest.mark.parametrize("path", ["/imports/999999999", "/imports/0", "/imports/-1", "/imports/abc", "/imports/1x", "/imports/"])
def test_unknown_job_is_not_found(listening, path):
    assert get_imports(path).data == response_bytes("HTTP/1.1 404 Not Found", NOT_FOUND_BODY)


@pytest.mark.parametrize(
    "host, allowed",
    [
        ("localhost", True), ("localhost:5325", True), ("LOCALHOST:5325", True), ("127.0.0.1", True),
        ("127.0.0.1:5325", True), ("[::1]", True), ("[::1]:5325", True), (None, True),
        ("evil.example", False), ("evil.example:5325", False), ("localhost:80", False), ("127.0.0.1:5326", False),
        ("localhost.evil.example", False), ("127.0.0.1.nip.io:5325", False), ("::1", False), ("", False),
    ],
)
def test_only_a_loopback_host_reads_the_jobs(listening, host, allowed):
    for path in ("/imports", "/imports/1"):
        reply = get_imports(path, host=host)
        if allowed:
            assert reply.status in (200, 404), reply.data
        else:
            assert reply.data == response_bytes("HTTP/1.1 403", HOST_NOT_ALLOWED_BODY), reply.data
    # the rule is the job list's own: /status answers any Host as before
    assert exchange(f"GET /status HTTP/1.1\r\nHost: {host or 'x'}\r\n\r\n".encode(), timeout=3).status == 200


def test_cross_origin_lines_as_for_status(listening):
    allowed = get_imports(origin="https://app.moldari.com")
    assert allowed.data == response_bytes("HTTP/1.1 200 OK", allowed.body, "https://app.moldari.com")
    foreign = get_imports(origin="https://evil.example")
    assert foreign.data == response_bytes("HTTP/1.1 200 OK", foreign.body)
    refused = get_imports(host="evil.example", origin="https://app.moldari.com")
    assert refused.data == response_bytes("HTTP/1.1 403", HOST_NOT_ALLOWED_BODY, "https://app.moldari.com")


def test_a_job_still_downloading_at_shut_down_is_not_run(stopped, tmp_root):
    editor = start_editor(tmp_root / "ShutDownProject")
    try:
        with dribbling_server(1_000_000, b"PK\x03\x04" + bytes(4_000)) as url:
            post_import(import_json(url, "job_cut_short"))
            limit = time.monotonic() + 10
            while (job := newest_job("job_cut_short"))["state"] != "downloading" or job["bytesReceived"] < 4_004:
                assert time.monotonic() < limit, job
                time.sleep(0.05)
            assert job["bytesTotal"] == 1_000_000
            start = editor.mark()
            assert editor.terminate(signal.SIGINT) == 0
        assert editor.find("[MOLDARI] Import not run (editor shutting down): job_cut_short", start), editor.output(start)
        assert not editor.find("[MOLDARI] Done", start)
    finally:
        editor.kill()
