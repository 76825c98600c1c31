// The plot panel's cost in headless Chromium (software WebGL):
//   node bench/web/plot_bench.js SITE_DIR
// The panel's update after an event (the program's plot, its samples read
// out of the program's memory, the plot drawn) at the largest polygon of
// each heavy mode, median of 60; and the canvas frame (one redraw and a
// one-pixel read-back) with the panel shown and hidden, in alternating rounds
// of one run, median and p99 of each.
'use strict';
const path = require('path');
const {grid, launchBrowser, WebSession, serve} = require('../../tests/web/driver.js');

const site = path.resolve(process.argv[2] || 'build-web/site');

const scenarios = [
  {name: 'B-spline, 67 points, degree 60', points: 67, keys: '6' + 'w'.repeat(59)},
  {name: 'Lagrange, 128 points', points: 128, keys: '5'},
  {name: 'RBF, 126 points, degree 1', points: 126, keys: '3'},
];

const quantile = (times, q) => {
  const sorted = [...times].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
};

async function panelUpdates(page, count) {
  return page.evaluate((n) => {
    const times = [];
    for (let i = 0; i < n + 5; ++i) {
      const t0 = performance.now();
      window.tessaveld.refreshPlot();
      if (i >= 5) times.push(performance.now() - t0);
    }
    return times;
  }, count);
}

async function framesWithPanel(page, shown, count) {
  return page.evaluate((visible, n) => {
    document.getElementById('plot-panel').style.display = visible ? '' : 'none';
    const gl = Module.ctx;
    const pixel = new Uint8Array(4);
    const times = [];
    for (let i = 0; i < n; ++i) {
      const t0 = performance.now();
      Module._tessaveld_redraw();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      times.push(performance.now() - t0);
    }
    return times;
  }, shown, count);
}

(async () => {
  const server = await serve(site, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launchBrowser();
  console.log(`${'panel update'.padEnd(44)} ${'median ms'.padStart(10)} ${'p99 ms'.padStart(10)}`);
  for (const s of scenarios) {
    const web = new WebSession(browser, url);
    await web.open();
    for (const [x, y] of grid(s.points)) await web.click(x, y);
    for (const k of s.keys) await web.key(k);
    await web.move(790, 10);
    const times = await panelUpdates(web.page, 60);
    console.log(`${s.name.padEnd(44)} ${quantile(times, 0.5).toFixed(2).padStart(10)} ` +
                `${quantile(times, 0.99).toFixed(2).padStart(10)}`);
    if (s === scenarios[0]) {
      const shown = [];
      const hidden = [];
      for (let round = 0; round < 6; ++round) {
        shown.push(...await framesWithPanel(web.page, true, 50));
        hidden.push(...await framesWithPanel(web.page, false, 50));
      }
      for (const [name, t] of [['frame, panel shown', shown], ['frame, panel hidden', hidden]]) {
        console.log(`${(s.name + ': ' + name).padEnd(44)} ${quantile(t, 0.5).toFixed(2).padStart(10)} ` +
                    `${quantile(t, 0.99).toFixed(2).padStart(10)}`);
      }
    }
    await web.close();
  }
  await browser.close();
  server.close();
})();
