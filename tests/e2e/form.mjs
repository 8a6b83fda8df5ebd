// Browser end to end: serve a copy of the web root with lighttpd on a free loopback port,
// fill in the form in headless Chromium, submit, and check the page and its picture.
// Usage: node form.mjs BUILD_DIR   (exit 0 when every check holds)
import { spawn } from 'node:child_process';
import { cpSync, mkdtempSync, rmSync, mkdirSync } from 'node:fs';
import { createServer, connect } from 'node:net';
import { tmpdir } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = dirname(fileURLToPath(import.meta.url));
const top = resolve(here, '..', '..');
const build = resolve(process.argv[2] ?? join(top, 'build'));
const security = process.env.E2E_SECURITY ?? 'IBM Corp';
const zone = process.env.E2E_ZONE ?? 'EST';

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

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok' : 'FAIL'}: ${what}`);
  if (!ok) failures.push(what);
}

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
  console.error('e2e: gave up after 120 s');
  await stopAll();
  process.exit(1);
}, 120000);

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
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${port}/`);

  const name = page.locator('[name="D3_NATAL_DATA_TOWNS"]');
  if ((await name.evaluate((e) => e.tagName)) === 'SELECT') await name.selectOption(security);
  else await name.fill(security);
  await page.locator('select[name="TRS_TZ"]').selectOption(zone);
  // The form page is already loaded, so waiting for 'load' alone can return before the
  // submission navigates: wait for the answer's own address.
  await Promise.all([
    page.waitForURL(/\/Exe\/srv_stock_dyn\?/, { waitUntil: 'load' }),
    page.locator('form').evaluate((f) => f.submit()),
  ]);

  const text = await page.locator('body').innerText();
  check(text.includes(`Instrument:${security}`), `the page names the instrument "${security}"`);
  const img = page.locator('img');
  await img.evaluate((e) => e.complete || new Promise((r) => { e.onload = e.onerror = r; }));
  const size = await img.evaluate((e) => [e.naturalWidth, e.naturalHeight]);
  check(size[0] === 600 && size[1] === 350, `the picture loaded as 600x350 (got ${size.join('x')})`);

  mkdirSync(build, { recursive: true });
  await page.screenshot({ path: join(build, 'e2e-forecast.png'), fullPage: true });
  console.log(`screenshot: ${join(build, 'e2e-forecast.png')}`);
} catch (e) {
  failures.push(String(e));
  console.error(e);
} finally {
  clearTimeout(watchdog);
  await stopAll();
}
process.exit(failures.length ? 1 : 0);
