"""Hostile archives end to end: each is built here, served from loopback and imported through
POST /import. Each import must end with its log line while the bridge keeps answering /status,
with the editor's peak memory and the project's peak disk use inside stated bounds, and with
nothing left in the temporary folder."""

import json
import os
import random
from pathlib import Path

import pytest

from archives import (
    RawZip,
    empty_entries,
    fbx_with_array_claim,
    long_names,
    overlapping_bomb,
    png_header_lying,
    zipfile_archive,
)
from bridge_client import REPO_ROOT
from conftest import MIB, Watch, post_import, queued
from import_client import temp_leftovers

pytestmark = pytest.mark.usefixtures("bridge")

CUBE_FBX = REPO_ROOT.parent / "shared" / "testdata" / "fbx" / "ufbx-blender_suzanne_multimaterial_7400_binary.fbx"
NO_FBX = "[MOLDARI] No .fbx found in ZIP"
IMPORT_DEADLINE = 180.0


@pytest.fixture(scope="module")
def cube() -> bytes:
    if not CUBE_FBX.is_file():
        pytest.fail(f"test model missing: {CUBE_FBX}")
    return CUBE_FBX.read_bytes()


def import_archive(bridge, archive_server, name: str, data: bytes, end_line: str, deadline: float = IMPORT_DEADLINE, ext: str = "zip"):
    """Serves `data`, asks for its import and waits for `end_line`; returns (log start, watch)."""
    url = archive_server.put(f"{name}.{ext}", data)
    start = bridge.mark()
    with Watch(bridge) as watch:
        assert post_import(url, name) == queued(name)
        bridge.wait_for(end_line, start, deadline)
        # the temporary folders go just after the last line
        left = temp_leftovers(bridge, settle=10)
    assert left == [], "the import left temporary files behind"
    return start, watch


def imported(bridge, name: str) -> list[Path]:
    folder = bridge.project / "Content" / "MOLDARIImports" / name
    return sorted(p for p in folder.rglob("*") if p.is_file()) if folder.is_dir() else []


def test_overlapping_entry_bomb_writes_one_kernel(bridge, archive_server):
    # 2,000 names over one 64 MiB kernel: 125 GiB if every record were written
    data = overlapping_bomb(64 * MIB, 2000)
    assert len(data) < 1 * MIB
    start, watch = import_archive(bridge, archive_server, "trap_overlap", data, NO_FBX)
    skipped = bridge.find("[MOLDARI] Overlapping ZIP entry skipped: copy", start)
    assert len(skipped) == 1999, f"{len(skipped)} overlap warnings"
    watch.assert_bounded(memory_mib=200, disk_mib=64 + 16)


def test_nested_zip_is_stored_not_opened(bridge, archive_server, cube):
    inner = zipfile_archive({"cube.fbx": cube, "bomb.zip": overlapping_bomb(16 * MIB, 100)})
    data = zipfile_archive({"inner.zip": inner, "readme.txt": b"a zip inside a zip"})
    start, watch = import_archive(bridge, archive_server, "trap_nested", data, NO_FBX)
    assert not bridge.find("[MOLDARI] Importing FBX", start), "a model inside the inner archive was imported"
    assert imported(bridge, "trap_nested") == []
    watch.assert_bounded(memory_mib=100, disk_mib=8)


def test_large_entry_is_extracted_in_bounded_memory(bridge, archive_server, cube):
    # 384 MiB of zeros in a 400 KiB archive: read, inflated and written a piece at a time, the
    # entry must not raise the editor's peak memory by more than a fraction of its size
    size = 384 * MIB
    z = RawZip()
    z.entry(b"model.fbx", cube)
    z.zeros(b"zeros.bin", size)
    start, watch = import_archive(bridge, archive_server, "trap_large_entry", z.bytes(), "[MOLDARI] Done: trap_large_entry")
    copied = bridge.project / "SourceArt" / "MOLDARIImports" / "trap_large_entry" / "zeros.bin"
    assert copied.stat().st_size == size, "the large entry was not extracted whole"
    watch.assert_bounded(memory_mib=96, disk_mib=2 * size / MIB + 16)
    copied.unlink()


@pytest.mark.slow
def test_65535_empty_entries(bridge, archive_server):
    data = empty_entries(0xFFFF)
    start, watch = import_archive(bridge, archive_server, "trap_empty", data, NO_FBX)
    assert watch.files_peak <= 0xFFFF + 100, f"{watch.files_peak} files at the peak"
    # an empty file still takes its inode, but no data blocks
    watch.assert_bounded(memory_mib=200, disk_mib=64)


def test_names_of_65535_bytes_are_refused_and_the_rest_imports(bridge, archive_server, cube):
    data = long_names({b"model.fbx": cube})
    start, watch = import_archive(bridge, archive_server, "trap_names", data, "[MOLDARI] Done: trap_names")
    refused = bridge.find("[MOLDARI] Cannot write ZIP entry: ", start)
    assert len(refused) == 3, bridge.output(start)[:2000]
    copies = bridge.project / "SourceArt" / "MOLDARIImports" / "trap_names"
    assert [p.name for p in copies.rglob("*") if p.is_file()] == ["model.fbx"]
    watch.assert_bounded(memory_mib=200, disk_mib=16)


@pytest.mark.parametrize(
    "content",
    [
        pytest.param(lambda cube: random.Random(7).randbytes(200_000), id="random-bytes"),
        pytest.param(lambda cube: png_header_lying(4, 4), id="a-png"),
        pytest.param(lambda cube: b"; FBX 7.4.0 project file\n" + b"Objects: {\n" * 5000, id="ascii-unclosed"),
        pytest.param(lambda cube: cube[: len(cube) // 2], id="truncated-binary"),
        # vertex arrays that claim 2^29 - 1 doubles (4 GiB), or 2^29 + 3 (a 32-bit byte count wraps to 24)
        pytest.param(lambda cube: fbx_with_array_claim(cube, b"Vertices", (1 << 29) - 1), id="array-claims-4gib"),
        pytest.param(lambda cube: fbx_with_array_claim(cube, b"Vertices", (1 << 29) + 3), id="array-claim-wraps"),
        pytest.param(lambda cube: b"", id="empty"),
    ],
)
def test_fbx_that_is_not_fbx(bridge, archive_server, cube, content, request):
    name = "trap_notfbx_" + request.node.callspec.id.replace("-", "_")
    data = zipfile_archive({"model.fbx": content(cube), "metadata.json": b'{"materials":[{"name":"m"}]}'})
    start, watch = import_archive(bridge, archive_server, name, data, f"[MOLDARI] Done: {name}")
    assert bridge.find("[MOLDARI] ImportAssetsAutomated returned 0 asset(s)", start)
    assert bridge.find("[MOLDARI] No mesh asset found after import", start)
    watch.assert_bounded(memory_mib=256, disk_mib=8)


def test_png_that_lies_about_its_size(bridge, archive_server, cube):
    metadata = {"materials": [{"name": "m", "baseColorTexture": "huge.png", "normalTexture": "wide.png"}]}
    data = zipfile_archive(
        {
            "model.fbx": cube,
            "metadata.json": json.dumps(metadata).encode(),
            "huge.png": png_header_lying(60000, 60000),
            "wide.png": png_header_lying(16384, 16384),  # 1 GiB of pixels, inside the side limit
        }
    )
    start, watch = import_archive(bridge, archive_server, "trap_png", data, "[MOLDARI] Done: trap_png")
    assert bridge.find("[MOLDARI] Created PBR material: M_trap_png_PBR", start)
    textures = bridge.project / "Content" / "MOLDARIImports" / "trap_png" / "Textures"
    assert not textures.is_dir() or not list(textures.iterdir()), "a lying image became a texture"
    watch.assert_bounded(memory_mib=256, disk_mib=8)


def padded_metadata(size: int) -> bytes:
    """A valid metadata.json of `size` bytes: one material, then a long array of small objects."""
    head = b'{"materials":[{"name":"m"}],"pad":['
    item = b'{"k":[1,2,3]},'
    count = (size - len(head) - 4) // len(item)
    body = head + item * count
    return body + b" " * (size - len(body) - 3) + b"0]}"


def test_metadata_json_of_50_mb(bridge, archive_server, cube):
    metadata = padded_metadata(50 * MIB)  # valid JSON: only its size is hostile
    data = zipfile_archive({"model.fbx": cube, "metadata.json": metadata})
    assert len(data) < 1 * MIB
    start, watch = import_archive(bridge, archive_server, "trap_meta_big", data, "[MOLDARI] Done: trap_meta_big")
    line = bridge.wait_for("[MOLDARI] metadata.json too large", start, 1)[0].text
    assert line.endswith(f"too large ({50 * MIB} bytes, limit 1048576) — skipping PBR materials")
    assert not bridge.find("[MOLDARI] Created PBR material", start)
    # extracted and copied as a source file, never parsed
    watch.assert_bounded(memory_mib=64, disk_mib=2 * 50 + 16)


def test_metadata_json_nested_100000_deep(bridge, archive_server, cube):
    metadata = b'{"materials":' + b"[" * 100_000 + b"]" * 100_000 + b"}"
    data = zipfile_archive({"model.fbx": cube, "metadata.json": metadata})
    start, watch = import_archive(bridge, archive_server, "trap_meta_deep", data, "[MOLDARI] Done: trap_meta_deep")
    assert bridge.find("[MOLDARI] metadata.json parse failed", start)
    watch.assert_bounded(memory_mib=100, disk_mib=8)



def usdz_with_a_gibibyte_layer() -> bytes:
    z = RawZip()
    z.entry(b"model.usda", b"#usda 1.0\n")
    z.zeros(b"big.usda", 1 << 30)
    return z.bytes()


@pytest.mark.parametrize(
    "content",
    [pytest.param(lambda: overlapping_bomb(64 * MIB, 500), id="overlapping"), pytest.param(usdz_with_a_gibibyte_layer, id="gibibyte-layer", marks=pytest.mark.slow)],
)
def test_usdz_bombs_go_to_the_importer_unopened(bridge, archive_server, content, request):
    # the USDZ road hands the file to the editor's USD importer as it is: the bridge opens nothing
    name = "trap_usdz_" + request.node.callspec.id.replace("-", "_")
    start, watch = import_archive(bridge, archive_server, name, content(), f"[MOLDARI] Done (USDZ): {name}", 60, ext="usdz")
    assert bridge.find("[MOLDARI] ImportAssetsAutomated returned 0 asset(s)", start)
    watch.assert_bounded(memory_mib=64, disk_mib=8)

# Last: it leaves 65,534 files in the project, which every later disk sample would walk.
@pytest.mark.slow
def test_65535_empty_entries_beside_a_model_are_copied_as_source(bridge, archive_server, cube):
    z = RawZip()
    z.entry(b"model.fbx", cube)
    for index in range(0xFFFF - 1):
        z.entry(b"empty/e%05d" % index, b"", 0)
    start, watch = import_archive(bridge, archive_server, "trap_empty_model", z.bytes(), "[MOLDARI] Done: trap_empty_model")
    source = bridge.project / "SourceArt" / "MOLDARIImports" / "trap_empty_model" / "empty"
    assert len(os.listdir(source)) == 0xFFFF - 1
    watch.assert_bounded(memory_mib=300, disk_mib=128)
