// What the browser tests share: the headless editor and helper processes they start, waiting
// for their output, and the headless Chromium they drive. Loopback only.

import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

export const REPO_ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
export const EDITOR_BIN = process.env.HEADLESS_EDITOR || path.join(REPO_ROOT, 'build', 'bin', 'headless-editor');
export const LISTENING = '[MOLDARI] Listening on http://localhost:5325';
// The status document as the black-box and automation tests know it, with Linux's line ends.
const CASES = JSON.parse(fs.readFileSync(path.join(REPO_ROOT, 'Tests', 'bridge_cases.json'), 'utf8'));
export const STATUS_BODY = CASES.statusDocumentLines.join('\n');

// A child process whose standard output and error are collected as text.
export function startProcess(command, args) {
  const child = spawn(command, args, { stdio: ['pipe', 'pipe', 'pipe'] });
  let output = '';
  child.stdout.setEncoding('utf8');
  child.stderr.setEncoding('utf8');
  child.stdout.on('data', (d) => { output += d; });
  child.stderr.on('data', (d) => { output += d; });
  return { child, output: () => output };
}

// Resolves once `text` is in the process's output; fails on a time-out or when it exits first.
export function waitForText({ child, output }, text, timeoutMs) {
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => {
      child.stdout.off('data', check);
      reject(new Error(`"${text}" not seen within ${timeoutMs} ms; output:\n${output()}`));
    }, timeoutMs);
    function check() {
      if (output().includes(text)) {
        clearTimeout(timer);
        child.stdout.off('data', check);
        resolve();
      }
    }
    child.stdout.on('data', check);
    child.once('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`${child.spawnfile} exited (${code}) before "${text}"; output:\n${output()}`));
    });
    check();
  });
}

// The headless editor on `project` with the bridge switched on, once it listens.
export async function startBridgeEditor(project) {
  const editor = startProcess(EDITOR_BIN, ['--project', project, '--plugin', REPO_ROOT, '--press', 'MOLDARIToggle']);
  await waitForText(editor, LISTENING, 30000);
  return editor;
}

// SIGTERM, then SIGKILL if it has not gone after 10 s.
export async function stopProcess(child) {
  if (!child || child.exitCode !== null || child.signalCode !== null) return;
  const exited = new Promise((resolve) => child.once('exit', resolve));
  child.kill('SIGTERM');
  const timer = setTimeout(() => child.kill('SIGKILL'), 10000);
  await exited;
  clearTimeout(timer);
}

export function portAccepts(port) {
  return new Promise((resolve) => {
    const s = net.connect({ host: '127.0.0.1', port });
    s.setTimeout(500);
    s.once('connect', () => { s.destroy(); resolve(true); });
    s.once('error', () => resolve(false));
    s.once('timeout', () => { s.destroy(); resolve(false); });
  });
}

// Debian's Chromium, headless, with a profile of its own and no background traffic.
export function launchChromium(profileDir, extraArgs = []) {
  return chromium.launchPersistentContext(profileDir, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    timeout: 30000,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', ...extraArgs],
  });
}
