// The address carries the state: sessions reopened from their link show the
// same picture and panel; hostile links are refused with their sentence and
// the program starts empty; undo back to the start and redo to the end show
// every picture on the way.
'use strict';
const {enter, keys, grid, hexagon, WebSession, sleep} = require('./driver.js');
const {check} = require('./check.js');

const KNOT_1_X = 275;
const BAR_Y = 575;

// A construction paused a little way in (started again, should it have
// ended before the pause).
async function paused(s) {
  await s.key('m');
  await sleep(80);
  await s.key('m');
  while ((await s.panel()).animating) await s.key('m');
}

const sessions = [
  {name: 'Lagrange, a node dragged', run: async (s) => {
    await enter(s, hexagon.slice(0, 5)); await s.key('5'); await s.drag(400, BAR_Y, 330, BAR_Y);
  }},
  {name: 'Bezier, construction paused', run: async (s) => {
    await enter(s); await s.key('4'); await paused(s);
  }},
  {name: 'Bezier elevated', run: async (s) => { await enter(s); await keys(s, '4ee'); }},
  {name: 'Bezier reduced, alpha up', run: async (s) => { await enter(s); await keys(s, '4jjj'); }},
  {name: 'reduction family, then a point dragged', run: async (s) => {
    await enter(s); await keys(s, '4l'); await s.drag(380, 470, 420, 430);
  }},
  {name: 'B-spline, a knot handle dragged', run: async (s) => {
    await enter(s); await keys(s, '6ww'); await s.drag(KNOT_1_X, BAR_Y, 340, BAR_Y);
  }},
  {name: 'B-spline, knot inserted, turned', run: async (s) => {
    await enter(s); await keys(s, '6ww'); await s.move(KNOT_1_X, BAR_Y); await s.key('i');
    await s.drag(300, 300, 520, 380, 'right');
  }},
  {name: 'RBF mq3, degree 2, r down', run: async (s) => { await enter(s); await keys(s, '3bw,,,'); }},
  {name: 'subdivision NR4 twice', run: async (s) => { await enter(s); await keys(s, 'ss'); }},
  {name: 'subdivision D-D', run: async (s) => { await enter(s); await keys(s, 'as'); }},
  {name: 'subdivision UNR4', run: async (s) => { await enter(s); await keys(s, 'aas'); }},
  {name: 'subdivision rbf4, then the RBF curve', run: async (s) => {
    await enter(s); await keys(s, 'aaas3');
  }},
  {name: 'subdivision rbf6, no halving', run: async (s) => { await enter(s); await keys(s, 'aaaans'); }},
  {name: 'reload after drags', run: async (s) => {
    await enter(s); await keys(s, 's'); await s.drag(120, 420, 160, 380); await s.key('d');
  }},
  {name: '128 points, Bezier, turned', big: true, run: async (s) => {
    await enter(s, grid(128)); await s.key('4'); await s.drag(400, 300, 600, 450, 'right');
  }},
];

async function roundTrips(browser, url) {
  let longest = 0;
  for (const session of sessions) {
    const web = new WebSession(browser, url);
    await web.open();
    await session.run(web);
    await web.move(790, 10);
    const href = await web.link().catch(() => web.page.evaluate(() => location.href));
    const original = await web.statePixels();
    const panel = await web.panel();
    await web.close();
    longest = Math.max(longest, href.length - href.indexOf('#') - 1);

    const again = new WebSession(browser, href);
    await again.open();
    const reopened = await again.statePixels();
    const panelAgain = await again.panel();
    const alert = await again.page.$eval('#link-alert', (e) => (e.hidden ? '' : e.textContent));
    await again.close();
    delete panel.trace;
    delete panelAgain.trace;
    check(`link of "${session.name}": the reopened page shows the same picture and panel`,
        reopened.equals(original) && JSON.stringify(panel) === JSON.stringify(panelAgain) &&
        alert === '', `${alert} ${JSON.stringify(panel)} / ${JSON.stringify(panelAgain)}`);
    if (session.big) {
      check(`link of 128 points: under 16 KB (${href.length - href.indexOf('#') - 1} characters)`,
          href.length - href.indexOf('#') - 1 < 16384);
    }
    check(`link of "${session.name}": no page error`,
        web.errors.length + again.errors.length === 0, [...web.errors, ...again.errors].join('; '));
  }
  console.log(`longest link: ${longest} characters`);
}

// Hostile fragments, made from a real link by hand, each with what its
// sentence must say.
function hostile(base) {
  const swap = (pattern, by) => base.replace(pattern, by);
  return [
    ['cut short', base.slice(0, Math.floor(base.length / 2)), /cut short|ends before/],
    ['cut before its end', base.slice(0, base.lastIndexOf(';')), /cut short|ends before/],
    ['a wrong version', swap(/^v1;/, 'v9;'), /version 9/],
    ['no version', swap(/^v1;/, ''), /version/],
    ['129 points', swap(/points=6:/, 'points=129:'), /129/],
    ['a count below 0', swap(/points=6:/, 'points=-1:'), /-1/],
    ['a knot list of the wrong length', swap(/knots=(\d+):/, (m, n) => `knots=${Number(n) + 1}:`),
      /knot/],
    ['NaN', swap(/points=6:[^,]+,/, 'points=6:NaN,'), /NaN/],
    ['an infinite number', swap(/points=6:[^,]+,/, 'points=6:1e39,'), /range|infinit/],
    ['an unknown mode', swap(/mode=[a-z]+/, 'mode=hermite'), /unknown|hermite/],
    ['a stray character', swap(';scheme=', ';sch<eme='), /stray|unknown/],
    ['a letter beyond ASCII', `${base}\u00e9`, /stray/],
    ['1 MB long', `v1;${'x'.repeat(1 << 20)}`, /long/],
    ['a negative degree', swap(/degree=\d+/, 'degree=-3'), /negative/],
    ['a setting given twice', swap(';scheme=', ';mode=rbf;scheme='), /twice|belongs/],
    ['text after the end', `${base};mode=rbf`, /after its end/],
    ['alpha at -1', swap(/alpha=[^;]+/, 'alpha=-1'), /alpha/],
    ['an active point past the polygon', swap(/active=-?\d+/, 'active=40'), /active point/],
    ['a script', '<script>alert(1)</script>', /version|stray/],
    ['escapes', '%76%31%3Bmode%3Dnone', /version|stray/],
  ];
}

async function hostileLinks(browser, url) {
  const bare = new WebSession(browser, url);
  await bare.open();
  const empty = await bare.statePixels();
  await enter(bare);
  await bare.key('4');
  await bare.key('l');
  await bare.move(790, 10);
  const base = (await bare.link().catch(() => '#v1')).split('#')[1];
  await bare.close();

  const cases = hostile(base);
  const failures = [];
  for (const [name, text, says] of cases) {
    const web = new WebSession(browser, `${url}#${text}`);
    await web.open();
    const alert = await web.page.evaluate(() => ({
      shown: !document.getElementById('link-alert').hidden,
      role: document.getElementById('link-alert').getAttribute('role'),
      sentence: document.getElementById('link-refusal').textContent,
    }));
    const panel = await web.panel();
    const pixels = await web.statePixels();
    await web.click(400, 300);
    const answers = (await web.panel()).points === 1;
    const fine = alert.shown && alert.role === 'alert' && says.test(alert.sentence) &&
      /^The link.*\.$/.test(alert.sentence) && panel.points === 0 && pixels.equals(empty) &&
      answers && web.errors.length === 0 && (await web.endedStatus()) === null;
    if (!fine) {
      failures.push(`${name}: "${alert.sentence.slice(0, 100)}" points ${panel.points}, ` +
        `${pixels.equals(empty) ? 'empty' : 'not empty'}, ${web.errors.join('; ')}`);
    }
    await web.close();
  }
  check(`${cases.length} hostile links: each refused with its sentence in an alert, the program ` +
        'running and empty, no page error', failures.length === 0, failures.join('\n  '));
}

// Undo to the empty polygon and redo to the end; every picture on the way.
async function undoRedo(browser, url) {
  const web = new WebSession(browser, url);
  await web.open();
  const pictures = [await web.statePixels()];
  const panels = [await web.panel()];
  const stepsTaken = [
    ...hexagon.map(([x, y]) => (s) => s.click(x, y)),
    (s) => s.key('4'), (s) => s.key('e'), (s) => s.drag(220, 180, 260, 140),
    (s) => s.key('6'), (s) => s.key('w'), (s) => s.drag(400, BAR_Y, 440, BAR_Y),
    (s) => s.drag(300, 300, 420, 360, 'right'), (s) => s.key('s'),
    (s) => s.control('b'), (s) => s.button('RBF'),
  ];
  for (const take of stepsTaken) {
    await take(web);
    await web.move(790, 10);
    pictures.push(await web.statePixels());
    panels.push(await web.panel());
  }
  const wrong = [];
  const compare = async (k, how) => {
    const p = await web.statePixels();
    const panel = await web.panel();
    if (!p.equals(pictures[k]) || panel.points !== panels[k].points || panel.mode !== panels[k].mode) {
      wrong.push(`${how} to step ${k}`);
    }
  };
  for (let k = stepsTaken.length - 1; k >= 0; --k) {
    if (k % 2 === 0) {
      await web.page.keyboard.down('Control');
      await web.page.keyboard.press('z');
      await web.page.keyboard.up('Control');
    } else {
      await web.page.click('#undo');
    }
    await web.frames();
    await compare(k, k % 2 === 0 ? 'Ctrl+Z' : 'the undo button');
  }
  check('undo goes back to the empty polygon through every picture', wrong.length === 0 &&
      panels[0].points === 0 && await web.page.$eval('#undo', (b) => b.disabled), wrong.join(', '));
  wrong.length = 0;
  for (let k = 1; k <= stepsTaken.length; ++k) {
    if (k % 2 === 0) {
      await web.page.keyboard.down('Control');
      await web.page.keyboard.down('Shift');
      await web.page.keyboard.press('z');
      await web.page.keyboard.up('Shift');
      await web.page.keyboard.up('Control');
    } else {
      await web.page.click('#redo');
    }
    await web.frames();
    await compare(k, k % 2 === 0 ? 'Ctrl+Shift+Z' : 'the redo button');
  }
  check('redo comes back to the end through every picture', wrong.length === 0 &&
      await web.page.$eval('#redo', (b) => b.disabled), wrong.join(', '));

  // An undo stops a running construction, and shows the step before it.
  await web.key('4');
  await web.key('m');
  await web.page.click('#undo');
  const still = await web.statePixels();
  await sleep(300);
  check('an undo stops a running construction',
      !(await web.panel()).animating && still.equals(await web.pixels()));

  // The history holds at least 200 steps, and no more than it is bounded to.
  const r = async () => (await web.panel()).r;
  await web.key('c');
  const start = await r();
  await web.page.$eval('#key-groups button[data-key=","]', (b) => {
    for (let i = 0; i < 600; ++i) b.click();
  });
  const undone = await web.page.$eval('#undo', (b) => {
    let n = 0;
    while (!b.disabled && n < 1000) {
      b.click();
      n += 1;
    }
    return n;
  });
  const r200 = start - 0.0125 * (600 - undone);
  check(`the history keeps ${undone} steps of 600: at least 200 and bounded`,
      undone >= 200 && undone < 600 && Math.abs((await r()) - r200) < 1e-3);
  check('undo and redo: no page error', web.errors.length === 0, web.errors.join('; '));
  await web.close();
}

// The page sends no frame that repeats the one on the canvas, and holds back
// the draws a frame shares with it until one differs. Pictures drawn that way
// (a hover changing a marker early in the frame, then gone; a construction
// resumed, which changes the frame after its first draws) are those of the
// same state opened afresh from its link, whose first frame is sent whole.
async function repeatedFrames(browser, url) {
  const web = new WebSession(browser, url);
  await web.open();
  await enter(web);
  await keys(web, '4l');
  await paused(web);
  const steps = [
    ['paused over the family, a point hovered and left', async () => {
      await web.move(hexagon[2][0], hexagon[2][1]);
      await web.move(790, 10);
    }],
    ['resumed for a while and paused again', async () => {
      await web.key('m');
      await sleep(120);
      await web.key('m');
      await web.move(790, 10);
    }],
  ];
  for (const [name, step] of steps) {
    await step();
    const href = await web.link();
    const shown = await web.statePixels();
    const again = new WebSession(browser, href);
    await again.open();
    const fresh = await again.statePixels();
    check(`repeated frames, ${name}: the picture is that of its link opened afresh`,
        shown.equals(fresh) && again.errors.length === 0, again.errors.join('; '));
    await again.close();
  }
  check('repeated frames: no page error', web.errors.length === 0, web.errors.join('; '));
  await web.close();
}

module.exports = {roundTrips, hostileLinks, undoRedo, repeatedFrames};
