// The page for every student: the window by keyboard alone, the figure in
// words, axe-core's scan at every state and size, and the high-contrast
// palette measured on the pictures.
'use strict';
const path = require('path');
const {hexagon, keys, WebSession, sleep, width, height} = require('./driver.js');
const {check} = require('./check.js');

const axeSource = path.join(__dirname, 'node_modules/axe-core/axe.min.js');

const press = async (s, key, times = 1, modifier = null) => {
  if (modifier) await s.page.keyboard.down(modifier);
  for (let i = 0; i < times; ++i) await s.page.keyboard.press(key);
  if (modifier) await s.page.keyboard.up(modifier);
  await s.frames();
};
const cursor = (s) => s.page.evaluate(() => window.tessaveld.keyCursor());
const built = (s) => s.page.evaluate(() => UTF8ToString(Module._tessaveld_snapshot(0)));
const figure = (s) => s.page.evaluate(() => JSON.parse(UTF8ToString(Module._tessaveld_figure())));
const words = (s) => s.page.evaluate(() => ({live: document.getElementById('figure-live').textContent,
  summary: document.getElementById('figure-summary').textContent}));

// The keyboard's cursor to window pixel (x, y): Shift+arrows by tens, then arrows.
async function cursorTo(s, x, y) {
  const now = await cursor(s);
  for (const [d, plus, minus] of [[x - now.x, 'ArrowRight', 'ArrowLeft'],
    [y - now.y, 'ArrowDown', 'ArrowUp']]) {
    const key = d > 0 ? plus : minus;
    await press(s, key, Math.floor(Math.abs(d) / 10), 'Shift');
    await press(s, key, Math.abs(d) % 10);
  }
}

// The session, each step by keys on one page and by the mouse on
// another; `spoken` is what the live region must say after it.
const session = [
  {name: 'six points added', spoken: /^Point 6 added at \(720, 350\)/,
    keys: async (s) => { for (const [x, y] of hexagon) { await cursorTo(s, x, y); await press(s, 'Enter'); } },
    mouse: async (m) => { for (const [x, y] of hexagon) await m.click(x, y); }},
  {name: 'the fourth moved 7 right and 3 down', spoken: /^Point 4 at \(527, 447\)/,
    keys: async (s) => { await press(s, '[', 2); await press(s, 'Enter'); await press(s, 'ArrowRight', 7);
      await press(s, 'ArrowDown', 3); await press(s, 'Enter'); },
    mouse: async (m) => { await m.drag(520, 150, 527, 153); }},
  {name: 'the B-spline of degree 3', spoken: /^B-spline of degree 3/,
    keys: async (s) => { await keys(s, '6ww'); }, mouse: async (m) => { await keys(m, '6ww'); }},
  {name: 'a knot handle dragged by 20 pixels', spoken: /^Knot \d+ at 0\.\d+/,
    keys: async (s, at) => { await press(s, '}', 2); at.handle = await cursor(s); await press(s, 'Enter');
      await press(s, 'ArrowRight', 2, 'Shift'); await press(s, 'Enter'); },
    mouse: async (m, at) => { await m.drag(at.handle.x, at.handle.y, at.handle.x + 20, at.handle.y); }},
  {name: 'a knot inserted', spoken: /^Knot inserted: 7 points/,
    keys: async (s) => { await press(s, 'i'); },
    mouse: async (m, at) => { await m.move(at.handle.x + 20, at.handle.y); await m.key('i'); }},
  {name: 'a point deleted', spoken: /^Point 1 deleted; 6 left/,
    keys: async (s, at) => { await press(s, ']'); at.point = await cursor(s); await press(s, 'Delete'); },
    mouse: async (m, at) => { await m.move(at.point.x, at.point.y); await m.key('8'); }},
  {name: 'the view turned by 5 degrees', spoken: /^View turned 5 degrees about the vertical axis/,
    keys: async (s) => { await press(s, 'ArrowRight', 5, 'Alt'); },
    mouse: async (m, at) => { await m.drag(at.point.x, at.point.y, at.point.x + 50, at.point.y, 'right', 5); }},
];

async function keyboardOnly(browser, url) {
  const s = new WebSession(browser, url);
  const m = new WebSession(browser, url);
  await s.open();
  await m.open();
  await s.page.evaluate(() => {
    window.pointerEvents = 0;
    for (const type of ['pointerdown', 'pointermove', 'pointerup', 'mousedown', 'click']) {
      window.addEventListener(type, (e) => { if (e.isTrusted) window.pointerEvents += 1; }, true);
    }
  });
  await s.page.bringToFront();
  await press(s, 'Tab');
  const focused = await s.page.evaluate(() => document.activeElement.id);
  const start = await cursor(s);
  check('keyboard: Tab reaches the window, and the cursor stands at its centre',
      focused === 'canvas' && start.x === width / 2 && start.y === height / 2, JSON.stringify(start));
  const at = {};
  let before = await words(s);
  for (const step of session) {
    await s.page.bringToFront();
    await step.keys(s, at);
    await sleep(50);
    const after = await words(s);
    await m.page.bringToFront();
    await step.mouse(m, at);
    const [a, b] = [await built(s), await built(m)];
    check(`keyboard: ${step.name}, exactly as the mouse does it`, a === b, `${a}\n  ${b}`);
    check(`keyboard: ${step.name}: the live region says so and the description changed ` +
          `("${after.live.trim()}")`, step.spoken.test(after.live) && after.summary !== before.summary,
    after.summary);
    before = after;
  }
  const moved = (await figure(m));
  check('keyboard: the fourth point stands where the session put it, and the view is turned 5 degrees',
      JSON.stringify(moved.turn) === '[0,5]');
  check('keyboard: not one pointer event on the keyboard\'s page',
      (await s.page.evaluate(() => window.pointerEvents)) === 0);
  check('keyboard: no page error', s.errors.length + m.errors.length === 0, [...s.errors, ...m.errors].join('; '));

  // The account: every point's coordinates, the knots, the plot at the knots.
  await s.page.evaluate(() => document.getElementById('describe').click());
  const account = await s.page.$eval('#figure-account', (e) => ({hidden: e.hidden, text: e.textContent,
    tables: e.querySelectorAll('table').length, focused: document.activeElement === e}));
  const f = await figure(s);
  check('"Describe the figure": the points, the knots and the plot as tables, and the focus there',
      !account.hidden && account.focused && account.tables >= 2 &&
      f.points.every((p) => account.text.includes(`${p[0]}${p[1]}${p[2]}`)) &&
      account.text.includes(f.knots.join(', ')), account.text.slice(0, 300));
  await s.close();
  await m.close();
}

// The states the scan looks at, one after another on one page; the refused
// link on a page of its own.
const states = [
  {name: 'empty', run: async () => {}},
  {name: 'six points', run: async (s) => { await fill(s); }},
  ...['5', '4', '3', '6'].map((k) => ({name: `curve mode by key ${k}`, run: (s) => s.key(k)})),
  {name: 'the family overlay', run: async (s) => { await keys(s, '4l'); }},
  {name: 'a refused step\'s notice', run: async (s) => { await keys(s, '6aaawwwws'); }},
  {name: 'the description open', run: async (s) => {
    await s.page.evaluate(() => document.getElementById('describe').click()); }},
  {name: 'the ended program', run: async (s) => { await s.key('Escape'); await sleep(100); }},
  {name: 'a refused link\'s alert', hash: '#not-a-snapshot', run: async () => {}},
];
const sizes = [{width: 1400, height: 1000}, {width: 390, height: 844, hasTouch: true, isMobile: true},
  {width: 320, height: 640, hasTouch: true, isMobile: true}];

async function fill(s) {
  await s.showCanvas();
  for (const [x, y] of hexagon) await s.click(x, y);
}

async function axeScan(browser, url) {
  for (const size of sizes) {
    const found = [];
    let passed = 0;
    let s = null;
    for (const state of states) {
      if (s === null || state.hash) {
        if (s !== null) await s.close();
        s = new WebSession(browser, url + (state.hash || ''), size);
        await s.open();
        await s.page.addScriptTag({path: axeSource});
      }
      await state.run(s);
      const result = await s.page.evaluate(() => axe.run(document, {runOnly: {type: 'tag',
        values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa']}}));
      passed += result.passes.length;
      for (const v of result.violations) {
        found.push(`${state.name}: ${v.id} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`);
      }
      if (size.width === 320 && state.name === 'the description open') {
        const layout = await s.page.evaluate(() => ({scroll: document.documentElement.scrollWidth,
          small: [...document.querySelectorAll('button, canvas#canvas')]
              .filter((e) => e.offsetParent !== null).map((e) => e.getBoundingClientRect())
              .filter((r) => r.width < 24 || r.height < 24).length}));
        check(`320 x 640: no horizontal scroll with the account open (${layout.scroll} px), ` +
              'every control at least 24 x 24 CSS px', layout.scroll <= 320 && layout.small === 0,
        JSON.stringify(layout));
      }
    }
    await s.close();
    check(`axe-core, WCAG 2.0/2.1/2.2 A and AA at ${size.width} x ${size.height}: nothing in ` +
          `${states.length} states (${passed} rules passed)`, found.length === 0 && passed > 0,
    found.join('\n  '));
  }
}

// The relative luminance of an 8-bit colour and the contrast of two, as WCAG defines them.
function luminance(rgb) {
  const c = rgb.map((v) => v / 255).map((v) => (v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4));
  return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
}
const contrast = (a, b) => {
  const [la, lb] = [luminance(a), luminance(b)];
  return (Math.max(la, lb) + 0.05) / (Math.min(la, lb) + 0.05);
};

// Pictures whose every colour is measured: the scene in each mode with a
// marker hovered, the overlays, and the transition frames.
const pictures = [
  {name: 'Lagrange, a point hovered', keys: '5', hover: hexagon[2]},
  {name: 'Bezier with its construction and a comparison polygon', keys: '4me'},
  {name: 'the family of reductions', keys: '4l'},
  {name: 'B-spline, a knot handle hovered', keys: '6ww', hover: [275, 575]},
  {name: 'RBF', keys: '3'},
  {name: 'knot insertion frame', keys: '6ww', hover: [275, 575], then: 'i'},
  ...[['D-D', 'as'], ['UNR4 with its status line', 'aas'], ['rbf4', 'aaas']].map(([n, k]) =>
    ({name: `subdivision frame ${n}`, keys: k, frame: true})),
];

async function highContrast(browser, url) {
  const own = new WebSession(browser, url);
  await own.open();
  await fill(own);
  const ownPixels = await own.statePixels();
  await own.close();
  const s = new WebSession(browser, url);
  await s.open();
  await fill(s);
  await s.page.click('#high-contrast');
  const on = await s.statePixels();
  await s.page.click('#high-contrast');
  const hash = await s.link();
  check('High contrast on changes the picture; off again, the picture is the program\'s own, ' +
        'byte for byte', !on.equals(ownPixels) && (await s.statePixels()).equals(ownPixels));
  await s.page.click('#high-contrast');
  await s.frames();
  check('High contrast is not in the link', (await s.link()) === hash);
  await s.page.reload();
  await s.page.waitForFunction(() => Module.calledRun === true);
  await s.frames();
  check('High contrast is kept on the device: on again after a reload',
      (await s.page.$eval('#high-contrast', (b) => b.getAttribute('aria-pressed'))) === 'true');
  await s.close();

  const low = [];
  let measured = 0;
  for (const picture of pictures) {
    const w = new WebSession(browser, url);
    await w.open();
    check(`${picture.name}: High contrast stays on for a new page`,
        (await w.page.$eval('#high-contrast', (b) => b.getAttribute('aria-pressed'))) === 'true');
    await fill(w);
    await keys(w, picture.keys);
    if (picture.hover) await w.move(...picture.hover);
    if (picture.then) await keys(w, picture.then);
    const rgb = picture.frame || picture.then ? await w.pixels() : await w.statePixels();
    const counts = new Map();
    for (let i = 0; i < rgb.length; i += 3) {
      const key = `${rgb[i]},${rgb[i + 1]},${rgb[i + 2]}`;
      counts.set(key, (counts.get(key) || 0) + 1);
    }
    const background = [rgb[0], rgb[1], rgb[2]];
    for (const [key, count] of counts) {
      const colour = key.split(',').map(Number);
      if (count < 50 || key === background.join(',')) continue;
      measured += 1;
      const ratio = contrast(colour, background);
      if (ratio < 3) low.push(`${picture.name}: rgb(${key}) over ${count} pixels at ${ratio.toFixed(2)}:1`);
    }
    check(`${picture.name}: no page error`, w.errors.length === 0, w.errors.join('; '));
    await w.close();
  }
  check(`High contrast: every colour drawn over 50 pixels or more stands at 3:1 or more ` +
        `(${measured} measured in ${pictures.length} pictures)`, low.length === 0 && measured > 0,
  low.join('\n  '));
  // The pages of later tests start with the program's own palette.
  const last = await browser.newPage();
  await last.goto(url);
  await last.evaluate(() => localStorage.removeItem('tessaveld.highContrast'));
  await last.close();
}

module.exports = {keyboardOnly, axeScan, highContrast};
