// A real browser against the bridge: a page from the allowed development origin
// (http://localhost:5173) may read /status and pass the pre-flight of a JSON POST; the same
// page from another origin (http://localhost:5174) is refused by the browser.
//
// Starts its own headless-editor (env HEADLESS_EDITOR, default build/bin/headless-editor) on a
// fresh project with the toggle pressed, and two tiny page servers. Only loopback is used.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const REPO_ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const EDITOR_BIN = process.env.HEADLESS_EDITOR || path.join(REPO_ROOT, 'build', 'bin', 'headless-editor');
const LISTENING = '[MOLDARI] Listening on http://localhost:5325';
const STATUS_BODY = '{\r\n\t"dcc": "unreal",\r\n\t"version": "5.5",\r\n\t"status": "running"\r\n}';
const QUEUED_BODY = '{\r\n\t"status": "queued",\r\n\t"name": "Chair"\r\n}';

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
let editorOutput = '';
const pageServers = [];
let context;

function waitForOutput(text, timeoutMs) {
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => {
      editor.stdout.off('data', check);
      reject(new Error(`"${text}" not seen within ${timeoutMs} ms; output:\n${editorOutput}`));
    }, timeoutMs);
    function check() {
      if (editorOutput.includes(text)) {
        clearTimeout(timer);
        editor.stdout.off('data', check);
        resolve();
      }
    }
    editor.stdout.on('data', check);
    editor.once('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`headless-editor exited (${code}) before "${text}"; output:\n${editorOutput}`));
    });
    check();
  });
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
  editor = spawn(EDITOR_BIN, ['--project', path.join(tmp, 'BrowserProject'), '--plugin', REPO_ROOT,
    '--press', 'MOLDARIToggle'], { stdio: ['pipe', 'pipe', 'pipe'] });
  editor.stdout.setEncoding('utf8');
  editor.stderr.setEncoding('utf8');
  editor.stdout.on('data', (d) => { editorOutput += d; });
  editor.stderr.on('data', (d) => { editorOutput += d; });
  await waitForOutput(LISTENING, 30000);

  await servePage(5173);
  await servePage(5174);

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
  for (const s of pageServers) s.close();
  if (editor && editor.exitCode === null) {
    const exited = new Promise((resolve) => editor.once('exit', resolve));
    editor.kill('SIGTERM');
    const timer = setTimeout(() => editor.kill('SIGKILL'), 10000);
    await exited;
    clearTimeout(timer);
  }
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
  const body = await new Promise((resolve, reject) => {
    const req = http.get({ host: '127.0.0.1', port: 5325, path: '/status', timeout: 5000 }, (res) => {
      let data = '';
      res.setEncoding('utf8');
      res.on('data', (d) => { data += d; });
      res.on('end', () => resolve(data));
    });
    req.on('timeout', () => req.destroy(new Error('timeout')));
    req.on('error', reject);
  });
  assert.equal(body, STATUS_BODY);
});
