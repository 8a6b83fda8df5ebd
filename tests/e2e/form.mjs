// Browser end to end: serve a copy of the web root with lighttpd on a free loopback port,
// fill in the form in headless Chromium, submit, and check the page and its picture.
// Usage: node form.mjs BUILD_DIR   (exit 0 when every check holds)
import { mkdirSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { check, top, withServedBrowser } from './serve.mjs';

const build = resolve(process.argv[2] ?? join(top, 'build'));
const security = process.env.E2E_SECURITY ?? 'IBM Corp';
const zone = process.env.E2E_ZONE ?? 'EST';

await withServedBrowser(build, async ({ browser, base }) => {
  const page = await browser.newPage();
  await page.goto(`${base}/`);

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
});
