// The page on phones, with fingers: layout, taps, drags of points and knot
// handles, turning the view with two fingers, the reach of a finger, and a
// page that scrolls everywhere but on the canvas.
'use strict';
const {hexagon, WebSession, drawnCentre, markerNear} = require('./driver.js');
const {check} = require('./check.js');

const phones = [
  {width: 360, height: 740, hasTouch: true, isMobile: true, deviceScaleFactor: 2},
  {width: 390, height: 844, hasTouch: true, isMobile: true, deviceScaleFactor: 3},
];

const KNOT_1_X = 275;  // the handle of knot 4 of a cubic B-spline on six points
const BAR_Y = 575;

async function layout(web, name) {
  const sizes = await web.page.evaluate(() => {
    const top = (id) => document.getElementById(id).getBoundingClientRect().top;
    const canvas = document.getElementById('canvas').getBoundingClientRect();
    return {
      scrollWidth: document.documentElement.scrollWidth, innerWidth, scrollHeight:
        document.documentElement.scrollHeight, innerHeight,
      canvas: {left: canvas.left, right: canvas.right, width: canvas.width, height: canvas.height},
      order: [top('stage'), top('controls'), top('panel'), top('more')],
      viewport: document.querySelector('meta[name=viewport]')?.content,
    };
  });
  check(`${name}: no horizontal scrolling (${sizes.scrollWidth} of ${sizes.innerWidth} pixels)`,
      sizes.scrollWidth <= sizes.innerWidth);
  check(`${name}: the canvas fits the width, 4:3 (${sizes.canvas.width} x ${sizes.canvas.height})`,
      sizes.canvas.left >= 0 && sizes.canvas.right <= sizes.innerWidth &&
      Math.abs(sizes.canvas.width * 3 - sizes.canvas.height * 4) < 1);
  check(`${name}: one column: canvas, controls, state, then the rest`,
      sizes.order.every((t, i) => i === 0 || t > sizes.order[i - 1]), JSON.stringify(sizes.order));
  check(`${name}: the page scrolls (${sizes.scrollHeight} of ${sizes.innerHeight} pixels)`,
      sizes.scrollHeight > sizes.innerHeight);
}

async function taps(web, name) {
  await web.tap(200, 300);
  const panel = await web.panel();
  const centre = drawnCentre(await web.pixels(), 200, 300);
  // The tap touched the middle of window pixel (200, 300): the point lies at
  // 200.5, 300.5, less the program's half pixel.
  check(`${name}: a tap adds a point where tapped (${JSON.stringify(centre)})`,
      panel.points === 1 && centre !== null && Math.abs(centre.x - 200.5) <= 1 &&
      Math.abs(centre.y - 300.5) <= 1);
}

async function drags(web, name) {
  for (const [x, y] of hexagon) await web.tap(x, y);
  check(`${name}: six taps make six points`, (await web.panel()).points === 6);

  const [x0, y0] = hexagon[2];
  let before = await web.pixels();
  await web.fingers([[[x0, y0], [x0 + 60, y0 - 50]]]);
  let after = await web.pixels();
  check(`${name}: a one-finger drag moves a point`, (await web.panel()).points === 6 &&
      markerNear(before, x0, y0) && !markerNear(after, x0, y0) &&
      markerNear(after, x0 + 60, y0 - 50));

  await web.page.tap('#menu button[data-label="B-spline"]');
  await web.control('w', 'touch');
  await web.control('w', 'touch');
  check(`${name}: the controls take taps`, (await web.panel()).degree === 3);
  before = await web.pixels();
  await web.fingers([[[KNOT_1_X, BAR_Y], [KNOT_1_X + 60, BAR_Y]]]);
  after = await web.pixels();
  check(`${name}: a one-finger drag moves a knot handle`, markerNear(before, KNOT_1_X, BAR_Y) &&
      !markerNear(after, KNOT_1_X, BAR_Y) && markerNear(after, KNOT_1_X + 60, BAR_Y) &&
      (await web.panel()).points === 6);

  // Turned and back: two fingers, then the control of the space bar.
  before = await web.statePixels();
  await web.showCanvas();
  const scrolled = await web.page.evaluate(() => scrollY);
  await web.fingers([[[250, 300], [350, 360]], [[450, 300], [550, 360]]]);
  const turned = await web.statePixels();
  check(`${name}: a two-finger drag turns the view and adds nothing`, !turned.equals(before) &&
      (await web.panel()).points === 6);
  check(`${name}: the page does not scroll during drags on the canvas`,
      (await web.page.evaluate(() => scrollY)) === scrolled);
  await web.control(' ', 'touch');
  check(`${name}: "Turn the view back" turns it back`, (await web.statePixels()).equals(before));

  // 15 CSS pixels right of a point: far beyond the program's 8 window pixels.
  const [x4, y4] = hexagon[4];
  before = await web.pixels();
  await web.tap(x4, y4, [15, 0]);
  check(`${name}: a tap 15 pixels off a point takes it, adds none`,
      (await web.panel()).points === 6);
  await web.measure();
  const scale = 800 / web.box.width;
  await web.fingers([[[x4, y4], [x4 + 40 * scale, y4 + 30 * scale]]], 10, [15, 0]);
  after = await web.pixels();
  const [x5, y5] = [Math.round(x4 + 40 * scale), Math.round(y4 + 30 * scale)];
  check(`${name}: a drag from 15 pixels off a point moves the point with the finger`,
      (await web.panel()).points === 6 && markerNear(before, x4, y4) && !markerNear(after, x4, y4) &&
      markerNear(after, x5, y5, 6));

  // The rest of the page scrolls under a finger.
  await web.page.evaluate(() => scrollTo(0, 0));
  await web.touchPaths([Array.from({length: 11}, (_, k) => [20, 700 - 40 * k])]);
  await web.page.waitForFunction(() => scrollY > 0, {timeout: 3000}).catch(() => {});
  check(`${name}: a drag beside the canvas scrolls the page`,
      (await web.page.evaluate(() => scrollY)) > 0);
}

async function phoneSizes(browser, url) {
  for (const viewport of phones) {
    const name = `${viewport.width} x ${viewport.height} with touch`;
    let web = new WebSession(browser, url, viewport);
    await web.open();
    await layout(web, name);
    await taps(web, name);
    await web.close();
    web = new WebSession(browser, url, viewport);
    await web.open();
    await drags(web, name);
    check(`${name}: no page error`, web.errors.length === 0, web.errors.join('; '));
    await web.close();
  }
}

module.exports = {phoneSizes};
