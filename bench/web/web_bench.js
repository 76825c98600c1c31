// Frame times of the web page in headless Chromium (software WebGL):
//   node bench/web/web_bench.js SITE_DIR [FRAMES]
// Each frame is one redraw of the program's display and a read-back of one
// pixel, which waits for the drawing to finish. Prints median and p99 per
// scenario.
'use strict';
const path = require('path');
const {grid, launchBrowser, WebSession, serve} = require('../../tests/web/driver.js');

const site = path.resolve(process.argv[2] || 'build-web/site');
const frames = Number(process.argv[3] || 300);

const scenarios = [
  {name: 'Bezier, 6 points', points: 6, keys: '4'},
  {name: 'Bezier, 60 points', points: 60, keys: '4'},
  {name: 'Bezier, 128 points', points: 128, keys: '4'},
  {name: 'Bezier, 128 points, construction shown', points: 128, keys: '4m', pause: true},
  {name: 'Bezier, 128 points, family overlay', points: 128, keys: '4l'},
];

async function timeFrames(page, count) {
  return page.evaluate((n) => {
    const gl = Module.ctx;
    const pixel = new Uint8Array(4);
    const times = [];
    for (let i = 0; i < n + 10; ++i) {
      const t0 = performance.now();
      Module._tessaveld_redraw();
      gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
      if (i >= 10) times.push(performance.now() - t0);
    }
    return times;
  }, count);
}

(async () => {
  const server = await serve(site, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launchBrowser();
  console.log(`${'scenario'.padEnd(44)} ${'median ms'.padStart(10)} ${'p99 ms'.padStart(10)}`);
  for (const s of scenarios) {
    const web = new WebSession(browser, url);
    await web.open();
    for (const [x, y] of grid(s.points)) await web.click(x, y);
    for (const k of s.keys) await web.key(k);
    // Paused a little way into the construction.
    if (s.pause) await web.key('m');
    await web.move(790, 10);
    const times = (await timeFrames(web.page, frames)).sort((a, b) => a - b);
    const at = (q) => times[Math.min(times.length - 1, Math.floor(q * times.length))];
    console.log(`${s.name.padEnd(44)} ${at(0.5).toFixed(2).padStart(10)} ${at(0.99).toFixed(2).padStart(10)}`);
    await web.close();
  }
  await browser.close();
  server.close();
})();
