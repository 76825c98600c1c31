// Every key command has a control that does what its key does: the same
// session played with keys on one page and with the controls (clicked with the
// mouse) on another shows the same canvas and panel after every command. And
// the page's own controls: the picture saved, the link copied.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {hexagon, rawRgb, sleep, WebSession} = require('./driver.js');
const {check} = require('./check.js');

const shortcuts = ['m', 'q', 'w', 'e', 'h', 'j', 'l', 'i', 'a', 'b', ',', '.', 'n', 'p', 'Space'];
const KNOT_1_X = 275;
const BAR_Y = 575;

// The session: steps both pages take alike, and commands, which one page
// types and the other clicks.
const steps = [
  {both: async (s) => { for (const [x, y] of hexagon) await s.click(x, y); await s.key('4'); }},
  {command: 'm'}, {command: 'e'}, {command: 'h'}, {command: 'j'}, {command: 'l'},
  {both: async (s) => { await s.key('6'); }},
  {command: 'w'}, {command: 'w'},
  {both: async (s) => { await s.move(KNOT_1_X, BAR_Y); }},
  {command: 'i'}, {command: 'q'},
  {both: async (s) => { await s.key('3'); }},
  {command: 'b'}, {command: ','}, {command: '.'}, {command: 'n'}, {command: 'a'},
  {both: async (s) => { await s.key('s'); await s.drag(300, 300, 500, 420, 'right'); }},
  {command: ' '}, {command: 'p'},
];

// A running construction ends by itself; both pages wait for its end.
async function settled(s) {
  await s.page.waitForFunction(() =>
    !JSON.parse(UTF8ToString(Module._tessaveld_panel())).animating, {timeout: 10000});
  await s.frames();
}

async function controlsAsKeys(browser, url) {
  const keys = new WebSession(browser, url);
  const controls = new WebSession(browser, url);
  await keys.open();
  await controls.open();

  const found = await controls.page.$$eval('#key-groups button', (bs) => bs.map((b) => ({
    key: b.dataset.key, shortcut: b.getAttribute('aria-keyshortcuts'),
    shown: b.querySelector('kbd')?.textContent, label: b.textContent,
    group: b.closest('section').querySelector('h2').textContent})));
  check('a control for every key command, with its aria-keyshortcuts',
      JSON.stringify(found.map((f) => f.shortcut).sort()) === JSON.stringify([...shortcuts].sort()),
      JSON.stringify(found));
  check('each control shows its key', found.every((f) =>
    f.shown === (f.key === ' ' ? 'Space' : f.key) && f.label.length > f.shown.length + 3));
  check('the controls come in five groups',
      new Set(found.map((f) => f.group)).size === 5, [...new Set(found.map((f) => f.group))].join(', '));
  const menuShortcuts = await controls.page.$$eval('#menu button', (bs) =>
    bs.map((b) => b.getAttribute('aria-keyshortcuts')));
  check('the menu buttons carry their digit keys, quit none',
      JSON.stringify(menuShortcuts) === JSON.stringify(['1', '2', '3', '4', '5', '6', '7', '8', null]));

  // Only the page in front draws its frames: each takes its turn there.
  const on = async (s, run) => {
    await s.page.bringToFront();
    return run(s);
  };
  const differing = [];
  for (const step of steps) {
    if (step.both) {
      await on(keys, step.both);
      await on(controls, step.both);
      continue;
    }
    const look = async (s) => {
      if (step.command === 'm') await settled(s);
      return {pixels: await s.pixels(), panel: await s.panel()};
    };
    const a = await on(keys, async (s) => { await s.key(step.command); return look(s); });
    const b = await on(controls, async (s) => { await s.control(step.command, 'mouse'); return look(s); });
    const [pa, pb] = [a.panel, b.panel];
    if (!a.pixels.equals(b.pixels) || JSON.stringify(pa) !== JSON.stringify(pb)) {
      differing.push(`"${step.command}": ${JSON.stringify(pa)} / ${JSON.stringify(pb)}`);
    }
  }
  check('every control against its key: the same canvas and panel after each command',
      differing.length === 0, differing.join('\n  '));
  check('keys and controls: no page error', keys.errors.length + controls.errors.length === 0,
      [...keys.errors, ...controls.errors].join('; '));
  await keys.close();
  await controls.close();
}

// The picture saved by its button is the canvas, pixel for pixel.
async function pictureAndLink(browser, url) {
  const web = new WebSession(browser, url);
  await web.open();
  for (const [x, y] of hexagon) await web.click(x, y);
  await web.key('6');
  await web.key('s');  // a transition frame, which no redisplay follows
  const shown = await web.pixels();
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tessaveld-picture-'));
  await web.cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: folder});
  await web.page.click('#save-picture');
  const file = path.join(folder, 'tessaveld.png');
  for (let i = 0; i < 100 && !fs.existsSync(file); ++i) await sleep(50);
  const saved = fs.existsSync(file) ? rawRgb(fs.readFileSync(file), 'png') : Buffer.alloc(0);
  check('"Save picture" downloads the canvas as shown, a PNG of 800 x 600',
      saved.equals(shown) && saved.length === 800 * 600 * 3);
  fs.rmSync(folder, {recursive: true, force: true});

  await web.browser.defaultBrowserContext().overridePermissions(new URL(url).origin,
      ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
  await web.page.click('#copy-link');
  await web.page.waitForFunction(() => document.getElementById('page-status').textContent !== '');
  const copied = await web.page.evaluate(() => navigator.clipboard.readText());
  check('"Copy link" puts the address with the snapshot on the clipboard',
      copied === await web.page.evaluate(() => location.href) &&
      copied.endsWith(`#${await web.page.evaluate(() => UTF8ToString(Module._tessaveld_snapshot(1)))}`),
      copied.slice(0, 120));
  check('picture and link: no page error', web.errors.length === 0, web.errors.join('; '));
  await web.close();
}

// The program's sentence about the picture (why the RBF curve is missing, why
// a step was refused) stands in the panel while there is one, and only then.
async function notice(browser, url) {
  const web = new WebSession(browser, url);
  await web.open();
  const shown = () => web.page.$eval('#state-notice', (e) => (e.hidden ? null : e.textContent));
  const quiet = await shown();
  await web.click(300, 300);
  await web.key('3');
  const said = (await web.panel()).notice;
  const one = await shown();
  await web.click(500, 350);
  const two = await shown();
  check('the panel shows the program\'s notice while there is one: an RBF curve of one point',
      quiet === null && said !== '' && one === said && /RBF/.test(one) && two === null,
      `${quiet} / ${one} / ${two}`);
  await web.close();
}

module.exports = {controlsAsKeys, pictureAndLink, notice};
