// The web page end to end, in headless Chromium beside the desktop program:
//   node tests/web/page_test.js SITE_DIR DESKTOP_PROGRAM [FUZZ_SECONDS]
// Needs an X display for the desktop program (scripts/with-display.sh).
'use strict';
const path = require('path');
const {enter, keys, hexagon, grid, launchBrowser, WebSession, DesktopSession, unmatchedPixels, nonBackground,
  serve, sleep} = require('./driver.js');
const {check, fail, failures} = require('./check.js');
const {phoneSizes} = require('./touch_test.js');
const {clickAccuracy} = require('./scale_test.js');
const {controlsAsKeys, pictureAndLink, notice, keyboard} = require('./controls_test.js');
const {roundTrips, hostileLinks, undoRedo, repeatedFrames} = require('./link_test.js');
const {plotPanel} = require('./plot_test.js');
const {analysisPage} = require('./analysis_test.js');
const {keyboardOnly, axeScan, highContrast} = require('./access_test.js');
const {lessonSteps, lessonLinks} = require('./lessons_test.js');
const {rasterisedRuns} = require('./layer_test.js');

const root = path.resolve(__dirname, '../..');
const site = path.resolve(process.argv[2] || path.join(root, 'build-web/site'));
const program = path.resolve(process.argv[3] || path.join(root, 'build/tessaveld'));
const fuzzSeconds = Number(process.argv[4] || 60);

const KNOT_1_X = 275;  // handle of knot 1: degree 3, six points
const BAR_Y = 575;

// Sessions drawn on both sides and compared; `here` leaves the pointer where
// the last step put it (a frame of its own that a hover would replace).
const sessions = [
  {name: 'lagrange', run: async (s) => { await enter(s, hexagon.slice(0, 5)); await s.key('5'); }},
  {name: 'bezier', run: async (s) => { await enter(s); await s.key('4'); }},
  {name: 'bezier elevation', run: async (s) => { await enter(s); await keys(s, '4e'); }},
  {name: 'bezier reduction family', run: async (s) => { await enter(s); await keys(s, '4l'); }},
  {name: 'bspline cubic', run: async (s) => { await enter(s); await keys(s, '6ww'); }},
  {name: 'bspline turned', run: async (s) => {
    await enter(s); await keys(s, '6ww'); await s.drag(300, 300, 600, 500, 'right');
  }},
  {name: 'knot insertion', here: true, run: async (s) => {
    await enter(s); await keys(s, '6ww'); await s.move(KNOT_1_X, BAR_Y); await s.key('i');
  }},
  {name: 'rbf mq1', run: async (s) => { await enter(s); await s.key('3'); }},
  {name: 'rbf mq3 degree 2', run: async (s) => { await enter(s); await keys(s, '3bw'); }},
  {name: 'subdivision NR4', here: true, run: async (s) => { await enter(s); await s.key('s'); }},
  {name: 'subdivision D-D', here: true, run: async (s) => { await enter(s); await keys(s, 'as'); }},
  {name: 'subdivision UNR4', here: true, run: async (s) => { await enter(s); await keys(s, 'aas'); }},
  {name: 'subdivision rbf4', here: true, run: async (s) => { await enter(s); await keys(s, 'aaas'); }},
  {name: 'subdivision rbf6', here: true, run: async (s) => {
    await enter(s); await keys(s, 'aaaas');
  }},
  {name: 'subdivision twice, then the curve', run: async (s) => {
    await enter(s); await keys(s, 'ss4');
  }},
  // The marker edges of a turned view of 128 points are one run of 3,000
  // segments of one colour, which the page rasterises itself.
  {name: '128 points turned', run: async (s) => {
    await enter(s, grid(128));
    await s.key('4');
    await s.drag(400, 300, 600, 450, 'right');
  }},
];

// The trace of two RBF steps, as the desktop writes it.
const traceSession = async (s) => {
  await enter(s);
  await keys(s, 'paaas');  // trace on, rbf4, one step
  await keys(s, 'as');     // rbf6, one step
  await s.key('p');        // trace off: the file is complete
};

// Unmatched pixels allowed, as a share of those drawn.
const unmatchedShare = 0.005;
let worst = 0;

async function sameAsDesktop(browser, url) {
  for (const session of sessions) {
    const web = new WebSession(browser, url);
    await web.open();
    await session.run(web);
    if (!session.here) await web.move(790, 10);
    const page = await web.pixels();
    await web.close();

    const desktop = new DesktopSession(program, root);
    await desktop.open();
    await session.run(desktop);
    if (!session.here) await desktop.move(790, 10);
    const native = await desktop.pixels();
    await desktop.close();

    // The two renderers may part at the end pixels of a wide line, where one
    // line overlaps another of a different colour; the rest must match.
    const misses = unmatchedPixels(page, native);
    const drawn = Math.max(nonBackground(page), nonBackground(native));
    const allowed = Math.floor(drawn * unmatchedShare);
    check(`${session.name}: the page draws what the desktop draws (${drawn} pixels drawn, ` +
          `${misses.length} unmatched, at most ${allowed})`,
    misses.length <= allowed && nonBackground(page) > 0,
    `the first: ${misses.slice(0, 8).join('; ')}`);
    worst = Math.max(worst, misses.length / drawn);
    check(`${session.name}: no page error`, web.errors.length === 0, web.errors.join('; '));
  }
  console.log(`largest share unmatched: ${(100 * worst).toFixed(3)} %`);
}

async function traceAsDesktop(browser, url) {
  const web = new WebSession(browser, url);
  await web.open();
  await traceSession(web);
  const pageTrace = await web.trace();
  const shown = await web.page.$eval('#trace-text', (e) => e.textContent);
  await web.close();

  const desktop = new DesktopSession(program, root);
  await desktop.open();
  await traceSession(desktop);
  await desktop.close();
  const nativeTrace = desktop.trace();

  check('trace: the desktop wrote one', nativeTrace !== null && nativeTrace.length > 1000);
  const a = (pageTrace || '').split('\n');
  const b = (nativeTrace || '').split('\n');
  const differing = [];
  for (let i = 0; i < Math.max(a.length, b.length); ++i) {
    if (a[i] !== b[i]) differing.push(`line ${i + 1}: page "${a[i]}" desktop "${b[i]}"`);
  }
  check(`trace: debug.txt equals the desktop's byte for byte (${b.length} lines)`,
      pageTrace === nativeTrace, differing.slice(0, 5).join('\n  '));
  check('trace: the page shows the file', shown === pageTrace);
}

const menu = ['clear', 'reload', 'RBF', 'bezier', 'lagrange', 'B-spline', 'subdivision',
  'delete point'];

// Each button does what its digit key does, and what the entry is for.
async function buttonsAndDigits(browser, url) {
  const expected = {
    'clear': (p) => p.points === 0,
    'reload': (p) => p.points === 6,
    'RBF': (p) => p.mode === 'RBF',
    'bezier': (p) => p.mode === 'Bezier',
    'lagrange': (p) => p.mode === 'Lagrange',
    'B-spline': (p) => p.mode === 'B-spline',
    'subdivision': (p) => p.points === 12 && p.mode === 'none',
    'delete point': (p) => p.points === 5,
  };
  for (let i = 0; i < menu.length; ++i) {
    const results = [];
    for (const how of ['button', 'digit']) {
      const web = new WebSession(browser, url);
      await web.open();
      await enter(web);
      // Over the last point, the one "delete point" deletes.
      await web.move(...hexagon[5]);
      if (how === 'button') {
        await web.button(menu[i]);
      } else {
        await web.key(String(i + 1));
      }
      await web.move(...hexagon[5]);
      results.push({panel: await web.panel(), pixels: await web.pixels()});
      await web.close();
    }
    check(`"${menu[i]}": the button and digit ${i + 1} do the same`,
        JSON.stringify(results[0].panel) === JSON.stringify(results[1].panel) &&
        results[0].pixels.equals(results[1].pixels), JSON.stringify(results.map((r) => r.panel)));
    check(`"${menu[i]}": does what the menu entry does`, expected[menu[i]](results[0].panel),
        JSON.stringify(results[0].panel));
  }
}

async function clicksAndView(browser, url) {
  const web = new WebSession(browser, url);
  await web.open();
  const labels = await web.page.$$eval('#menu button', (bs) => bs.map((b) => b.dataset.label));
  check('the nine menu entries are buttons', JSON.stringify(labels) ===
      JSON.stringify([...menu.slice(0, 2), 'RBF', 'bezier', 'lagrange', 'B-spline', 'subdivision',
        'delete point', 'quit']), labels.join(', '));
  await enter(web, hexagon.slice(0, 3));
  check('three clicks make three points', (await web.panel()).points === 3);
  await enter(web, hexagon.slice(3));
  // The bar takes the colour the frame before left; space first, so that
  // both pictures follow a frame of the same kind.
  await web.key('6');
  await web.key(' ');
  await web.move(...hexagon[0]);
  await web.move(790, 10);
  const before = await web.pixels();
  await web.drag(300, 300, 500, 400, 'right');
  await web.move(790, 10);
  const turned = await web.pixels();
  check('right drag turns the view', !turned.equals(before));
  check('right drag adds no point', (await web.panel()).points === 6);
  await web.key(' ');
  await web.move(...hexagon[0]);
  await web.move(790, 10);
  check('space turns it back', (await web.pixels()).equals(before));
  await web.key('p');
  check('the panel shows the trace switched on', (await web.panel()).trace === true);
  await web.close();
}

async function ending(browser, url) {
  for (const [how, status] of [['Escape', '255'], ['quit', '1']]) {
    const web = new WebSession(browser, url);
    await web.open();
    await enter(web, hexagon.slice(0, 2));
    if (how === 'Escape') {
      await web.key('Escape');
    } else {
      await web.button('quit');
    }
    await sleep(100);
    check(`${how} ends the program with status ${status} and the page says so`,
        (await web.endedStatus()) === status);
    const text = await web.page.$eval('#ended-text', (e) => e.textContent);
    check(`${how}: the page offers to start again`, /exit status/.test(text) &&
        await web.page.$eval('#restart', (e) => !e.hidden));
    const drawn = await web.pixels();
    await web.click(400, 300);
    await web.key('4');
    check(`${how}: nothing answers afterwards`, (await web.pixels()).equals(drawn));
    check(`${how}: no page error`, web.errors.length === 0, web.errors.join('; '));
    // Esc starts again as the address left it, quit empty.
    const again = how === 'Escape' ? '#reopen' : '#restart';
    await web.page.click(again);
    await web.page.waitForFunction(() => typeof Module !== 'undefined' && Module.calledRun === true &&
      document.getElementById('ended').hidden, {timeout: 30000});
    await web.frames();
    const points = (await web.panel()).points;
    check(`${how}: ${how === 'Escape' ? '"Open it again" gives the program as it ended' :
      '"Start again" gives a fresh program'} (${points} points)`,
    points === (how === 'Escape' ? 2 : 0));
    await web.close();
  }
}

// A minute of random input (never Esc or quit): clicks, drags with either
// button, keys, the menu, hovers, taps, drags with one and two fingers, every
// control, undo and redo; halfway, the page's own link opened in a new tab
// must show what the page shows. The page keeps running with no error.
async function randomMinute(browser, url) {
  let seed = 12345;
  const random = (n) => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed % n;
  };
  const keyChoices = [...'0123456789 ,<.>abcdehijlmnpqrsw'];
  const controls = [...'mqwehjliab,.np '];
  const web = new WebSession(browser, url, {width: 1400, height: 1000, hasTouch: true});
  await web.open();
  const start = Date.now();
  const end = start + fuzzSeconds * 1000;
  let events = 0;
  let reopened = false;
  while (Date.now() < end) {
    const choice = random(16);
    const x = random(800);
    const y = random(600);
    if (choice < 3) {
      await web.click(x, y);
    } else if (choice < 4) {
      await web.drag(x, y, random(800), random(600), random(2) ? 'left' : 'right', 3);
    } else if (choice < 6) {
      await web.key(keyChoices[random(keyChoices.length)]);
    } else if (choice < 7) {
      await web.button(menu[random(menu.length)]);
    } else if (choice < 8) {
      await web.move(x, y);
    } else if (choice < 9) {
      await web.tap(x, y);
    } else if (choice < 10) {
      await web.fingers([[[x, y], [random(800), random(600)]]], 3);
    } else if (choice < 11) {
      await web.fingers([[[x, y], [random(800), random(600)]], [[random(800), random(600)],
        [random(800), random(600)]]], 3);
    } else if (choice < 13) {
      await web.control(controls[random(controls.length)]);
    } else if (choice < 15) {
      await web.page.click(random(2) ? '#undo' : '#redo').catch(() => {});
      await web.frames();
    } else {
      await web.page.keyboard.down('Control');
      if (random(2)) await web.page.keyboard.down('Shift');
      await web.page.keyboard.press('z');
      await web.page.keyboard.up('Shift');
      await web.page.keyboard.up('Control');
      await web.frames();
    }
    events += 1;
    if (!reopened && Date.now() > start + fuzzSeconds * 500) {
      reopened = true;
      while ((await web.panel()).animating) await web.key('m');
      const href = await web.link();
      const here = await web.statePixels();
      const panel = await web.panel();
      const again = new WebSession(browser, href);
      await again.open();
      const there = await again.statePixels();
      const panelThere = await again.panel();
      delete panel.trace;
      delete panelThere.trace;
      check(`random input: its own link, opened halfway (${panel.points} points), shows the ` +
            'same picture and panel', there.equals(here) &&
            JSON.stringify(panel) === JSON.stringify(panelThere) && again.errors.length === 0,
      `${JSON.stringify(panel)} / ${JSON.stringify(panelThere)} ${again.errors.join('; ')}`);
      await again.close();
    }
  }
  const alive = await web.panel();
  check(`random input for ${fuzzSeconds} s (${events} events): the page still runs`,
      typeof alive.points === 'number' && (await web.endedStatus()) === null);
  check('random input: no page error', web.errors.length === 0, web.errors.slice(0, 3).join('; '));
  await web.close();
}

(async () => {
  const server = await serve(site, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launchBrowser();
  const started = Date.now();
  // A group that throws counts as one failure; the others still run.
  const groups = [clicksAndView, buttonsAndDigits, ending, phoneSizes, clickAccuracy,
    controlsAsKeys, keyboard, pictureAndLink, notice, roundTrips, hostileLinks, undoRedo,
    repeatedFrames, rasterisedRuns, plotPanel, analysisPage, lessonSteps, lessonLinks, sameAsDesktop,
    traceAsDesktop, keyboardOnly, axeScan, highContrast];
  if (fuzzSeconds > 0) groups.push(randomMinute);
  // TESSAVELD_WEB_ONLY=name,name runs only those groups, while working on them.
  const only = (process.env.TESSAVELD_WEB_ONLY || '').split(',').filter((n) => n);
  if (only.length > 0) groups.splice(0, groups.length, ...groups.filter((g) => only.includes(g.name)));
  try {
    for (const group of groups) {
      const t0 = Date.now();
      try {
        await group(browser, url);
      } catch (e) {
        fail();
        console.log(`FAIL: ${group.name}: ${e.stack}`);
      }
      console.log(`-- ${group.name}: ${((Date.now() - t0) / 1000).toFixed(1)} s`);
    }
  } finally {
    await browser.close();
    server.close();
  }
  console.log(`web page: ${((Date.now() - started) / 1000).toFixed(0)} s`);
  console.log(failures() === 0 ? 'web page: all checks passed' : `${failures()} check(s) failed`);
  process.exit(failures() === 0 ? 0 : 1);
})();
