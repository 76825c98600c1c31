// What the curve is like, on the page: the quadratic's curvature worked out
// by hand, hairs that start on the drawn curve, a comb that jumps at a cubic's
// double knot and not at a simple one, joints labelled d - m, the switches in
// the link (old links open with them off), a control against its key, and
// the saved picture with the comb in it.
'use strict';
const {enter, keys, hexagon, rawRgb, WebSession} = require('./driver.js');
const {check} = require('./check.js');

const KNOT_1_X = 275;
const KNOT_2_X = 525;
const BAR_Y = 575;

const analysisOf = (s) => s.page.evaluate(() => window.tessaveld.analysis());
const drawnOf = (s) => s.page.evaluate(() => window.tessaveld.analysisDrawn());
// The analysis layer's pixels, as RGBA at the layer's own size.
const layerPixels = (s) => s.page.evaluate(() => {
  const layer = document.getElementById('analysis-layer');
  return Array.from(layer.getContext('2d').getImageData(0, 0, layer.width, layer.height).data);
});
const settledHash = async (s, suffix) => {
  await s.page.waitForFunction((end) => location.hash.endsWith(end), {timeout: 5000}, suffix);
  return s.page.evaluate(() => location.href);
};

// Hairs whose base has no pixel of the curve's dark red within half a pixel
// (a pixel whose square comes that near). A line strip leaves out the pixel
// of its last vertex, so the hair at the strip's end (the last, at `end`) may
// find its nearest pixel a pixel further.
function offTheCurve(rgb, hairs, end) {
  const curve = (x, y) => {
    const i = 3 * (y * 800 + x);
    return rgb[i] >= 70 && rgb[i] <= 82 && rgb[i + 1] < 8 && rgb[i + 2] < 8;
  };
  return hairs.filter(({u, from: [x, y]}) => {
    const reach = u === end ? 1.5 : 0.5;
    for (let px = Math.floor(x - reach); px <= Math.floor(x + reach); ++px) {
      for (let py = Math.floor(y - reach); py <= Math.floor(y + reach); ++py) {
        if (curve(px, py)) return false;
      }
    }
    return true;
  });
}

// The two hairs at knot u, from its left and its right piece: their lengths.
function hairsAt(drawn, u) {
  const at = drawn.hairs.filter((h) => h.u === u);
  return at.map((h) => Math.hypot(h.to[0] - h.from[0], h.to[1] - h.from[1]));
}

async function analysisPage(browser, url) {
  // The parabola through (300, 300), (400, 100), (500, 300) as the page counts
  // y: at its middle x' = 200, y'' = 800, kappa = 200 * 800 / 200^3 = 0.02.
  let s = new WebSession(browser, url);
  await s.open();
  await enter(s, [[300, 300], [400, 100], [500, 300]]);
  await s.key('4');
  let a = await analysisOf(s);
  const middle = a.samples[64];
  check('analysis: the quadratic Bezier bends with curvature 2 / 100 px at its middle',
      a.mode === 'bezier' && middle.u === 0.5 && Math.abs(middle.curvature - 0.02) < 1e-12 &&
      middle.point[0] === 400 && middle.point[1] === 200, JSON.stringify(middle));
  check('analysis: its hodograph is 2 (P1 - P0), 2 (P2 - P1), y down',
      JSON.stringify(a.hodograph) === JSON.stringify([[200, -400], [200, 400]]) &&
      a.knots.length === 0 && a.samples.length === 129, JSON.stringify(a.hodograph));
  await s.key('c');
  check('analysis: null when no curve is drawn', (await analysisOf(s)) === null);
  await s.close();

  // A cubic of six points: simple knots at 1 and 2.
  s = new WebSession(browser, url);
  await s.open();
  await enter(s);
  await keys(s, '6wwko');
  a = await analysisOf(s);
  let drawn = await drawnOf(s);
  await s.move(790, 10);
  const missed = offTheCurve(await s.pixels(), drawn.hairs, a.samples[a.samples.length - 1].u);
  check(`comb: all ${drawn.hairs.length} hairs start on the drawn curve within half a pixel`,
      drawn.hairs.length >= 128 && missed.length === 0, JSON.stringify(missed.slice(0, 4)));
  const simple = hairsAt(drawn, a.knots[0].u);
  check('comb: at a simple knot of a cubic the two pieces\' hairs meet',
      simple.length === 2 && Math.abs(simple[0] - simple[1]) < 0.01, JSON.stringify(simple));
  check('joints: simple knots of a cubic are C2',
      a.knots.every((k) => k.multiplicity === 1 && k.continuity === 2) &&
      drawn.labels.map((l) => l.label).join('|') === 'm = 1, C²|m = 1, C²',
      JSON.stringify(drawn.labels));
  // Knot 1 dragged onto knot 2, then knot 2 onto it as well.
  await s.drag(KNOT_1_X, BAR_Y, KNOT_2_X + 5, BAR_Y);
  a = await analysisOf(s);
  drawn = await drawnOf(s);
  const double = hairsAt(drawn, a.knots[0].u);
  check('comb: at a double knot of a cubic the two pieces\' hairs differ (a jump)',
      double.length === 2 && Math.abs(double[0] - double[1]) > 2 && a.knots[0].multiplicity === 2 &&
      drawn.labels[0].label === 'm = 2, C¹', `${JSON.stringify(double)} ${JSON.stringify(a.knots)}`);
  const plotLabels = await s.page.evaluate(() => document.getElementById('analysis-text').textContent);
  check('joints: the panel names each joint', /u = 0\.6667: m = 2, C¹/.test(plotLabels), plotLabels);

  // The switches in the link: a new page from it shows the same comb; the
  // same address without them shows none.
  const href = await settledHash(s, '&comb=on&joints=on&combscale=' + drawn.combScale);
  const layer = await layerPixels(s);
  check('comb: the layer is drawn', layer.some((v, i) => i % 4 === 3 && v > 0));
  await s.close();
  s = new WebSession(browser, href);
  await s.open();
  const reopened = await layerPixels(s);
  const pressed = await s.page.$$eval('#analysis-controls button[aria-pressed="true"]',
      (b) => b.map((e) => e.dataset.setting).join(','));
  check('link: the comb and joints open as they were, pixel for pixel',
      pressed === 'comb,joints' && reopened.length === layer.length &&
      reopened.every((v, i) => v === layer[i]), pressed);
  await s.close();
  s = new WebSession(browser, href.slice(0, href.indexOf('&')));
  await s.open();
  const old = await layerPixels(s);
  check('link: an address without the settings opens with every switch off',
      old.every((v) => v === 0) && (await s.page.$$('#analysis-controls [aria-pressed="true"]')).length === 0);

  // A control does what its key does; the program never hears the key.
  const before = await s.page.evaluate(() => UTF8ToString(Module._tessaveld_snapshot(0)));
  await s.page.click('#analysis-controls button[data-setting="comb"]');
  await s.frames();
  const byControl = await layerPixels(s);
  await s.page.click('#analysis-controls button[data-setting="comb"]');
  await s.key('k');
  const byKey = await layerPixels(s);
  const after = await s.page.evaluate(() => UTF8ToString(Module._tessaveld_snapshot(0)));
  check('comb: its control and its key draw the same pixels, and the program state stays',
      byControl.some((v) => v > 0) && byControl.every((v, i) => v === byKey[i]) && before === after);

  // Save picture: the program's frame with the comb over it.
  const saved = await s.page.evaluate(async () => {
    const taken = new Promise((resolve) => {
      HTMLAnchorElement.prototype.click = function() { resolve(this.href); };
    });
    document.getElementById('save-picture').click();
    const blob = await (await fetch(await taken)).blob();
    const bytes = new Uint8Array(await blob.arrayBuffer());
    return Array.from(bytes);
  });
  const picture = rawRgb(Buffer.from(saved), 'png');
  const frame = await s.pixels();
  const hair = (await drawnOf(s)).hairs[40];
  const mid = [Math.round((hair.from[0] + hair.to[0]) / 2), Math.round((hair.from[1] + hair.to[1]) / 2)];
  let blue = false;
  for (let dy = -1; dy <= 1; ++dy) {
    for (let dx = -1; dx <= 1; ++dx) {
      const i = 3 * ((mid[1] + dy) * 800 + mid[0] + dx);
      blue = blue || (picture[i + 2] > picture[i] + 40 && frame[i + 2] <= frame[i] + 40);
    }
  }
  check('save picture: the comb is in the saved picture', picture.length === 800 * 600 * 3 && blue);
  check('analysis: no page error', s.errors.length === 0, s.errors.join('; '));
  await s.close();
}

module.exports = {analysisPage};
