// The README's pictures of the page, at desktop size with the mouse and at
// phone size with fingers and the controls:
//   node tests/web/page_picture.js SITE_DIR OUT_DIR
// write OUT_DIR/web-page.png, OUT_DIR/web-page-phone.png and the plot
// panel's OUT_DIR/web-plot-bspline.png and OUT_DIR/web-plot-rbf.png.
'use strict';
const path = require('path');
const {hexagon, launchBrowser, WebSession, serve} = require('./driver.js');

const KNOT_1_X = 275;
const BAR_Y = 575;

(async () => {
  const server = await serve(path.resolve(process.argv[2]), 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const out = path.resolve(process.argv[3]);
  const browser = await launchBrowser();

  const web = new WebSession(browser, url, {width: 1300, height: 860});
  await web.open();
  for (const [x, y] of hexagon) await web.click(x, y);
  for (const k of '6ww') await web.key(k);
  await web.move(790, 10);
  await web.frames();
  await web.page.screenshot({path: path.join(out, 'web-page.png')});
  await web.close();

  // A cubic B-spline put in by fingers, one knot handle dragged, the view
  // turned with two.
  const phone = new WebSession(browser, url,
      {width: 390, height: 844, hasTouch: true, isMobile: true, deviceScaleFactor: 2});
  await phone.open();
  for (const [x, y] of hexagon) await phone.tap(x, y);
  await phone.page.tap('#menu button[data-label="B-spline"]');
  await phone.control('w', 'touch');
  await phone.control('w', 'touch');
  await phone.fingers([[[KNOT_1_X, BAR_Y], [KNOT_1_X + 70, BAR_Y]]]);
  await phone.fingers([[[200, 300], [420, 420]], [[400, 300], [620, 420]]]);
  await phone.page.evaluate(() => scrollTo(0, 0));
  await phone.frames();
  await phone.page.screenshot({path: path.join(out, 'web-page-phone.png')});
  await phone.close();

  // The plot panel: the cubic B-spline's basis after a knot handle was
  // dragged, and the RBF curve's cardinal functions beside its basis
  // function, each with the construction's or a pointer's mark.
  const panels = [
    {name: 'web-plot-bspline.png', keys: '6ww', drag: [KNOT_1_X, BAR_Y, KNOT_1_X + 60, BAR_Y]},
    {name: 'web-plot-rbf.png', keys: '3'},
  ];
  for (const p of panels) {
    const s = new WebSession(browser, url, {width: 1300, height: 860});
    await s.open();
    for (const [x, y] of hexagon) await s.click(x, y);
    for (const k of p.keys) await s.key(k);
    if (p.drag) await s.drag(...p.drag);
    await s.move(790, 10);
    await s.frames();
    const panel = await s.page.$('#plot-panel');
    await panel.screenshot({path: path.join(out, p.name)});
    await s.close();
  }

  await browser.close();
  server.close();
})();
