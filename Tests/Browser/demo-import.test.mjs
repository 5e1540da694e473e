// The demo page as a user meets it: headless-editor with the bridge on, the demo server
// (Demo/serve.py) offering the sample archives on http://localhost:5173, headless Chromium
// clicking an asset. The import must finish in the editor. The same page served from another
// origin (http://127.0.0.1:5174) must not get an import through.
//
// Uses env HEADLESS_EDITOR (default build/bin/headless-editor); the sample archives are those
// the build wrote beside its bin folder (<build>/SampleArchives), or env SAMPLE_ARCHIVES.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  REPO_ROOT, EDITOR_BIN, startProcess, waitForText, startBridgeEditor, stopProcess, portAccepts, launchChromium,
} from './support.mjs';

const SAMPLES = process.env.SAMPLE_ARCHIVES || path.join(path.dirname(path.dirname(EDITOR_BIN)), 'SampleArchives');
const IMPORT_TIMEOUT_MS = 90000;

const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'moldari-demo-'));
const project = path.join(tmp, 'DemoProject');
const demoServers = [];
let editor;
let context;

const editorOutput = () => editor.output();
const waitForEditor = (text, timeoutMs) => waitForText(editor, text, timeoutMs);

async function startDemoServer(port) {
  const server = startProcess('python3', ['-u', path.join(REPO_ROOT, 'Demo', 'serve.py'), '--port', String(port), '--archives', SAMPLES]);
  demoServers.push(server.child);
  await waitForText(server, `Demo page: http://localhost:${port}/`, 10000);
}

// The line of the editor's `notifications` listing that shows the notification with this text.
async function notificationLine(text) {
  const from = editorOutput().length;
  editor.child.stdin.write('notifications\n');
  const marker = `] ${text} |`;
  await waitForText({ child: editor.child, output: () => editorOutput().slice(from) }, marker, 10000);
  return editorOutput().slice(from).split('\n').find((line) => line.includes(marker)).replace(/^.*?(\d+\. \[)/, '$1');
}

before(async () => {
  assert.ok(fs.existsSync(EDITOR_BIN), `headless-editor not built: ${EDITOR_BIN}`);
  for (const sample of ['SampleCrate.zip', 'BrokenNoModel.zip']) {
    assert.ok(fs.existsSync(path.join(SAMPLES, sample)), `sample archives not built: ${SAMPLES}`);
  }
  for (const port of [5325, 5173, 5174]) {
    assert.equal(await portAccepts(port), false, `port ${port} is held by another process`);
  }
  editor = await startBridgeEditor(project);
  await startDemoServer(5173);
  await startDemoServer(5174);
  context = await launchChromium(path.join(tmp, 'chromium-profile'));
});

after(async () => {
  if (context) await context.close().catch(() => {});
  for (const child of demoServers) await stopProcess(child);
  if (editor) await stopProcess(editor.child);
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
      ['BrokenNoModel', 'SampleBarrel', 'SampleCrate', 'SampleOrb']);

    const item = page.locator('#archives li[data-name="SampleCrate"]');
    await item.locator('button').click();
    await item.locator('.reply', { hasText: 'queued' }).waitFor();
    assert.equal(await item.locator('.reply').textContent(), 'queued: SampleCrate');
    // the page follows the job to its end and lists what the import made
    const done = item.locator('.job.done');
    await done.waitFor({ timeout: IMPORT_TIMEOUT_MS });
    const made = await done.textContent();
    assert.match(made, /mesh\(es\) \/Game\/MOLDARIImports\/SampleCrate\//);
    assert.match(made, /material \/Game\/MOLDARIImports\/SampleCrate\/M_SampleCrate_PBR/);
    assert.match(made, /actor\(s\) SampleCrate;/);
  } finally {
    await page.close();
  }

  await waitForEditor('[MOLDARI] /import received: name=SampleCrate url=http://localhost:5173/archives/SampleCrate.zip', 5000);
  await waitForEditor('[MOLDARI] Done: SampleCrate', IMPORT_TIMEOUT_MS);
  // what the import made on disk and in the level is the black-box tests' (test_import_samples.py)
  // the editor's notification, whose link shows the new assets in the Content Browser
  const listing = await notificationLine('Imported SampleCrate');
  assert.match(listing, /\| link "Show in Content Browser"/);
  editor.child.stdin.write(`notifications click ${listing.match(/^(\d+)\./)[1]}\n`);
  await waitForEditor('Content Browser: showing ', 10000);
  assert.match(editorOutput(), /Content Browser: showing \d+ asset\(s\): .*\/Game\/MOLDARIImports\/SampleCrate\/M_SampleCrate_PBR/);
});

test('an archive without a model ends on the page with the reason', { timeout: 120000 }, async () => {
  const page = await openDemo('http://localhost:5173');
  try {
    const item = page.locator('#archives li[data-name="BrokenNoModel"]');
    await item.locator('button').click();
    await item.locator('.reply', { hasText: 'queued' }).waitFor();
    const failed = item.locator('.job.failed');
    await failed.waitFor({ timeout: IMPORT_TIMEOUT_MS });
    assert.equal(await failed.textContent(), 'Failed: No .fbx found in ZIP');
  } finally {
    await page.close();
  }
  // and the editor says so in a notification in the failed style, without a link
  const listing = await notificationLine('Import of BrokenNoModel failed: No .fbx found in ZIP');
  assert.doesNotMatch(listing, /\| link/);
  assert.match(editorOutput(), /Notification 'Import of BrokenNoModel failed: No \.fbx found in ZIP' is now Fail/);
});

test('the same page from http://127.0.0.1:5174 gets no import', { timeout: 60000 }, async () => {
  const from = editorOutput().length;
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
  const after = editorOutput().slice(from);
  assert.doesNotMatch(after, /\/import received/);
  assert.doesNotMatch(after, /Done: SampleOrb/);
  assert.ok(!fs.existsSync(path.join(project, 'Content', 'MOLDARIImports', 'SampleOrb')));
});
