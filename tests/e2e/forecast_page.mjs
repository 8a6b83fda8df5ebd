// Browser end to end of the trader's page: choose a security by filtering the list, see the
// curve, hover a point for its contributions, follow the CSV link, open a shared address, and
// read the page on a phone-sized window.
// Usage: node forecast_page.mjs BUILD_DIR   (exit 0 when every check holds)
import { execFileSync } from 'node:child_process';
import { join, resolve } from 'node:path';
import { check, top, withServedBrowser } from './serve.mjs';

const build = resolve(process.argv[2] ?? join(top, 'build'));
const security = 'IBM Corp';
const date = '2026-03-20';

// What the command-line tool writes for the same forecast.
const expectedCsv = execFileSync(join(build, 'stockdyn'),
  ['forecast', '--security', security, '--zone', 'EST', '--date', date, '--format', 'csv'],
  { encoding: 'utf8' });

async function curveShown(page) {
  await page.locator('#chart circle.point').first().waitFor({ timeout: 60000 });
  return page.locator('#chart circle.point').count();
}

await withServedBrowser(build, async ({ browser, base }) => {
  const page = await browser.newPage();
  await page.goto(`${base}/index.html`);
  await page.locator('a[href="forecast.html"]').click();
  await page.waitForURL(/forecast\.html$/);

  // Typing filters the list; only listed names can be chosen.
  const options = page.locator('#security option');
  await options.first().waitFor({ state: 'attached' });
  const all = await options.count();
  await page.locator('#security-filter').fill('ibm');
  const filtered = await options.allTextContents();
  check(filtered.includes(security) && filtered.length < all,
    `typing "ibm" leaves ${filtered.length} of ${all} names, ${security} among them`);
  await page.locator('#security').selectOption(security);
  const zoneLabels = await page.locator('#zone optgroup[label="Fixed offsets"] option').allTextContents();
  check(zoneLabels.includes('EST (UTC-05:00)') && zoneLabels.length === 25, 'the zone list shows 25 zones with offsets');
  await page.locator('#zone').selectOption('EST');
  await page.locator('#date').fill(date);
  await page.locator('#show').click();

  const points = await curveShown(page);
  check(points === 41, `the curve has 41 points (got ${points})`);
  check(await page.locator('#chart line.zero-line').count() === 1, 'the chart has a zero line');
  check(await page.locator('#chart polygon.band').count() === 1, 'the first-trade band is drawn');
  check(await page.locator('#chart rect.weekend').count() > 0, 'weekends are shaded');
  check(/not a price/i.test(await page.locator('#legend').innerText()), 'the legend says the value is not a price');
  check(page.url().endsWith(`forecast.html?security=IBM+Corp&zone=EST&date=${date}`), `the address names the forecast (${page.url()})`);

  // Hovering a point shows its moment, value and the events behind it.
  const dot = page.locator('#chart circle.point').nth(10);
  const box = await dot.boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  const tip = page.locator('#tip');
  await tip.waitFor({ state: 'visible', timeout: 5000 });
  const tipText = await tip.innerText();
  const items = await tip.locator('li').count();
  check(tipText.includes('2026-03-25 00:00 EST') && items > 0 && !/no event/.test(tipText),
    `hovering point 10 shows its moment and ${items} contributions: ${JSON.stringify(tipText)}`);

  // The wheel beside the curve follows the pointer: natal inside, that moment's transits outside.
  await page.waitForFunction(() => {
    const img = document.getElementById('wheel-img');
    return img.dataset.index === '10' && img.complete && img.naturalWidth > 0;
  }, null, { timeout: 30000 });
  const caption = await page.locator('#wheel-caption').innerText();
  check(caption.includes('2026-03-25 00:00 EST') && caption.includes('House system: PLACIDUS'),
    `the wheel's caption names the moment under the pointer and the house system: ${JSON.stringify(caption)}`);
  const wheelHref = await page.locator('#wheel-link').getAttribute('href');
  const wheelSvg = await (await page.request.get(new URL(wheelHref, page.url()).href)).text();
  const sky = JSON.parse(execFileSync(join(build, 'stockdyn'),
    ['chart', '--date', '2026-03-25', '--time', '00:00', '--zone', 'EST', '--lat', '0', '--lon', '0', '--transit'],
    { encoding: 'utf8' })).objects;
  const transitSun = /data-body="0" data-ring="transit" data-longitude="([^"]+)"/.exec(wheelSvg);
  check(transitSun && Number(transitSun[1]) === sky[0].longitude &&
    (wheelSvg.match(/data-ring="transit"/g) || []).length === 11,
    `the wheel shown has the eleven transits of that moment, the Sun at the tool's ${sky[0].longitude}`);
  // On along the curve: the wheel moves with the pointer to point 30's moment.
  const csvLocal = (i) => expectedCsv.trim().split('\n')[i + 1].split(',')[2];
  const later = await page.locator('#chart circle.point').nth(30).boundingBox();
  await page.mouse.move(later.x + later.width / 2, later.y + later.height / 2);
  await page.waitForFunction(() => {
    const img = document.getElementById('wheel-img');
    return img.dataset.index === '30' && img.complete && img.naturalWidth > 0;
  }, null, { timeout: 30000 });
  const laterCaption = await page.locator('#wheel-caption').innerText();
  const laterHref = await page.locator('#wheel-link').getAttribute('href');
  check(laterCaption.includes(`${csvLocal(30)} EST`) && laterHref !== wheelHref &&
    new URL(laterHref, page.url()).searchParams.get('date') === csvLocal(30).split(' ')[0],
    `moving to point 30 shows the wheel of ${csvLocal(30)}: ${JSON.stringify(laterCaption)}`);
  check(await page.locator('#events tbody tr').count() > 0, 'the largest contributions are listed under the curve');
  const listed = (await (await page.request.get(`${base}/Exe/srv_stock_api/securities`)).json())
    .securities.find((s) => s.name === security);
  check((await page.locator('#natal').innerText()).includes(listed.first_trade.date), 'the first-trade data are shown');

  // The window's events: listed under the curve, marked on the time axis, named on hover.
  const toolEvents = JSON.parse(execFileSync(join(build, 'stockdyn'),
    ['events', '--security', security, '--zone', 'EST', '--date', date, '--format', 'json'],
    { encoding: 'utf8' })).events;
  const listedEvents = toolEvents.filter((e) => e.type !== 'aspect' || e.sections.length > 0);
  const marks = page.locator('#chart .event-mark');
  const rows = await page.locator('#timeline tbody tr').allInnerTexts();
  check(listedEvents.length > 0 && await marks.count() === listedEvents.length && rows.length === listedEvents.length,
    `every event that drives a section or marks the sky has a row and a mark (${listedEvents.length} events, ` +
    `${await marks.count()} marks, ${rows.length} rows)`);
  const fullMoon = toolEvents.find((e) => e.type === 'lunation' && e.aspect === 180);
  check(rows.some((r) => r.startsWith(fullMoon.local) && r.includes('Full Moon in Libra')),
    `the Full Moon (${fullMoon.local} EST) is listed`);
  const driving = listedEvents.find((e) => e.sections.length > 0);
  check(rows.some((r) => r.startsWith(driving.local) && r.includes(driving.titles[0]) && r.includes(driving.sections[0])),
    `the row of ${driving.local} names the section it drives by its title and id (${driving.titles[0]}, ${driving.sections[0]})`);
  const topRow = await page.locator('#events tbody tr').first().innerText();
  const topTitled = JSON.parse(execFileSync(join(build, 'stockdyn'),
    ['forecast', '--security', security, '--zone', 'EST', '--date', date, '--explain'], { encoding: 'utf8' }))
    .rows.flatMap((r) => r.contributions).find((c) => topRow.includes(c.section));
  check(topTitled && topRow.includes(topTitled.title),
    `the largest contributions are named by their titles: ${JSON.stringify(topRow)}`);
  check((await page.locator('#timeline-rest summary').innerText()).includes(String(toolEvents.length - listedEvents.length)),
    'the aspects that drive nothing are counted, folded away');
  const fullMoonMark = page.locator('#chart .event-mark.lunation');
  check(await fullMoonMark.count() === 1, 'the Full Moon has its mark');
  const markTitle = await fullMoonMark.locator('title').textContent();
  const markBox = await fullMoonMark.boundingBox();
  await page.mouse.move(markBox.x + markBox.width / 2, markBox.y + 3);
  await tip.waitFor({ state: 'visible', timeout: 5000 });
  const markTip = await tip.innerText();
  check(markTitle.includes('Full Moon in Libra') && markTip.includes('Full Moon in Libra') && markTip.includes(fullMoon.local),
    `hovering the Full Moon's mark names it: ${JSON.stringify(markTip)} (title ${JSON.stringify(markTitle)})`);

  // Under the curve, the passages of the aspects, those that drive the model first; beside the
  // events, the calendar of the window as the tool writes it.
  const bars = page.locator('#passages g.passage');
  const drivingPassages = toolEvents.filter((e) => e.type === 'aspect' && e.passage && e.sections.length > 0);
  check(await bars.count() > 0 && await page.locator('#passages .bar.driving').count() > 0,
    `passage bars are drawn (${await bars.count()}), driving ones among them (${drivingPassages.length} driving events)`);
  const firstBar = await bars.first().locator('title').textContent();
  check(drivingPassages.some((e) => firstBar.startsWith(e.name)), `the first bar is a driving passage: ${JSON.stringify(firstBar)}`);
  const icsHref = await page.locator('#link-ics').getAttribute('href');
  const ics = await page.request.get(new URL(icsHref, page.url()).href);
  const expectedIcs = execFileSync(join(build, 'stockdyn'),
    ['events', '--security', security, '--zone', 'EST', '--date', date, '--format', 'ics'], { encoding: 'utf8' });
  check(ics.ok() && ics.headers()['content-type'] === 'text/calendar; charset=utf-8' && (await ics.text()) === expectedIcs,
    `"Add to calendar" (${icsHref}) gives the tool's calendar`);

  // The CSV link gives the tool's numbers.
  const csvHref = await page.locator('#link-csv').getAttribute('href');
  const csv = await page.request.get(new URL(csvHref, page.url()).href);
  check(csv.ok() && (await csv.text()) === expectedCsv, `the CSV link (${csvHref}) gives what stockdyn forecast writes`);
  await page.screenshot({ path: join(build, 'e2e-forecast-page.png'), fullPage: true });

  // A shared address shows its forecast at once, also on a phone.
  const phone = await browser.newPage();
  await phone.setViewportSize({ width: 390, height: 844 });
  await phone.goto(`${base}/forecast.html?security=IBM%20Corp&zone=EST&date=${date}`);
  check(await curveShown(phone) === 41, 'the shared address shows the curve without a click');
  const overflow = await phone.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
  check(overflow <= 0, `nothing runs off the phone's screen sideways (${overflow} px)`);
  await phone.screenshot({ path: join(build, 'e2e-forecast-phone.png'), fullPage: true });

  // Nothing chosen, nothing shown: an untouched list selects no security.
  const fresh = await browser.newPage();
  await fresh.goto(`${base}/forecast.html`);
  await fresh.locator('#security option').first().waitFor({ state: 'attached' });
  check(await fresh.locator('#security').evaluate((s) => s.selectedIndex) === -1, 'an untouched list selects no security');
  await fresh.locator('#show').click();
  await fresh.waitForTimeout(500);
  check(await fresh.locator('#result').isHidden(), '"Show forecast" with nothing chosen shows no forecast');

  // A New York trader in June: the exchange's zone with its summer offset on that day.
  await fresh.goto(`${base}/forecast.html?security=IBM%20Corp&zone=America/New_York&date=2026-06-15`);
  check(await curveShown(fresh) === 41, 'a forecast in America/New_York is shown');
  const nyLabel = await fresh.locator('#zone option:checked').innerText();
  check(nyLabel === 'New York EDT (UTC-04:00)', `the zone list offers New York with its June offset ("${nyLabel}")`);
  const nyTitle = await fresh.locator('#title').innerText();
  check(nyTitle.endsWith('(EDT)'), `the forecast's times are in EDT ("${nyTitle}")`);
  // The wheel beside the curve takes the same zone.
  await fresh.locator('#wheel-img[src*="chart.svg"]').waitFor({ state: 'attached', timeout: 10000 }).catch(() => {});
  await fresh.waitForTimeout(1000);
  const wheelCaption = await fresh.locator('#wheel-caption').innerText();
  check(!/cannot be drawn/.test(wheelCaption) && await fresh.locator('#wheel-img').evaluate((i) => i.naturalWidth > 0),
    `the wheel is drawn in America/New_York too ("${wheelCaption}")`);
  await fresh.screenshot({ path: join(build, 'e2e-forecast-new-york-june.png'), fullPage: true });
  await fresh.locator('#date').fill('2026-01-15');
  await fresh.locator('#date').dispatchEvent('change');
  const january = await fresh
    .waitForFunction(() => document.querySelector('#zone option:checked').textContent.includes('EST'), null, { timeout: 10000 })
    .then(() => fresh.locator('#zone option:checked').innerText(), () => 'not relabelled');
  check(january === 'New York EST (UTC-05:00)', `the offsets follow the first day chosen ("${january}")`);

  // A wrong date is named in the form's words.
  await fresh.goto(`${base}/forecast.html?security=IBM%20Corp&zone=EST&date=2026-02-30`);
  await fresh.locator('#status.error').waitFor({ timeout: 30000 });
  const wrong = await fresh.locator('#status').innerText();
  check(wrong.includes('First day “2026-02-30” is not a day of the calendar'), `a wrong date is named as the form names it ("${wrong}")`);
  await fresh.screenshot({ path: join(build, 'e2e-forecast-wrong-date.png'), fullPage: true });

  // A name in another letter case is the one record it can mean; a mistyped one gets the
  // server's suggestion instead of a forecast.
  await phone.goto(`${base}/forecast.html?security=ibm%20corp&zone=EST`);
  check(await curveShown(phone) === 41, 'a name in another letter case is served its forecast');
  await phone.goto(`${base}/forecast.html?security=IBM%20Crop&zone=EST`);
  await phone.locator('button.suggestion').first().waitFor({ timeout: 30000 });
  check((await phone.locator('button.suggestion').first().innerText()) === security, 'a mistyped name is offered the right name');
});
