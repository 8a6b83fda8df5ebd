// What the browser tests share: a copy of the built web root served by scripts/serve on a free
// loopback port, Debian's Chromium with a fresh profile, and the check list.
import { spawn } from 'node:child_process';
import { cpSync, mkdtempSync, rmSync } from 'node:fs';
import { createServer, connect } from 'node:net';
import { tmpdir } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

export const top = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');

function freePort() {
  return new Promise((ok, fail) => {
    const s = createServer();
    s.once('error', fail);
    s.listen(0, '127.0.0.1', () => { const { port } = s.address(); s.close(() => ok(port)); });
  });
}

async function waitForPort(port, ms) {
  const until = Date.now() + ms;
  while (Date.now() < until) {
    const up = await new Promise((ok) => {
      const c = connect(port, '127.0.0.1', () => { c.destroy(); ok(true); });
      c.once('error', () => ok(false));
    });
    if (up) return;
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error(`server did not listen on ${port} within ${ms} ms`);
}

export const failures = [];
export function check(ok, what) {
  console.log(`${ok ? 'ok' : 'FAIL'}: ${what}`);
  if (!ok) failures.push(what);
}

// Runs body({ browser, base }) against a served copy of build/www; exits 0 when every check
// held. The whole run is bounded by `limitMs`.
export async function withServedBrowser(build, body, limitMs = 120000) {
  const work = mkdtempSync(join(tmpdir(), 'stockdyn-e2e-'));
  const www = join(work, 'www');
  cpSync(join(build, 'www'), www, { recursive: true });
  const port = await freePort();
  const server = spawn(join(top, 'scripts', 'serve'), [www, String(port)], {
    stdio: ['ignore', 'inherit', 'inherit'], detached: true,
  });
  let browser;
  const stopAll = async () => {
    if (browser) await browser.close().catch(() => {});
    try { process.kill(-server.pid, 'SIGTERM'); } catch {}
    rmSync(work, { recursive: true, force: true });
  };
  const watchdog = setTimeout(async () => {
    console.error(`e2e: gave up after ${limitMs / 1000} s`);
    await stopAll();
    process.exit(1);
  }, limitMs);
  try {
    await waitForPort(port, 15000);
    // A fresh profile directory per run: nothing of an earlier run reaches this one.
    browser = await chromium.launchPersistentContext(join(work, 'profile'), {
      executablePath: '/usr/bin/chromium',
      headless: true,
      viewport: { width: 900, height: 700 },
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    await body({ browser, base: `http://127.0.0.1:${port}` });
  } catch (e) {
    failures.push(String(e));
    console.error(e);
  } finally {
    clearTimeout(watchdog);
    await stopAll();
  }
  process.exit(failures.length ? 1 : 0);
}
