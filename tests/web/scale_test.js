// The canvas at desktop and projector sizes: shown larger than its 800 x 600
// pixels, and every click lands on the window pixel under it.
'use strict';
const {WebSession, drawnCentre} = require('./driver.js');
const {check} = require('./check.js');

const sizes = [{width: 1400, height: 1000}, {width: 2560, height: 1440}];

async function clickAccuracy(browser, url) {
  for (const viewport of sizes) {
    const name = `${viewport.width} x ${viewport.height}`;
    const web = new WebSession(browser, url, viewport);
    await web.open();
    const {box} = web;
    check(`${name}: the canvas is shown whole, 4:3, larger than its pixels ` +
          `(${box.width.toFixed(1)} x ${box.height.toFixed(1)})`,
    box.width > 800 && Math.abs(box.width * 3 - box.height * 4) < 1 &&
          box.y + box.height <= viewport.height && box.x + box.width <= viewport.width);
    // Clicks anywhere within pixels, not only at their middles.
    let worst = 0;
    let misses = [];
    let seed = 7;
    const random = () => {
      seed = (seed * 1103515245 + 12345) % 2147483648;
      return seed / 2147483648;
    };
    for (let i = 0; i < 8; ++i) {
      const cx = box.x + box.width * (0.1 + 0.8 * random());
      const cy = box.y + box.height * (0.1 + 0.75 * random());
      await web.page.mouse.move(cx, cy);
      await web.page.mouse.down();
      await web.page.mouse.up();
      await web.frames();
      const wx = (cx - box.x) * 800 / box.width;
      const wy = (cy - box.y) * 600 / box.height;
      const centre = drawnCentre(await web.pixels(), Math.floor(wx), Math.floor(wy));
      const off = centre ? Math.max(Math.abs(centre.x - wx), Math.abs(centre.y - wy)) : Infinity;
      worst = Math.max(worst, off);
      if (!(off <= 1)) misses.push(`(${wx.toFixed(2)}, ${wy.toFixed(2)}): ${JSON.stringify(centre)}`);
      await web.key('c');
    }
    check(`${name}: a clicked point's marker lies within 1 window pixel of the click ` +
          `(at most ${worst.toFixed(2)})`, misses.length === 0, misses.join('; '));
    check(`${name}: no page error`, web.errors.length === 0, web.errors.join('; '));
    await web.close();
  }
}

module.exports = {clickAccuracy};
