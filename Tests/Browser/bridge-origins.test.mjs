// A real browser against the bridge: a page from the allowed development origin
// (http://localhost:5173) may read /status and pass the pre-flight of a JSON POST; the same
// page from another origin (http://localhost:5174) is refused by the browser.
//
// Starts its own headless-editor (env HEADLESS_EDITOR, default build/bin/headless-editor) on a
// fresh project with the toggle pressed, and two tiny page servers. Only loopback is used.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { EDITOR_BIN, STATUS_BODY, startBridgeEditor, stopProcess, portAccepts, launchChromium } from './support.mjs';

const QUEUED_BODY = '{\n\t"status": "queued",\n\t"name": "Chair"\n}';

const PAGE = `<!doctype html>
<html><head><meta charset="utf-8"><title>bridge probe</title></head>
<body><script>
  async function attempt(run) {
    try {
      const r = await run();
      return { ok: true, status: r.status, type: r.headers.get('content-type'), body: await r.text() };
    } catch (e) {
      return { ok: false, error: String(e) };
    }
  }
  window.probe = async () => ({
    status: await attempt(() => fetch('http://localhost:5325/status', { cache: 'no-store' })),
    post: await attempt(() => fetch('http://localhost:5325/import', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ url: 'https://example.invalid/chair.zip', name: 'Chair' }),
    })),
  });
</script></body></html>`;

const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'moldari-browser-'));
let editor;
const pageServers = [];
let context;

function servePage(port) {
  const server = http.createServer((req, res) => {
    res.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8', 'Cache-Control': 'no-store' });
    res.end(PAGE);
  });
  pageServers.push(server);
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', resolve);
  });
}

before(async () => {
  assert.ok(fs.existsSync(EDITOR_BIN), `headless-editor not built: ${EDITOR_BIN}`);
  assert.equal(await portAccepts(5325), false, 'port 5325 is held by another process');
  editor = await startBridgeEditor(path.join(tmp, 'BrowserProject'));
  await servePage(5173);
  await servePage(5174);
  context = await launchChromium(path.join(tmp, 'chromium-profile'));
});

after(async () => {
  if (context) await context.close().catch(() => {});
  for (const s of pageServers) s.close();
  if (editor) await stopProcess(editor.child);
  fs.rmSync(tmp, { recursive: true, force: true });
});

async function probeFrom(origin) {
  const page = await context.newPage();
  try {
    page.setDefaultTimeout(15000);
    await page.goto(`${origin}/`, { waitUntil: 'load' });
    return await page.evaluate(() => window.probe());
  } finally {
    await page.close();
  }
}

test('page from http://localhost:5173 reads /status and passes the pre-flight', { timeout: 60000 }, async () => {
  const r = await probeFrom('http://localhost:5173');
  assert.deepEqual(r.status, { ok: true, status: 200, type: 'application/json', body: STATUS_BODY });
  // the JSON POST needs a pre-flight; the queued reply is readable by the page
  assert.deepEqual(r.post, { ok: true, status: 200, type: 'application/json', body: QUEUED_BODY });
});

test('page from http://localhost:5174 is refused by the browser', { timeout: 60000 }, async () => {
  const r = await probeFrom('http://localhost:5174');
  assert.equal(r.status.ok, false, `status fetch was allowed: ${JSON.stringify(r.status)}`);
  assert.match(r.status.error, /TypeError/);
  assert.equal(r.post.ok, false, `POST was allowed: ${JSON.stringify(r.post)}`);
  assert.match(r.post.error, /TypeError/);
});

test('editor keeps serving after the browser', { timeout: 30000 }, async () => {
  const res = await fetch('http://127.0.0.1:5325/status', { signal: AbortSignal.timeout(5000) });
  assert.equal(await res.text(), STATUS_BODY);
});
