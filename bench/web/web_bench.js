// Frame times of the web page in headless Chromium (software WebGL), and what
// the link costs:
//   node bench/web/web_bench.js SITE_DIR [FRAMES] [NAME_PART]
// With NAME_PART, only the scenarios whose names hold it, and no link costs.
// Each frame is one redraw of the program's display and a read-back of one
// pixel, which waits for the drawing to finish; while a construction runs, a
// frame also takes the animation's step. Prints median and p99 per scenario,
// after those of a fixed amount of work (the machine's own spread),
// and for the constructions over the family the first frame of their state
// opened from its link. Then, at 128 points: the page's own work on an event's path (the
// panel and the undo history's two snapshots), writing the address after it
// (the snapshot, and history.replaceState with it), and opening a full link
// to its first frame, in a running page and as a new page.
'use strict';
const path = require('path');
const {grid, launchBrowser, WebSession, serve} = require('../../tests/web/driver.js');

const site = path.resolve(process.argv[2] || 'build-web/site');
const frames = Number(process.argv[3] || 300);
const only = process.argv[4] || '';

const scenarios = [
  {name: 'Bezier, 6 points', points: 6, keys: '4'},
  {name: 'Bezier, 60 points', points: 60, keys: '4'},
  {name: 'Bezier, 128 points', points: 128, keys: '4'},
  {name: 'Bezier, 128 points, construction shown', points: 128, keys: '4m', pause: true},
  {name: 'Bezier, 128 points, family overlay', points: 128, keys: '4l'},
  // De Casteljau's construction over every row of the family as well: seven
  // constructions a frame.
  {name: 'de Casteljau over the family, 128 points, paused', points: 128, keys: '4lm', pause: true,
    linked: true},
  {name: 'de Casteljau over the family, 128 points, running', points: 128, keys: '4lm',
    running: true, linked: true},
];

// A running construction takes one step a frame, from t = 0 through the frame
// without it; at its end key m starts it again, outside the timing.
async function timeFrames(page, count, running) {
  return page.evaluate((n, run) => {
    const gl = Module.ctx;
    const pixel = new Uint8Array(4);
    const times = [];
    for (let i = 0; i < n + 10;) {
      const t0 = performance.now();
      const stepped = !run || Module._tessaveld_animate();
      Module._tessaveld_redraw();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      const t = performance.now() - t0;
      if (!stepped) {
        Module._tessaveld_key(109);
        continue;
      }
      if (i++ >= 10) times.push(t);
    }
    return times;
  }, count, running);
}

// The machine's own unevenness, a yardstick for the p99s: the same work,
// scaled to some 10 ms at first (the JIT may speed it up later), timed again
// and again in the page. What counts is its p99 against its median.
async function fixedWork(page, count) {
  return page.evaluate((n) => {
    const plane = new Uint8Array(800 * 600);
    const work = (m) => {
      for (let i = 0; i < m; ++i) plane[(i * 7919) % plane.length] = i;
    };
    // Scaled by the median of nine runs, three times over.
    const median = (m) => {
      const t = [];
      for (let k = 0; k < 9; ++k) {
        const t0 = performance.now();
        work(m);
        t.push(performance.now() - t0);
      }
      return t.sort((a, b) => a - b)[4];
    };
    let m = 1 << 20;
    for (let k = 0; k < 3; ++k) m = Math.max(1, Math.round(m * 10 / Math.max(0.1, median(m))));
    const times = [];
    for (let i = 0; i < n; ++i) {
      const t0 = performance.now();
      work(m);
      times.push(performance.now() - t0);
    }
    return times;
  }, count);
}

const quantiles = (times) => {
  const sorted = [...times].sort((a, b) => a - b);
  const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  return `${at(0.5).toFixed(3).padStart(10)} ${at(0.99).toFixed(3).padStart(10)}`;
};

// A full state of 128 points: the polygon as entered, a dragged knot list
// and its handles, the family of reductions (recomputed when a link opens)
// and a turned view. With `paused`, de Casteljau's construction paused on top:
// a frame of its own cost, six constructions of the family included.
async function fullState(web, paused) {
  for (const [x, y] of grid(128)) await web.click(x, y);
  for (const k of '6') await web.key(k);
  await web.drag(400, 575, 430, 575);
  for (const k of '4l') await web.key(k);
  await web.drag(400, 300, 520, 380, 'right');
  if (paused) {
    await web.key('m');
    await web.key('m');
    while ((await web.panel()).animating) await web.key('m');
  }
  await web.move(790, 10);
  const href = await web.link();
  return {href, text: href.slice(href.indexOf('#') + 1)};
}

// Chromium refuses more than 200 address changes in 10 seconds: the writes
// are spaced as the page's own (at most one every 80 ms) would be.
async function addressWrites(web, count) {
  return web.page.evaluate(async (n) => {
    const writes = [];
    const events = [];
    const texts = [];
    for (let i = 0; i < n + 5; ++i) {
      await new Promise((resolve) => setTimeout(resolve, 55));
      // Two states in turn, so that every write changes the address.
      Module._tessaveld_key(i % 2 ? 44 : 46);
      const t0 = performance.now();
      JSON.parse(UTF8ToString(Module._tessaveld_panel()));
      UTF8ToString(Module._tessaveld_snapshot(0));
      UTF8ToString(Module._tessaveld_snapshot(0));
      const t1 = performance.now();
      const snapshot = UTF8ToString(Module._tessaveld_snapshot(1));
      const changed = snapshot !== location.hash.slice(1);
      const t2 = performance.now();
      if (changed) history.replaceState(null, '', `#${snapshot}`);
      const t3 = performance.now();
      if (i >= 5) {
        events.push(t1 - t0);
        texts.push(t2 - t1);
        writes.push(t3 - t1);
      }
    }
    return [writes, events, texts];
  }, count);
}

// Opens the link in a running page, again and again from an empty record:
// the reading alone, and the reading with the first frame drawn.
async function opening(browser, url, text, count) {
  const fresh = new WebSession(browser, url);
  await fresh.open();
  const times = await fresh.page.evaluate((link, n) => {
    const bytes = new TextEncoder().encode(link);
    const gl = Module.ctx;
    const pixel = new Uint8Array(4);
    const read = [];
    const framed = [];
    const redrawn = [];
    for (let i = 0; i < n + 2; ++i) {
      // Cleared and drawn so, so that the link's first frame repeats nothing
      // on the canvas and is drawn whole.
      Module._tessaveld_key(99);
      Module._tessaveld_redraw();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      const t0 = performance.now();
      const room = Module._tessaveld_text(bytes.length);
      Module.HEAPU8.set(bytes, room);
      const refusal = UTF8ToString(Module._tessaveld_open());
      if (refusal) throw new Error(refusal);
      const t1 = performance.now();
      Module._tessaveld_redraw();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      const t2 = performance.now();
      Module._tessaveld_redraw();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      const t3 = performance.now();
      if (i >= 2) {
        read.push(t1 - t0);
        framed.push(t2 - t0);
        redrawn.push(t3 - t2);
      }
    }
    return {read, framed, redrawn};
  }, text, count);
  await fresh.close();
  return times;
}

// A new page from the address: from the start of the navigation to its
// first frame drawn.
async function loads(browser, address, count) {
  const times = [];
  for (let i = 0; i < count; ++i) {
    const page = new WebSession(browser, address);
    await page.open();
    times.push(await page.page.evaluate(() => new Promise((resolve) =>
      requestAnimationFrame(() => resolve(performance.now())))));
    await page.close();
  }
  return times;
}

async function linkCosts(browser, url) {
  const web = new WebSession(browser, url);
  await web.open();
  const full = await fullState(web, false);
  const [write, event, snapshotText] = await addressWrites(web, 100);
  await web.close();
  const heavy = new WebSession(browser, url);
  await heavy.open();
  const paused = await fullState(heavy, true);
  await heavy.close();

  const open = await opening(browser, url, full.text, 30);
  const openPaused = await opening(browser, url, paused.text, 10);
  const bare = await loads(browser, url, 7);
  const linked = await loads(browser, full.href, 7);
  const row = (name, times) => console.log(`${name.padEnd(52)} ${quantiles(times)}`);
  console.log(`\nthe link of 128 points: ${full.text.length} characters, ` +
              `${paused.text.length} with the construction paused`);
  console.log(`${'at 128 points'.padEnd(52)} ${'median ms'.padStart(10)} ${'p99 ms'.padStart(10)}`);
  row("the page's work on an event's path (panel, undo)", event);
  row('address written after an event (once idle)', write);
  row('  of which the snapshot and its comparison', snapshotText);
  row('link read (decoded, RBF solved)', open.read);
  row('link opened to its first frame', open.framed);
  row('  the same frame drawn again', open.redrawn);
  row('link, construction paused, to its first frame', openPaused.framed);
  row('  the same frame drawn again', openPaused.redrawn);
  row('new page to its first frame, bare address', bare);
  row('new page to its first frame, with the link', linked);
}

(async () => {
  const server = await serve(site, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launchBrowser();
  console.log(`${'scenario'.padEnd(50)} ${'median ms'.padStart(10)} ${'p99 ms'.padStart(10)}` +
              ` ${'first frame from its link, median / p99 ms'}`);
  {
    const web = new WebSession(browser, url);
    await web.open();
    const times = await fixedWork(web.page, frames);
    await web.close();
    console.log(`${'(yardstick: the same work each time)'.padEnd(50)} ${quantiles(times)}`);
  }
  for (const s of scenarios.filter((c) => c.name.includes(only))) {
    const web = new WebSession(browser, url);
    await web.open();
    for (const [x, y] of grid(s.points)) await web.click(x, y);
    for (const k of s.keys) await web.key(k);
    // Paused a little way into the construction.
    if (s.pause) await web.key('m');
    await web.move(790, 10);
    // The state as a link would carry it; a running construction opens
    // paused at the frame the link was taken.
    const text = await web.page.evaluate(() => UTF8ToString(Module._tessaveld_snapshot(1)));
    const times = (await timeFrames(web.page, frames, Boolean(s.running))).sort((a, b) => a - b);
    const at = (q) => times[Math.min(times.length - 1, Math.floor(q * times.length))];
    await web.close();
    let first = '';
    if (s.linked) {
      const open = await opening(browser, url, text, 10);
      first = quantiles(open.framed);
    }
    console.log(`${s.name.padEnd(50)} ${at(0.5).toFixed(2).padStart(10)} ${at(0.99).toFixed(2).padStart(10)}` +
                `${first}`);
  }
  if (!only) await linkCosts(browser, url);
  await browser.close();
  server.close();
})();
