// What an import leaves in the level, seen in a real renderer: headless-editor imports a model,
// places it and writes the level as binary glTF (`export-level`); headless Chromium loads that file
// with three.js's GLTFLoader, renders it with software WebGL and the picture must show the model.
//
// Uses env HEADLESS_EDITOR (default build/bin/headless-editor) and the FBX test data in
// ../shared/testdata. Only loopback is used, on a port the system picks.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { REPO_ROOT, EDITOR_BIN, startProcess, launchChromium } from './support.mjs';

const MODEL = path.resolve(REPO_ROOT, '..', 'shared', 'testdata', 'fbx', 'assimp-spider.fbx');
const SPIDER_MESHES = ['HLeib01', 'Brust', 'Kopf', 'Kopf2', 'Auge', 'OK', 'Zahn', 'Zahn2', 'klZahn', 'klZahn2', 'Duplicate05',
  'Bein1Li', 'Bein1Re', 'Bein2Li', 'Bein2Re', 'Bein3Li', 'Bein3Re', 'Bein4Li', 'Bein4Re'];
const THREE_DIR = path.join(REPO_ROOT, 'Tests', 'Browser', 'node_modules', 'three');
const WIDTH = 320;
const HEIGHT = 240;
// The share of the picture the model must cover for the render to count as not empty.
const MIN_COVERED_SHARE = 0.01;

const PAGE = `<!doctype html>
<html><head><meta charset="utf-8"><title>level viewer</title>
<script type="importmap">{ "imports": { "three": "/three/build/three.module.js", "three/addons/": "/three/examples/jsm/" } }</script>
</head><body style="margin:0"><canvas id="view" width="${WIDTH}" height="${HEIGHT}"></canvas>
<script type="module">
  import * as THREE from 'three';
  import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
  window.result = new Promise((resolve) => {
    try {
      const canvas = document.getElementById('view');
      const renderer = new THREE.WebGLRenderer({ canvas, preserveDrawingBuffer: true });
      renderer.setSize(${WIDTH}, ${HEIGHT}, false);
      const scene = new THREE.Scene();
      scene.background = new THREE.Color(0x000000);
      scene.add(new THREE.AmbientLight(0xffffff, 1.5));
      const sun = new THREE.DirectionalLight(0xffffff, 2);
      sun.position.set(1, 2, 3);
      scene.add(sun);
      new GLTFLoader().load('/level.glb', (gltf) => {
        scene.add(gltf.scene);
        const box = new THREE.Box3().setFromObject(gltf.scene);
        const size = box.getSize(new THREE.Vector3()).length() || 1;
        const center = box.getCenter(new THREE.Vector3());
        const camera = new THREE.PerspectiveCamera(45, ${WIDTH} / ${HEIGHT}, size / 100, size * 100);
        camera.position.copy(center).add(new THREE.Vector3(size * 0.6, size * 0.45, size * 0.6));
        camera.lookAt(center);
        renderer.render(scene, camera);
        let meshes = 0;
        const materials = new Set();
        gltf.scene.traverse((o) => { if (o.isMesh) { meshes++; materials.add(o.material.name); } });
        const gl = renderer.getContext();
        const pixels = new Uint8Array(${WIDTH} * ${HEIGHT} * 4);
        gl.readPixels(0, 0, ${WIDTH}, ${HEIGHT}, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
        let covered = 0;
        for (let i = 0; i < pixels.length; i += 4) { if (pixels[i] + pixels[i + 1] + pixels[i + 2] > 24) covered++; }
        resolve({ meshes, materials: [...materials].sort(), nodes: gltf.scene.children.map((c) => c.name), covered, total: ${WIDTH} * ${HEIGHT} });
      }, undefined, (error) => resolve({ error: String(error && error.message || error) }));
    } catch (error) {
      resolve({ error: String(error && error.message || error) });
    }
  });
</script></body></html>`;

const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'moldari-gltf-'));
const glbPath = path.join(tmp, 'level.glb');
let server;
let baseUrl;
let context;
let editor;
const editorOutput = () => editor.output();

// Runs the editor with console lines on its standard input until it quits.
function runEditor(lines, timeoutMs) {
  editor = startProcess(EDITOR_BIN, ['--project', path.join(tmp, 'Project')]);
  editor.child.stdin.end(lines.join('\n') + '\n');
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => { editor.child.kill('SIGKILL'); reject(new Error(`editor did not finish in ${timeoutMs} ms:\n${editorOutput()}`)); }, timeoutMs);
    editor.child.on('close', (code) => { clearTimeout(timer); resolve(code); });
  });
}

const CONTENT_TYPES = { '.js': 'text/javascript', '.glb': 'model/gltf-binary' };

before(async () => {
  assert.ok(fs.existsSync(MODEL), `test model missing: ${MODEL}`);
  const code = await runEditor([
    `import ${MODEL} /Game/Spider`,
    // the importer makes one mesh per mesh node: the spider is all of them
    ...SPIDER_MESHES.map((mesh, index) => `place /Game/Spider/${mesh} ${index ? `Spider_${index}` : 'Spider'}`),
    'actors',
    `export-level ${glbPath}`,
    'quit',
  ], 60000);
  assert.equal(code, 0, editorOutput());

  server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://localhost');
    let file = null;
    if (url.pathname === '/') { res.writeHead(200, { 'Content-Type': 'text/html' }); res.end(PAGE); return; }
    if (url.pathname === '/level.glb') file = glbPath;
    else if (url.pathname.startsWith('/three/')) {
      const candidate = path.resolve(THREE_DIR, '.' + decodeURIComponent(url.pathname.slice('/three'.length)));
      if (candidate.startsWith(THREE_DIR + path.sep)) file = candidate;
    }
    if (!file || !fs.existsSync(file) || !fs.statSync(file).isFile()) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { 'Content-Type': CONTENT_TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  baseUrl = `http://127.0.0.1:${server.address().port}`;

  // WebGL without a GPU: Chromium's software renderer.
  context = await launchChromium(path.join(tmp, 'chromium-profile'),
    ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist']);
});

after(async () => {
  if (context) await context.close().catch(() => {});
  if (server) server.close();
  fs.rmSync(tmp, { recursive: true, force: true });
});

test('the exported level loads in three.js and renders the placed model', async () => {
  assert.match(editorOutput(), /Spider {2}StaticMeshActor {2}mesh=\/Game\/Spider\/HLeib01\.HLeib01 {2}location=\(0, 0, 0\)/);
  assert.match(editorOutput(), new RegExp(`level\\.glb: ${SPIDER_MESHES.length} node\\(s\\), \\d+ mesh\\(es\\)`));
  const page = await context.newPage();
  try {
    page.setDefaultTimeout(30000);
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    await page.goto(`${baseUrl}/`, { waitUntil: 'load' });
    const result = await page.evaluate(() => window.result);
    assert.equal(result.error, undefined, `${result.error}; page errors: ${errors.join('; ')}`);
    assert.deepEqual(result.nodes, ['Level']);
    assert.ok(result.meshes >= 1, JSON.stringify(result));
    assert.ok(result.materials.includes('Skin'), JSON.stringify(result));
    assert.ok(result.covered >= result.total * MIN_COVERED_SHARE,
      `the model covers ${result.covered} of ${result.total} pixels`);
  } finally {
    await page.close();
  }
});
