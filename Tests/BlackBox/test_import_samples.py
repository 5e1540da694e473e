"""The project's own sample archives (written by the build's moldari-sample-archives into
<build>/SampleArchives, for the demo page) import cleanly over HTTP: no warning, and the PBR
material built from each archive's metadata.json samples all three maps, compiles and goes to the
model's slot. What a whole import leaves on disk and in the level is tested once, in
test_import_local.py."""

import os
from pathlib import Path

import pytest

from bridge_client import EDITOR_BIN, queued_body, response_bytes
from import_client import IMPORT_DEADLINE, import_json, post_import, served_directory

pytestmark = pytest.mark.usefixtures("listening")

SAMPLES = Path(os.environ.get("SAMPLE_ARCHIVES", EDITOR_BIN.parent.parent / "SampleArchives"))
# name -> the material the model's FBX names, which metadata.json's first entry matches
SAMPLE_MATERIALS = {"SampleCrate": "CrateMaterial", "SampleBarrel": "BarrelMaterial", "SampleOrb": "OrbMaterial"}


@pytest.fixture(scope="module")
def sample_server():
    if not all((SAMPLES / f"{name}.zip").is_file() for name in SAMPLE_MATERIALS):
        pytest.fail(f"sample archives not built in {SAMPLES} (the build writes them)")
    with served_directory(SAMPLES) as base:
        yield base


@pytest.mark.parametrize("name", sorted(SAMPLE_MATERIALS))
def test_sample_archive_imports_with_its_pbr_material(listening, sample_server, name):
    start = listening.mark()
    reply = post_import(import_json(f"{sample_server}/{name}.zip", name))
    assert reply == response_bytes("HTTP/1.1 200 OK", queued_body(name))
    listening.wait_for(f"[MOLDARI] Done: {name}", start, IMPORT_DEADLINE)
    listening.wait_for(f"[MOLDARI] Created PBR material: M_{name}_PBR", start, 1)
    listening.wait_for(f"[MOLDARI] PBR material assigned to slot '{SAMPLE_MATERIALS[name]}'", start, 1)
    assert not listening.find("Warning: [MOLDARI]", start) and not listening.find("Error: [MOLDARI]", start), listening.output(start)

    folder = listening.project / "Content" / "MOLDARIImports" / name
    assert sorted(p.name for p in folder.glob("*.uasset")) == sorted([f"{name}.uasset", f"M_{name}_PBR.uasset"])
    assert len(sorted((folder / "Textures").glob("*.uasset"))) == 3

    # the material samples all three maps and compiles
    mark, _ = listening.command(f"materials /Game/MOLDARIImports/{name}/M_{name}_PBR")
    listening.wait_for("compile:", mark, 10)
    graph = listening.output(mark)
    assert "compile: OK" in graph, graph
    for link in ("BaseColor <- ", "Normal <- ", "Roughness <- ", "Metallic <- "):
        assert link in graph, graph
