// The trader's forecast page: asks the JSON API for the securities, the zones and one
// forecast, and draws the curve as SVG. Every text from the server goes in as text, never
// as markup.
'use strict';

const API = 'Exe/srv_stock_api';
const SVG_NS = 'http://www.w3.org/2000/svg';
// Geometry of the drawing in its own units; the SVG scales to the width of the page.
const W = 800, H = 360;
const PAD = { left: 56, right: 24, top: 14, bottom: 46 };
const TOP_EVENTS_IN_TIP = 4;
const TOP_EVENTS_IN_TABLE = 10;
// Passage bars under the curve: those that drive the model first, then the others, up to this.
const PASSAGE_ROWS = 14;
const PASSAGE_ROW = 20;

const $ = (id) => document.getElementById(id);
let securities = [];
let current = null;  // the forecast document shown
let currentEvents = [];  // the window's events, as /events lists them

function svg(tag, attrs, parent) {
  const e = document.createElementNS(SVG_NS, tag);
  for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, v);
  if (parent) parent.appendChild(e);
  return e;
}

function fmt(v, digits = 3) {
  return v === null || v === undefined ? '–' : Number(v).toFixed(digits);
}

async function getJson(path) {
  const r = await fetch(path, { headers: { Accept: 'application/json' } });
  let body = null;
  try { body = await r.json(); } catch { /* not JSON */ }
  if (!r.ok) {
    const err = new Error((body && (body.detail || body.title)) || `HTTP ${r.status}`);
    err.problem = body;
    throw err;
  }
  return body;
}

// ---- the form ---------------------------------------------------------------------------

function fillSecurities(filter, keep) {
  const sel = $('security');
  const want = filter.trim().toLowerCase();
  sel.textContent = '';
  for (const s of securities) {
    if (want && !s.name.toLowerCase().includes(want)) continue;
    const o = document.createElement('option');
    o.value = s.name;
    o.textContent = s.name;
    sel.appendChild(o);
  }
  // Nothing is chosen for the user: an untouched list selects nothing, so that "Show forecast"
  // cannot show a security nobody asked for; a typed filter picks its first match.
  if (keep && [...sel.options].some((o) => o.value === keep)) sel.value = keep;
  else if (want && sel.options.length) sel.selectedIndex = 0;
  else sel.selectedIndex = -1;
}

function zoneOption(value, label) {
  const o = document.createElement('option');
  o.value = value;
  o.textContent = label;
  return o;
}

// The exchanges' zones keep summer time: their offsets are those of the first day shown.
function fillZones(zones, exchanges) {
  const sel = $('zone');
  const keep = sel.value || 'EST';
  sel.textContent = '';
  if (exchanges.length) {
    const group = document.createElement('optgroup');
    group.label = 'Exchanges (offset on the first day)';
    for (const z of exchanges) group.appendChild(zoneOption(z.name, `${z.name.split('/').pop().replace(/_/g, ' ')} ${z.abbreviation} (${z.utc_offset})`));
    sel.appendChild(group);
  }
  const fixed = document.createElement('optgroup');
  fixed.label = 'Fixed offsets';
  for (const z of zones) fixed.appendChild(zoneOption(z.abbreviation, `${z.abbreviation} (${z.utc_offset})`));
  sel.appendChild(fixed);
  sel.value = keep;
  if (sel.selectedIndex < 0) sel.value = 'EST';
}

async function refreshZones() {
  const date = $('date').value;
  // A date the server refuses is told when the forecast is asked; the list still comes.
  const zones = await getJson(`${API}/zones${date ? `?date=${encodeURIComponent(date)}` : ''}`)
    .catch(() => getJson(`${API}/zones`));
  fillZones(zones.zones, zones.exchange_zones || []);
}

// What the server refused, in the words of the form's own fields.
const FIELD = { security: 'Security', zone: 'Time zone', date: 'First day' };
function refusal(problem, security, zone, date) {
  const given = { security, zone, date };
  const params = (problem && problem['invalid-params']) || [];
  if (params.length) {
    return params.map((p) => {
      const value = given[p.name] ? ` “${given[p.name]}”` : '';
      if (p.name === 'zone') return `${FIELD.zone}${value} is not one this service knows: choose one in the list.`;
      if (p.name === 'date') return `${FIELD.date}${value} is not a day of the calendar: choose one in the date field.`;
      if (p.name === 'security') return `${FIELD.security}: choose one in the list.`;
      return `${FIELD[p.name] || p.name}${value} ${p.reason}.`;
    }).join(' ');
  }
  if (problem && problem.status === 404 && problem.suggestions) return `No security is named “${security}”.`;
  return null;
}

function apiQuery(security, zone, date) {
  const q = new URLSearchParams({ security, zone });
  if (date) q.set('date', date);
  return q;
}

// ---- the curve --------------------------------------------------------------------------

// Day of the week of a local "YYYY-MM-DD HH:MM": 0 Sunday .. 6 Saturday.
function weekday(local) {
  const [y, m, d] = local.slice(0, 10).split('-').map(Number);
  return new Date(Date.UTC(y, m - 1, d)).getUTCDay();
}

function niceStep(range) {
  const raw = range / 5;
  const p = Math.pow(10, Math.floor(Math.log10(raw)));
  for (const k of [1, 2, 2.5, 5, 10]) if (k * p >= raw) return k * p;
  return 10 * p;
}

function drawChart(doc) {
  const chart = $('chart');
  chart.textContent = '';
  chart.setAttribute('viewBox', `0 0 ${W} ${H}`);
  const rows = doc.rows;
  const n = rows.length;
  const band = doc.band || null;
  const all = [0];
  rows.forEach((r, i) => {
    if (r.value !== null) all.push(r.value);
    if (band) for (const k of ['earlier', 'later']) if (band[k][i] !== null) all.push(band[k][i]);
  });
  let lo = Math.min(...all), hi = Math.max(...all);
  if (hi - lo < 1e-9) { hi += 1; lo -= 1; }
  const step = niceStep(hi - lo);
  lo = Math.floor(lo / step) * step;
  hi = Math.ceil(hi / step) * step;
  const x = (i) => PAD.left + (W - PAD.left - PAD.right) * (n > 1 ? i / (n - 1) : 0.5);
  const y = (v) => PAD.top + (H - PAD.top - PAD.bottom) * (hi - v) / (hi - lo);
  const dx = n > 1 ? x(1) - x(0) : 0;

  // Weekends: from the midnight a Saturday or Sunday begins to the next.
  const g = svg('g', { class: 'weekends' }, chart);
  rows.forEach((r, i) => {
    if (r.local.slice(11) !== '00:00') return;
    const wd = weekday(r.local);
    if (wd !== 0 && wd !== 6) return;
    const x0 = x(i), x1 = Math.min(x(i) + 2 * dx, x(n - 1));
    if (x1 > x0) svg('rect', { class: 'weekend', x: x0, y: PAD.top, width: x1 - x0, height: H - PAD.top - PAD.bottom }, g);
  });

  // Value axis with its grid, and the zero line over it.
  const axis = svg('g', { class: 'value-axis' }, chart);
  for (let v = lo; v <= hi + step / 2; v += step) {
    const yy = y(v);
    svg('line', { class: 'grid', x1: PAD.left, x2: W - PAD.right, y1: yy, y2: yy }, axis);
    const t = svg('text', { x: PAD.left - 6, y: yy + 4, 'text-anchor': 'end' }, axis);
    t.textContent = Math.abs(v) < step / 1e6 ? '0' : +v.toPrecision(6);
  }
  svg('line', { class: 'zero-line', x1: PAD.left, x2: W - PAD.right, y1: y(0), y2: y(0) }, chart);

  // Date axis: one label a day at local midnight.
  const dates = svg('g', { class: 'date-axis' }, chart);
  rows.forEach((r, i) => {
    if (r.local.slice(11) !== '00:00') return;
    svg('line', { class: 'tick', x1: x(i), x2: x(i), y1: H - PAD.bottom, y2: H - PAD.bottom + 5 }, dates);
    const day = Number(r.local.slice(8, 10));
    if (i % 4 !== 0 && n > 21) return;  // every other day when there are many
    const t = svg('text', { x: x(i), y: H - PAD.bottom + 18, 'text-anchor': 'middle' }, dates);
    t.textContent = `${r.local.slice(5, 7)}-${String(day).padStart(2, '0')}`;
  });
  const zoneLabel = svg('text', { class: 'axis-title', x: (PAD.left + W - PAD.right) / 2, y: H - 6, 'text-anchor': 'middle' }, dates);
  zoneLabel.textContent = `date (month-day) in ${doc.zone_abbreviation}`;

  // The band between the curves of the shifted first-trade times.
  if (band) {
    const upper = [], lower = [];
    rows.forEach((r, i) => {
      const e = band.earlier[i], l = band.later[i];
      if (e === null || l === null) return;
      upper.push(`${x(i)},${y(Math.max(e, l))}`);
      lower.unshift(`${x(i)},${y(Math.min(e, l))}`);
    });
    if (upper.length) svg('polygon', { class: 'band', points: upper.concat(lower).join(' ') }, chart);
  }

  const pts = rows.map((r, i) => (r.value === null ? null : `${x(i)},${y(r.value)}`)).filter(Boolean);
  svg('polyline', { class: 'curve', points: pts.join(' ') }, chart);
  const dots = svg('g', { class: 'points' }, chart);
  rows.forEach((r, i) => {
    if (r.value === null) return;
    svg('circle', { class: r.value < 0 ? 'point below' : 'point', cx: x(i), cy: y(r.value), r: 3.2, 'data-index': i }, dots);
  });

  // One strip per row catches the pointer, so a finger need not hit the dot itself.
  const hit = svg('g', { class: 'hit' }, chart);
  rows.forEach((r, i) => {
    const s = svg('rect', { x: x(i) - dx / 2, y: PAD.top, width: Math.max(dx, 1), height: H - PAD.top - PAD.bottom, 'data-index': i }, hit);
    s.addEventListener('pointerenter', () => showTip(i));
    s.addEventListener('click', () => showTip(i));
  });
  chart.addEventListener('pointerleave', hideTip);

  drawEventMarks(chart, rows, x);
  drawPassages(rows, x);
}

// A moment (Julian centuries from 1900 January 0.5) of a UTC text "YYYY-MM-DDTHH:MM:SSZ".
function momentOf(utc) {
  return (Date.parse(utc) / 864e5 + 2440587.5 - 2415020) / 36525;
}

// Each aspect's passage once (a passage that is exact three times has three events), driving
// ones first, then the slower bodies' (the Moon's last), each group by moment.
function passagesOfWindow() {
  const byPassage = new Map();
  for (const e of currentEvents) {
    if (e.type !== 'aspect' || !e.passage) continue;
    const p = e.passage;
    const key = [e.body, e.other, e.other_natal, e.aspect, p.start, p.end].join('|');
    const known = byPassage.get(key);
    if (!known) byPassage.set(key, { e, driving: e.sections.length > 0 });
    else if (e.sections.length) { known.driving = true; known.e = e; }
  }
  const moonly = (e) => e.body === 1 || (!e.other_natal && e.other === 1);
  return [...byPassage.values()].sort((a, b) =>
    (b.driving - a.driving) || (moonly(a.e) - moonly(b.e)) || (a.e.moment - b.e.moment));
}

// The passages as bars on the curve's time scale: start to end (cut at the window's edges), a
// dot at each exact moment, a ring at the closest approach of one that does not perfect and a
// dotted bar after it.
function drawPassages(rows, x) {
  const box = $('passages');
  box.textContent = '';
  const n = rows.length;
  const all = passagesOfWindow();
  if (n < 2 || !all.length) { box.hidden = true; return; }
  box.hidden = false;
  const shown = all.slice(0, PASSAGE_ROWS);
  const height = shown.length * PASSAGE_ROW + (all.length > shown.length ? PASSAGE_ROW : 6);
  box.setAttribute('viewBox', `0 0 ${W} ${height}`);
  const t0 = rows[0].moment, t1 = rows[n - 1].moment;
  const at = (m) => x(0) + (x(n - 1) - x(0)) * (Math.min(Math.max(m, t0), t1) - t0) / (t1 - t0);
  // A bar of the Moon's few hours would hide behind its own dot: at least this wide.
  const line = (cls, a, b, y, parent) => {
    const mid = (a + b) / 2, half = Math.max((b - a) / 2, 7);
    svg('line', { class: cls, x1: Math.max(mid - half, x(0)), x2: Math.min(mid + half, x(n - 1)), y1: y, y2: y }, parent);
  };
  shown.forEach(({ e, driving }, i) => {
    const p = e.passage;
    const y = i * PASSAGE_ROW + 15;
    const g = svg('g', { class: 'passage' }, box);
    const start = p.start ? momentOf(p.start) : t0, end = p.end ? momentOf(p.end) : t1;
    const cls = `bar${driving ? ' driving' : ''}`;
    if (p.perfects) {
      line(cls, at(start), at(end), y, g);
      for (const u of p.exact) {
        const m = momentOf(u);
        if (m >= t0 && m <= t1) svg('circle', { class: 'exact', cx: at(m), cy: y, r: 2.5 }, g);
      }
    } else {
      const c = momentOf(p.closest);
      svg('line', { class: cls, x1: at(start), x2: at(c), y1: y, y2: y }, g);
      svg('line', { class: `${cls} miss`, x1: at(c), x2: at(end), y1: y, y2: y }, g);
      if (c >= t0 && c <= t1) svg('circle', { class: 'closest', cx: at(c), cy: y, r: 3 }, g);
    }
    const label = svg('text', { x: Math.min(Math.max(at(start), PAD.left), W - PAD.right - 180), y: y - 5 }, g);
    label.textContent = eventName(e) + (p.perfects ? '' : ' (does not perfect)');
    const drives = e.sections.length ? `; drives ${drivenTitles(e).join('; ')}` : '';
    svg('title', {}, g).textContent = `${eventName(e)}: in orb ${p.start_local || 'before'} to ${p.end_local || 'after'}` +
      (p.perfects ? `, exact ${p.exact.length} time${p.exact.length > 1 ? 's' : ''}` :
        `, closest ${fmt(p.closest_separation, 2)}° short`) + drives;
  });
  if (all.length > shown.length) {
    const more = svg('text', { class: 'more', x: PAD.left, y: shown.length * PASSAGE_ROW + 14 }, box);
    more.textContent = `and ${all.length - shown.length} more passages, mostly the Moon's (listed below)`;
  }
}

// ---- the window's events ----------------------------------------------------------------

// The server names each event as a reader says it ("Moon trine natal Jupiter").
function eventName(e) { return e.name || e.type; }

// The events worth a row and a mark: those that drive a section of the model, and the sky's
// own milestones (ingresses, stations, lunations, eclipses). The Moon alone makes a hundred
// aspects in a window; those that drive nothing are only counted.
function isListed(e) {
  return e.type !== 'aspect' || e.sections.length > 0;
}

// The sections an event drives as a reader knows them: the model's titles ("_H"), the section
// ids kept for the hover and the small print.
function drivenTitles(e) {
  return e.sections.map((id, k) => (e.titles && e.titles[k]) || id);
}

// A table cell with a section's title, its id in small print and on hover.
function sectionCell(title, id) {
  const td = document.createElement('td');
  td.title = id;
  td.append(title || id);
  if (title && title !== id) {
    const small = document.createElement('small');
    small.className = 'section-id';
    small.textContent = id;
    td.append(' ', small);
  }
  return td;
}

function eventTitle(e) {
  const drives = e.sections.length ? ` — drives ${drivenTitles(e).join('; ')}` : '';
  return `${e.local} ${current.zone_abbreviation}: ${eventName(e)}${drives}`;
}

// A mark on the time axis at each listed event's moment, placed by moment between the first
// and last rows; hovering it names the event in the hover box, and its <title> names it to
// any reader of the drawing.
function drawEventMarks(chart, rows, x) {
  const n = rows.length;
  if (!currentEvents.length || n < 2) return;
  const t0 = rows[0].moment, t1 = rows[n - 1].moment;
  const at = (m) => x(0) + (x(n - 1) - x(0)) * (m - t0) / (t1 - t0);
  const base = H - PAD.bottom;
  const g = svg('g', { class: 'event-marks' }, chart);
  currentEvents.forEach((e, k) => {
    if (!isListed(e) || e.moment < t0 || e.moment > t1) return;
    const xx = at(e.moment);
    const mark = svg('path', {
      class: `event-mark ${e.type}${e.sections.length ? ' driving' : ''}`,
      d: `M${xx},${base - 11} l-4.5,-8 h9 z M${xx},${base - 11} V${base}`,
      'data-event': k,
    }, g);
    svg('title', {}, mark).textContent = eventTitle(e);
    mark.addEventListener('pointerenter', () => showEventTip(k, mark));
    mark.addEventListener('click', () => showEventTip(k, mark));
  });
}

function showEventTip(k, mark) {
  const e = currentEvents[k];
  const tip = $('tip');
  tip.textContent = '';
  const head = document.createElement('div');
  head.className = 'tip-head';
  head.textContent = `${e.local} ${current.zone_abbreviation}: ${eventName(e)}`;
  const what = document.createElement('div');
  what.textContent = e.sections.length ? `Drives ${drivenTitles(e).join('; ')}` : 'Drives no section of the model';
  tip.append(head, what);
  for (const c of document.querySelectorAll('#chart circle.point.active')) c.classList.remove('active');
  const box = $('chart-box').getBoundingClientRect();
  const m = mark.getBoundingClientRect();
  tip.hidden = false;
  tip.style.left = `${Math.min(Math.max(m.left - box.left - tip.offsetWidth / 2, 0), box.width - tip.offsetWidth)}px`;
  tip.style.top = `${Math.max(m.top - box.top - tip.offsetHeight - 6, 0)}px`;
}

function fillTimeline(events, failure) {
  const body = $('timeline').querySelector('tbody');
  body.textContent = '';
  const note = $('timeline-note');
  const rest = $('timeline-rest');
  rest.hidden = true;
  if (failure) {
    note.textContent = `The events of the window could not be listed: ${failure}`;
    return;
  }
  const row = (e, into) => {
    const tr = document.createElement('tr');
    tr.className = `event-row ${e.type}`;
    for (const text of [e.local, eventName(e)]) {
      const td = document.createElement('td');
      td.textContent = text;
      tr.appendChild(td);
    }
    tr.appendChild(e.sections.length ? sectionCell(drivenTitles(e).join('; '), e.sections.join(', ')) : sectionCell('–', '–'));
    into.appendChild(tr);
  };
  const listed = events.filter(isListed);
  const others = events.filter((e) => !isListed(e));
  listed.forEach((e) => row(e, body));
  const driving = listed.filter((e) => e.sections.length).length;
  note.textContent = `${events.length} events in the window: ${driving} drive sections of the model; ` +
    `with the ingresses, stations and lunations they are listed here and marked on the time axis. ` +
    `The ${others.length} aspects that drive no section are left out of both.`;
  if (others.length) {
    rest.hidden = false;
    rest.querySelector('summary').textContent = `The ${others.length} aspects that drive no section`;
    const more = rest.querySelector('tbody');
    more.textContent = '';
    others.forEach((e) => row(e, more));
  }
}

// Contributions of a row, largest first by size.
function topContributions(row, count) {
  return [...(row.contributions || [])].sort((a, b) => Math.abs(b.value) - Math.abs(a.value)).slice(0, count);
}

function showTip(i) {
  const doc = current;
  const row = doc.rows[i];
  const tip = $('tip');
  tip.textContent = '';
  const head = document.createElement('div');
  head.className = 'tip-head';
  head.textContent = `${row.local} ${doc.zone_abbreviation}: ${fmt(row.value)}`;
  tip.appendChild(head);
  const list = document.createElement('ul');
  for (const c of topContributions(row, TOP_EVENTS_IN_TIP)) {
    const li = document.createElement('li');
    li.className = c.value < 0 ? 'neg' : 'pos';
    li.textContent = `${c.value >= 0 ? '+' : ''}${fmt(c.value)}  ${c.title || c.section}`;
    li.title = c.section;
    list.appendChild(li);
  }
  if (!list.children.length) {
    const li = document.createElement('li');
    li.textContent = 'no event contributes';
    list.appendChild(li);
  }
  tip.appendChild(list);
  for (const c of document.querySelectorAll('#chart circle.point')) c.classList.toggle('active', Number(c.dataset.index) === i);
  showWheel(i);
  // Beside the point, inside the box.
  const box = $('chart-box').getBoundingClientRect();
  const dot = document.querySelector(`#chart circle[data-index="${i}"]`);
  tip.hidden = false;
  if (dot) {
    const d = dot.getBoundingClientRect();
    const left = Math.min(Math.max(d.left - box.left + 10, 0), box.width - tip.offsetWidth);
    tip.style.left = `${left}px`;
    tip.style.top = `${Math.max(d.top - box.top - tip.offsetHeight - 8, 0)}px`;
  }
}

function hideTip() {
  $('tip').hidden = true;
}

// ---- the chart wheel beside the curve ---------------------------------------------------

// The bi-wheel of each moment asked for so far: row index -> {src, url, houses, title}.
let wheels = new Map();
let wheelShown = -1;
let wheelTicket = 0;
let wheelAsk = null;  // {security, zone} of the forecast shown

function forgetWheels(ask) {
  for (const w of wheels.values()) URL.revokeObjectURL(w.src);
  wheels = new Map();
  wheelShown = -1;
  wheelAsk = ask;
}

async function fetchWheel(i) {
  const [date, time] = current.rows[i].local.split(' ');
  const q = new URLSearchParams({ security: wheelAsk.security, zone: wheelAsk.zone, date, time });
  const url = `${API}/chart.svg?${q}`;
  const r = await fetch(url);
  if (!r.ok) {
    let detail = `HTTP ${r.status}`;
    try { detail = (await r.json()).detail || detail; } catch { /* not a problem document */ }
    throw new Error(detail);
  }
  const text = await r.text();
  const root = new DOMParser().parseFromString(text, 'image/svg+xml').documentElement;
  return {
    src: URL.createObjectURL(new Blob([text], { type: 'image/svg+xml' })),
    url,
    houses: root.getAttribute('data-house-system') || '',
    title: root.querySelector('title')?.textContent || '',
  };
}

// Natal chart inside, the transits of row i's moment outside; the latest pointer wins.
async function showWheel(i) {
  if (!current || !wheelAsk || i === wheelShown) return;
  wheelShown = i;
  const ticket = ++wheelTicket;
  const row = current.rows[i];
  const zone = current.zone_abbreviation;
  let w = wheels.get(i);
  if (!w) {
    try {
      w = await fetchWheel(i);
      wheels.set(i, w);
    } catch (e) {
      if (ticket === wheelTicket) {
        wheelShown = -1;
        $('wheel-caption').textContent = `The chart wheel cannot be drawn: ${e.message}`;
      }
      return;
    }
  }
  if (ticket !== wheelTicket) return;
  const img = $('wheel-img');
  img.src = w.src;
  img.alt = w.title;
  img.dataset.index = i;
  $('wheel-link').href = w.url;
  $('wheel-caption').textContent =
    `First-trade chart inside, transits of ${row.local} ${zone} outside. House system: ${w.houses}.`;
}

// ---- around the curve -------------------------------------------------------------------

function fillEvents(doc) {
  const totals = new Map();
  doc.rows.forEach((r) => {
    for (const c of r.contributions || []) {
      const t = totals.get(c.section) || { section: c.section, title: c.title, weight: c.weight, sum: 0, size: 0, peak: 0, at: '' };
      t.sum += c.value;
      t.size += Math.abs(c.value);
      if (Math.abs(c.value) > Math.abs(t.peak)) { t.peak = c.value; t.at = r.local; }
      totals.set(c.section, t);
    }
  });
  const body = $('events').querySelector('tbody');
  body.textContent = '';
  const top = [...totals.values()].sort((a, b) => b.size - a.size).slice(0, TOP_EVENTS_IN_TABLE);
  for (const t of top) {
    const tr = document.createElement('tr');
    tr.appendChild(sectionCell(t.title, t.section));
    for (const text of [fmt(t.weight), fmt(t.sum), `${t.at} (${t.peak >= 0 ? '+' : ''}${fmt(t.peak)})`]) {
      const td = document.createElement('td');
      td.textContent = text;
      tr.appendChild(td);
    }
    body.appendChild(tr);
  }
  if (!top.length) {
    const tr = document.createElement('tr');
    const td = document.createElement('td');
    td.colSpan = 4;
    td.textContent = 'No event of the model contributes in this window.';
    tr.appendChild(td);
    body.appendChild(tr);
  }
}

function fillNatal(doc) {
  const n = doc.natal;
  const dl = $('natal');
  dl.textContent = '';
  const zone = `UTC${n.zone < 0 ? '-' : '+'}${String(Math.floor(Math.abs(n.zone))).padStart(2, '0')}:${String(Math.round((Math.abs(n.zone) % 1) * 60)).padStart(2, '0')}`;
  for (const [k, v] of [['Date', n.date], ['Local time', `${n.time} (${zone})`], ['Place', n.place],
                        ['Latitude', `${n.latitude}°`], ['Longitude', `${n.longitude}°`]]) {
    const dt = document.createElement('dt');
    dt.textContent = k;
    const dd = document.createElement('dd');
    dd.textContent = v;
    dl.append(dt, dd);
  }
  const p = $('dependence');
  if (!doc.band) { p.textContent = ''; return; }
  let widest = 0, at = '', sum = 0, count = 0;
  doc.rows.forEach((r, i) => {
    const e = doc.band.earlier[i], l = doc.band.later[i];
    if (e === null || l === null || r.value === null) return;
    const w = Math.max(Math.abs(e - r.value), Math.abs(l - r.value));
    sum += w; count += 1;
    if (w > widest) { widest = w; at = r.local; }
  });
  p.textContent = `With the first-trade time one hour off, the value moves by ${fmt(count ? sum / count : 0)} on average, ` +
    `at most ${fmt(widest)} (${at}).`;
}

function fillLinks(doc, q) {
  const csv = new URLSearchParams(q); csv.set('format', 'csv');
  const json = new URLSearchParams(q); json.set('explain', '1');
  $('link-csv').href = `${API}/forecast?${csv}`;
  $('link-json').href = `${API}/forecast?${json}`;
  $('link-self').href = `forecast.html?${q}`;
  const ics = new URLSearchParams(q); ics.set('format', 'ics');
  $('link-ics').href = `${API}/events?${ics}`;
  $('model').textContent = `Model ${doc.model.name}, content hash ${doc.model.hash}.`;
}

// ---- one forecast -----------------------------------------------------------------------

async function show(security, zone, date) {
  const status = $('status');
  status.textContent = `Computing the forecast of ${security}…`;
  status.className = '';
  const q = apiQuery(security, zone, date);
  const ask = new URLSearchParams(q); ask.set('explain', '1'); ask.set('band', '1');
  try {
    // The events come beside the forecast; without them the curve is still worth showing.
    const [doc, timeline] = await Promise.all([
      getJson(`${API}/forecast?${ask}`),
      getJson(`${API}/events?${q}`).then((t) => ({ events: t.events }), (e) => ({ events: [], failure: e.message })),
    ]);
    current = doc;
    currentEvents = timeline.events;
    // The address names the day shown, so that it opens the same forecast again later.
    const shown = apiQuery(security, zone, doc.date);
    history.replaceState(null, '', `forecast.html?${shown}`);
    $('title').textContent = `${doc.security}: ${doc.rows.length} values from ${doc.date} (${doc.zone_abbreviation})`;
    $('result').hidden = false;
    forgetWheels({ security, zone });
    drawChart(doc);
    showWheel(0);
    fillTimeline(timeline.events, timeline.failure);
    fillEvents(doc);
    fillNatal(doc);
    fillLinks(doc, shown);
    status.textContent = '';
  } catch (e) {
    $('result').hidden = true;
    status.className = 'error';
    status.textContent = refusal(e.problem, security, zone, date) || e.message;
    const names = e.problem && e.problem.suggestions;
    if (names && !names.length) status.append(' Type a part of its name in the filter to find it.');
    if (names && names.length) {
      status.append(' Did you mean: ');
      names.forEach((name, k) => {
        const b = document.createElement('button');
        b.type = 'button';
        b.className = 'suggestion';
        b.textContent = name;
        b.addEventListener('click', () => { $('security-filter').value = ''; fillSecurities('', name); show(name, zone, date); });
        status.append(b, k + 1 < names.length ? ' ' : '');
      });
    }
  }
}

async function start() {
  try {
    const params = new URLSearchParams(location.search);
    if (params.get('date')) $('date').value = params.get('date');
    const [list] = await Promise.all([getJson(`${API}/securities`), refreshZones()]);
    securities = list.securities;
  } catch (e) {
    $('status').className = 'error';
    $('status').textContent = `The service cannot be reached: ${e.message}`;
    return;
  }
  const params = new URLSearchParams(location.search);
  const wanted = params.get('security');
  fillSecurities('', wanted);
  const zoneParam = (params.get('zone') || '').toLowerCase();
  const listed = [...$('zone').options].find((o) => o.value.toLowerCase() === zoneParam);
  if (listed) $('zone').value = listed.value;
  $('security-filter').addEventListener('input', (e) => fillSecurities(e.target.value, $('security').value));
  $('date').addEventListener('change', () => refreshZones().catch(() => {}));
  $('ask').addEventListener('submit', (e) => {
    e.preventDefault();
    if (!$('security').value) {
      $('status').className = 'error';
      $('status').textContent = `${FIELD.security}: choose one in the list first.`;
      return;
    }
    show($('security').value, $('zone').value, $('date').value);
  });
  // An address with a security and a zone shows its forecast at once; the name goes to the
  // server as written, so a mistyped link gets the server's suggestions.
  if (wanted && params.get('zone')) show(wanted, params.get('zone'), params.get('date') || '');
}

start();
