// The README's picture of the page: node tests/web/page_picture.js SITE_DIR OUT.png
'use strict';
const path = require('path');
const {hexagon, launchBrowser, WebSession, serve} = require('./driver.js');

(async () => {
  const server = await serve(path.resolve(process.argv[2]), 0);
  const browser = await launchBrowser();
  const web = new WebSession(browser, `http://127.0.0.1:${server.address().port}/`);
  await web.open();
  await web.page.setViewport({width: 1300, height: 860});
  for (const [x, y] of hexagon) {
    await web.click(x, y);
  }
  for (const k of '6ww') await web.key(k);
  await web.move(790, 10);
  await web.frames();
  await web.page.screenshot({path: process.argv[3]});
  await browser.close();
  server.close();
})();
