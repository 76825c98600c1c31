// What the curve analysis costs in headless Chromium (software WebGL):
//   node bench/web/analysis_bench.js SITE_DIR
// At the largest polygon each mode draws: the analysis (the program's call
// and its JSON read), and the page's whole update with the comb, joints and
// curvature plot on, median and p99 of 60; then the frame after an event
// (one redraw, the page's analysis update, a one-pixel read-back) with the
// comb on and off, in alternating rounds of one run, median and p99 of each.
'use strict';
const path = require('path');
const {grid, launchBrowser, WebSession, serve} = require('../../tests/web/driver.js');

const site = path.resolve(process.argv[2] || 'build-web/site');

const scenarios = [
  {name: 'B-spline, 67 points, degree 60', points: 67, keys: '6' + 'w'.repeat(59)},
  {name: 'Lagrange, 128 points', points: 128, keys: '5'},
  {name: 'RBF, 126 points, degree 1', points: 126, keys: '3'},
  {name: 'Bezier, 128 points', points: 128, keys: '4'},
];

const quantile = (times, q) => {
  const sorted = [...times].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
};
const row = (name, t) => console.log(`${name.padEnd(52)} ${quantile(t, 0.5).toFixed(3).padStart(10)} ` +
                                     `${quantile(t, 0.99).toFixed(3).padStart(10)}`);

async function timed(page, count, what) {
  return page.evaluate((n, kind) => {
    const times = [];
    for (let i = 0; i < n + 5; ++i) {
      const t0 = performance.now();
      if (kind === 'call') {
        JSON.parse(UTF8ToString(Module._tessaveld_analysis()));
      } else {
        window.tessaveld.refreshAnalysis();
      }
      if (i >= 5) times.push(performance.now() - t0);
    }
    return times;
  }, count, what);
}

async function frames(page, count) {
  return page.evaluate((n) => {
    const gl = Module.ctx;
    const pixel = new Uint8Array(4);
    const times = [];
    for (let i = 0; i < n; ++i) {
      const t0 = performance.now();
      Module._tessaveld_redraw();
      window.tessaveld.refreshAnalysis();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      times.push(performance.now() - t0);
    }
    return times;
  }, count);
}

(async () => {
  const server = await serve(site, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launchBrowser();
  console.log(`${'analysis'.padEnd(52)} ${'median ms'.padStart(10)} ${'p99 ms'.padStart(10)}`);
  for (const s of scenarios) {
    const web = new WebSession(browser, url);
    await web.open();
    for (const [x, y] of grid(s.points)) await web.click(x, y);
    for (const k of s.keys) await web.key(k);
    await web.move(790, 10);
    row(`${s.name}: the call`, await timed(web.page, 60, 'call'));
    for (const k of 'kog') await web.key(k);
    row(`${s.name}: comb, joints, plot drawn`, await timed(web.page, 60, 'page'));
    const on = [];
    const off = [];
    for (let round = 0; round < 6; ++round) {
      on.push(...await frames(web.page, 50));
      await web.key('k');
      await web.key('o');
      await web.key('g');
      off.push(...await frames(web.page, 50));
      for (const k of 'kog') await web.key(k);
    }
    row(`${s.name}: frame, comb on`, on);
    row(`${s.name}: frame, comb off`, off);
    console.log(`${s.name}: p99 on / off = ${(quantile(on, 0.99) / quantile(off, 0.99)).toFixed(2)}`);
    await web.close();
  }
  await browser.close();
  server.close();
})();
