// The demo page as a user meets it: headless-editor with the bridge on, the demo server
// (Demo/serve.py) offering the sample archives on http://localhost:5173, headless Chromium
// clicking an asset. The import must finish in the editor. The same page served from another
// origin (http://127.0.0.1:5174) must not get an import through.
//
// Uses env HEADLESS_EDITOR (default build/bin/headless-editor); the sample archives are those
// the build wrote beside its bin folder (<build>/SampleArchives), or env SAMPLE_ARCHIVES.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const REPO_ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const EDITOR_BIN = process.env.HEADLESS_EDITOR || path.join(REPO_ROOT, 'build', 'bin', 'headless-editor');
const ARCHIVES = process.env.SAMPLE_ARCHIVES || path.join(path.dirname(path.dirname(EDITOR_BIN)), 'SampleArchives');
const LISTENING = '[MOLDARI] Listening on http://localhost:5325';
const IMPORT_TIMEOUT_MS = 90000;

const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'moldari-demo-'));
const project = path.join(tmp, 'DemoProject');
const children = [];
let editor;
let editorOutput = '';
let context;

function waitForText(child, getOutput, text, timeoutMs) {
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => {
      child.stdout.off('data', check);
      reject(new Error(`"${text}" not seen within ${timeoutMs} ms; output:\n${getOutput()}`));
    }, timeoutMs);
    function check() {
      if (getOutput().includes(text)) {
        clearTimeout(timer);
        child.stdout.off('data', check);
        resolve();
      }
    }
    child.stdout.on('data', check);
    child.once('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`${child.spawnfile} exited (${code}) before "${text}"; output:\n${getOutput()}`));
    });
    check();
  });
}

const waitForEditor = (text, timeoutMs) => waitForText(editor, () => editorOutput, text, timeoutMs);

function start(command, args) {
  const child = spawn(command, args, { stdio: ['pipe', 'pipe', 'pipe'] });
  let output = '';
  child.stdout.setEncoding('utf8');
  child.stderr.setEncoding('utf8');
  child.stdout.on('data', (d) => { output += d; });
  child.stderr.on('data', (d) => { output += d; });
  children.push(child);
  return { child, output: () => output };
}

function portAccepts(port) {
  return new Promise((resolve) => {
    const s = net.connect({ host: '127.0.0.1', port });
    s.setTimeout(500);
    s.once('connect', () => { s.destroy(); resolve(true); });
    s.once('error', () => resolve(false));
    s.once('timeout', () => { s.destroy(); resolve(false); });
  });
}

async function startDemoServer(port) {
  const server = start('python3', ['-u', path.join(REPO_ROOT, 'Demo', 'serve.py'), '--port', String(port), '--archives', ARCHIVES]);
  await waitForText(server.child, server.output, `Demo page: http://localhost:${port}/`, 10000);
}

// The editor's `actors` listing, through its console.
async function levelActors() {
  const from = editorOutput.length;
  editor.stdin.write('actors\n');
  await waitForEditor(' actor(s) in ', 10000);
  return editorOutput.slice(from);
}

before(async () => {
  assert.ok(fs.existsSync(EDITOR_BIN), `headless-editor not built: ${EDITOR_BIN}`);
  assert.ok(fs.existsSync(path.join(ARCHIVES, 'SampleCrate.zip')), `sample archives not built: ${ARCHIVES}`);
  for (const port of [5325, 5173, 5174]) {
    assert.equal(await portAccepts(port), false, `port ${port} is held by another process`);
  }
  const started = start(EDITOR_BIN, ['--project', project, '--plugin', REPO_ROOT, '--press', 'MOLDARIToggle']);
  editor = started.child;
  editor.stdout.on('data', (d) => { editorOutput += d; });
  editor.stderr.on('data', (d) => { editorOutput += d; });
  await waitForEditor(LISTENING, 30000);

  await startDemoServer(5173);
  await startDemoServer(5174);

  context = await chromium.launchPersistentContext(path.join(tmp, 'chromium-profile'), {
    executablePath: '/usr/bin/chromium',
    headless: true,
    timeout: 30000,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  if (context) await context.close().catch(() => {});
  for (const child of children.reverse()) {
    if (child.exitCode !== null || child.signalCode !== null) continue;
    const exited = new Promise((resolve) => child.once('exit', resolve));
    child.kill('SIGTERM');
    const timer = setTimeout(() => child.kill('SIGKILL'), 10000);
    await exited;
    clearTimeout(timer);
  }
  fs.rmSync(tmp, { recursive: true, force: true });
});

async function openDemo(origin) {
  const page = await context.newPage();
  page.setDefaultTimeout(15000);
  await page.goto(`${origin}/`, { waitUntil: 'load' });
  await page.locator('#archives li').first().waitFor();
  return page;
}

test('the demo page on http://localhost:5173 imports the clicked asset', { timeout: 120000 }, async () => {
  const page = await openDemo('http://localhost:5173');
  try {
    const bridge = page.locator('#bridge');
    await page.waitForFunction(() => document.getElementById('bridge').dataset.state !== 'unknown');
    assert.equal(await bridge.getAttribute('data-state'), 'on', await bridge.textContent());
    assert.match(await bridge.textContent(), /Bridge on: unreal 5\.5 \(running\)/);
    assert.deepEqual(await page.locator('#archives li').evaluateAll((items) => items.map((li) => li.dataset.name)),
      ['SampleBarrel', 'SampleCrate', 'SampleOrb']);

    const item = page.locator('#archives li[data-name="SampleCrate"]');
    await item.locator('button').click();
    await item.locator('.reply', { hasText: 'queued' }).waitFor();
    assert.equal(await item.locator('.reply').textContent(), 'queued: SampleCrate');
  } finally {
    await page.close();
  }

  await waitForEditor('[MOLDARI] /import received: name=SampleCrate url=http://localhost:5173/archives/SampleCrate.zip', 5000);
  await waitForEditor('[MOLDARI] Done: SampleCrate', IMPORT_TIMEOUT_MS);
  // the material came from the archive's metadata.json and replaced the FBX importer's
  assert.match(editorOutput, /\[MOLDARI\] Created PBR material: M_SampleCrate_PBR/);
  assert.match(editorOutput, /\[MOLDARI\] PBR material assigned to slot 'CrateMaterial'/);
  const folder = path.join(project, 'Content', 'MOLDARIImports', 'SampleCrate');
  for (const file of ['M_SampleCrate_PBR.uasset', 'Source/SampleCrate.fbx', 'Source/metadata.json',
    'Source/textures/crate_basecolor.png']) {
    assert.ok(fs.existsSync(path.join(folder, file)), `${file} missing under ${folder}`);
  }
  assert.match(await levelActors(), /^SampleCrate {2}StaticMeshActor {2}mesh=\/Game\/MOLDARIImports\/SampleCrate\//m);
});

test('the same page from http://127.0.0.1:5174 gets no import', { timeout: 60000 }, async () => {
  const from = editorOutput.length;
  const page = await openDemo('http://127.0.0.1:5174');
  try {
    await page.waitForFunction(() => document.getElementById('bridge').dataset.state !== 'unknown');
    assert.equal(await page.locator('#bridge').getAttribute('data-state'), 'off');

    const item = page.locator('#archives li[data-name="SampleOrb"]');
    await item.locator('button').click();
    await item.locator('.reply.error').waitFor();
    assert.doesNotMatch(await item.locator('.reply').textContent(), /queued/);
  } finally {
    await page.close();
  }
  // give a request that slipped through the time to show
  await new Promise((resolve) => setTimeout(resolve, 2000));
  const after = editorOutput.slice(from);
  assert.doesNotMatch(after, /\/import received/);
  assert.doesNotMatch(after, /Done: SampleOrb/);
  assert.ok(!fs.existsSync(path.join(project, 'Content', 'MOLDARIImports', 'SampleOrb')));
});
