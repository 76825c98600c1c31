// Writes the state line of every built-in lesson step, made by the program
// itself: each recipe (tests/web/lesson_recipes.js) played on a fresh page,
// its snapshot taken, and put in place of the step's "state:" line.
//   node tests/web/lesson_states.js SITE_DIR
'use strict';
const fs = require('fs');
const path = require('path');
const {launchBrowser, WebSession, serve} = require('./driver.js');
const {recipes} = require('./lesson_recipes.js');

const lessons = path.resolve(__dirname, '../../web/lessons');

(async () => {
  const server = await serve(path.resolve(process.argv[2]), 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launchBrowser();
  for (const [id, steps] of Object.entries(recipes)) {
    const file = path.join(lessons, `${id}.txt`);
    const lines = fs.readFileSync(file, 'utf8').split('\n');
    const at = lines.map((l, i) => (l.startsWith('state:') ? i : -1)).filter((i) => i >= 0);
    if (at.length !== steps.length) throw new Error(`${id}: ${at.length} state lines, ${steps.length} recipes`);
    for (let k = 0; k < steps.length; ++k) {
      const web = new WebSession(browser, url);
      await web.open();
      await steps[k].build(web);
      await web.move(790, 10);
      const state = await web.page.evaluate(() => UTF8ToString(Module._tessaveld_snapshot(0)));
      await web.close();
      lines[at[k]] = `state: ${state}`;
    }
    fs.writeFileSync(file, lines.join('\n'));
    console.log(`${id}: ${steps.length} states`);
  }
  await browser.close();
  server.close();
})();
