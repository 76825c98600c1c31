// Drives one session of clicks, drags and keys in two places: the web page
// in headless Chromium and the desktop program under X (xdotool), and reads
// back what each shows as raw RGB, 800 x 600, rows from the top.
'use strict';
const {execFileSync, spawn} = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');
const serve = require('../../web/serve.js');

const width = 800;
const height = 600;
const title = 'Tessaveld by Morvane 2002/12/27';
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Raw RGB of an image file's bytes in any format ImageMagick reads.
function rawRgb(bytes, format) {
  return execFileSync('convert', [`${format}:-`, '-depth', '8', 'rgb:-'], {input: bytes,
    maxBuffer: 64 << 20});
}

// Chromium as root, headless, with software WebGL and no network of its own.
async function launchBrowser() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--no-first-run', '--disable-quic', '--window-size=1400,1000'],
  });
}

// The page's viewports: a desktop, a projector, and phones with touch.
const desktop = {width: 1400, height: 1000};

class WebSession {
  // viewport: puppeteer's, with hasTouch and isMobile for a phone.
  constructor(browser, url, viewport = desktop) {
    this.browser = browser;
    this.url = url;
    this.viewport = viewport;
    this.errors = [];
    this.ended = null;
  }

  async open() {
    this.page = await this.browser.newPage();
    this.page.on('pageerror', (e) => this.errors.push(e.message));
    this.page.on('console', (m) => {
      if (m.type() === 'error' && !/GPU stall/.test(m.text())) this.errors.push(m.text());
    });
    await this.page.setViewport(this.viewport);
    this.cdp = await this.page.createCDPSession();
    await this.page.goto(this.url);
    await this.page.waitForFunction(() => typeof Module !== 'undefined' && Module.calledRun === true,
        {timeout: 30000});
    this.canvas = await this.page.$('#canvas');
    await this.measure();
    await this.frames();
  }

  // Scrolls the whole canvas into view, if it is not, and measures it again.
  async showCanvas() {
    await this.page.$eval('#canvas', (c) => c.scrollIntoView({block: 'nearest'}));
    await this.measure();
  }

  // Where the canvas is shown, in CSS pixels of the page (it scrolls with it).
  async measure() {
    this.box = await this.page.$eval('#canvas', (c) => {
      const r = c.getBoundingClientRect();
      return {x: r.left + scrollX, y: r.top + scrollY, width: r.width, height: r.height};
    });
    this.scrollY = await this.page.evaluate(() => scrollY);
  }

  // The middle of window pixel (x, y) (y down, as the mouse counts) in CSS
  // pixels of the viewport, whatever size the canvas is shown at.
  at(x, y) {
    return {x: this.box.x + (x + 0.5) * this.box.width / width,
      y: this.box.y - this.scrollY + (y + 0.5) * this.box.height / height};
  }

  // Two animation frames: a redisplay asked for is drawn and shown.
  async frames() {
    await this.page.evaluate(() => new Promise((r) => requestAnimationFrame(() =>
      requestAnimationFrame(r))));
  }

  async move(x, y) {
    const p = this.at(x, y);
    await this.page.mouse.move(p.x, p.y);
  }

  // Fingers on the canvas, in CSS pixels of the viewport: each path is a list
  // of [x, y] positions, one per step, the same length for every finger; all
  // touch down at the first, move together and lift at the last.
  async touchPaths(paths) {
    const at = (k) => paths.map((path, id) => ({x: path[k][0], y: path[k][1], id}));
    await this.cdp.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: at(0)});
    for (let k = 1; k < paths[0].length; ++k) {
      await this.cdp.send('Input.dispatchTouchEvent', {type: 'touchMove', touchPoints: at(k)});
    }
    await this.cdp.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: []});
    await this.frames();
  }

  // Fingers from window pixel to window pixel, in `steps` even steps; `off`
  // shifts every touch by that many CSS pixels.
  async fingers(moves, steps = 10, off = [0, 0]) {
    await this.showCanvas();
    const paths = moves.map(([[x0, y0], [x1, y1]]) => Array.from({length: steps + 1}, (_, k) => {
      const f = steps === 0 ? 0 : k / steps;
      const p = this.at(x0 + (x1 - x0) * f, y0 + (y1 - y0) * f);
      return [p.x + off[0], p.y + off[1]];
    }));
    await this.touchPaths(paths);
  }

  async tap(x, y, off = [0, 0]) {
    await this.fingers([[[x, y], [x, y]]], 0, off);
  }

  async click(x, y, button = 'left') {
    await this.move(x, y);
    await this.page.mouse.down({button});
    await this.page.mouse.up({button});
    await this.frames();
  }

  // A drag with the button held, in the given number of even steps.
  async drag(x0, y0, x1, y1, button = 'left', steps = 10) {
    await this.move(x0, y0);
    await this.page.mouse.down({button});
    for (let i = 1; i <= steps; ++i) {
      await this.move(Math.round(x0 + (x1 - x0) * i / steps), Math.round(y0 + (y1 - y0) * i / steps));
    }
    await this.page.mouse.up({button});
    await this.frames();
  }

  async key(k) {
    const names = {' ': 'Space', Escape: 'Escape'};
    await this.page.keyboard.press(names[k] || k);
    await this.frames();
  }

  // The control of a key command: clicked from script, with the mouse, or
  // tapped with a finger.
  async control(key, how = 'script') {
    const selector = `#key-groups button[data-key="${key}"]`;
    if (how === 'mouse') {
      await this.page.click(selector);
    } else if (how === 'touch') {
      await this.page.tap(selector);
    } else {
      await this.page.$eval(selector, (b) => b.click());
    }
    await this.frames();
    // The page may have scrolled to the control.
    await this.measure();
  }

  // A menu entry's button, by the program's label.
  async button(label) {
    await this.page.evaluate((text) => {
      const b = [...document.querySelectorAll('#menu button')].find((e) => e.dataset.label === text);
      b.click();
    }, label);
    await this.frames();
  }

  async panel() {
    await sleep(20);
    return this.page.evaluate(() => JSON.parse(UTF8ToString(Module._tessaveld_panel())));
  }

  // The picture of the program's state: two frames drawn from the record (the
  // parameter bar takes the colour the frame before it left), whatever
  // transition frame was shown.
  async statePixels() {
    await this.page.evaluate(() => {
      Module._tessaveld_redraw();
      Module._tessaveld_redraw();
    });
    return this.pixels();
  }

  // The snapshot the address holds once the page has written it.
  async link() {
    await this.page.waitForFunction(() =>
      location.hash === `#${UTF8ToString(Module._tessaveld_snapshot(1))}`, {timeout: 5000});
    return this.page.evaluate(() => location.href);
  }

  // The canvas's own 800 x 600 pixels, the frame it keeps, at any shown size.
  async pixels() {
    await this.frames();
    const url = await this.page.$eval('#canvas', (c) => c.toDataURL('image/png'));
    return rawRgb(Buffer.from(url.slice(url.indexOf(',') + 1), 'base64'), 'png');
  }

  async trace() {
    return this.page.evaluate(() => {
      try {
        return FS.readFile('debug.txt', {encoding: 'utf8'});
      } catch (e) {
        return null;
      }
    });
  }

  async endedStatus() {
    return this.page.evaluate(() => (document.getElementById('ended').hidden ? null :
      document.body.dataset.exitStatus));
  }

  async close() {
    await this.page.close();
  }
}

// The desktop program, started from the repository root (where it finds its
// font and writes debug.txt) under the current X display.
class DesktopSession {
  constructor(program, root) {
    this.program = program;
    this.root = root;
  }

  x(...args) {
    return execFileSync('xdotool', args, {encoding: 'utf8'}).trim();
  }

  async open() {
    for (let attempt = 0; attempt < 3; ++attempt) {
      this.process = spawn(this.program, [], {cwd: this.root, stdio: 'ignore'});
      this.exit = new Promise((resolve) => this.process.on('exit', (code) => resolve(code)));
      for (let i = 0; i < 200 && !this.window; ++i) {
        try {
          this.window = this.x('search', '--name', `^${title}$`).split('\n')[0];
        } catch (e) {
          await sleep(100);
        }
      }
      if (this.window) break;
      this.process.kill();
    }
    if (!this.window) throw new Error('the desktop window did not appear');
    // No window manager: the window opens at (-1, -1); the whole of it on screen.
    this.x('windowmove', '--sync', this.window, '0', '0');
    await sleep(300);
  }

  async move(x, y) {
    this.x('mousemove', '--window', this.window, String(x), String(y));
    await sleep(30);
  }

  async click(x, y, button = 'left') {
    this.x('mousemove', '--window', this.window, String(x), String(y), 'click',
        button === 'right' ? '3' : '1');
    await sleep(150);
  }

  async drag(x0, y0, x1, y1, button = 'left', steps = 10) {
    const b = button === 'right' ? '3' : '1';
    await this.move(x0, y0);
    this.x('mousedown', b);
    await sleep(50);
    for (let i = 1; i <= steps; ++i) {
      await this.move(Math.round(x0 + (x1 - x0) * i / steps), Math.round(y0 + (y1 - y0) * i / steps));
    }
    this.x('mouseup', b);
    await sleep(150);
  }

  async key(k) {
    const names = {' ': 'space', ',': 'comma', '.': 'period', '<': 'less', '>': 'greater',
      Escape: 'Escape'};
    this.x('key', names[k] || k);
    await sleep(150);
  }

  async pixels() {
    await sleep(400);
    return rawRgb(execFileSync('xwd', ['-silent', '-id', this.window], {maxBuffer: 64 << 20}), 'xwd');
  }

  trace() {
    const file = path.join(this.root, 'debug.txt');
    return fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : null;
  }

  async close() {
    if (this.process.exitCode === null) this.process.kill();
    await this.exit;
  }
}

// Every non-background pixel of one picture that has no pixel of the same
// colour (each channel within `tolerance` levels) within one pixel in the
// other; both ways. The background is the colour of the top-left corner.
function unmatchedPixels(a, b, tolerance = 0) {
  const misses = [];
  const check = (from, to, label) => {
    const bg = [from[0], from[1], from[2]];
    for (let y = 0; y < height; ++y) {
      for (let x = 0; x < width; ++x) {
        const i = (y * width + x) * 3;
        if (from[i] === bg[0] && from[i + 1] === bg[1] && from[i + 2] === bg[2]) continue;
        let found = false;
        for (let dy = -1; dy <= 1 && !found; ++dy) {
          for (let dx = -1; dx <= 1 && !found; ++dx) {
            const xx = x + dx;
            const yy = y + dy;
            if (xx < 0 || yy < 0 || xx >= width || yy >= height) continue;
            const j = (yy * width + xx) * 3;
            found = Math.abs(to[j] - from[i]) <= tolerance &&
                Math.abs(to[j + 1] - from[i + 1]) <= tolerance &&
                Math.abs(to[j + 2] - from[i + 2]) <= tolerance;
          }
        }
        if (!found) misses.push(`${label} (${x}, ${y}) rgb(${from[i]}, ${from[i + 1]}, ${from[i + 2]})`);
      }
    }
  };
  check(a, b, 'only on the page');
  check(b, a, 'only on the desktop');
  return misses;
}

// The middle of what is drawn within `reach` window pixels of (x, y) (y
// down): the box of its pixels, in window pixels, as continuous positions
// (a pixel k spans k .. k + 1); null when nothing is drawn there.
function drawnCentre(rgb, x, y, reach = 12) {
  const bg = [rgb[0], rgb[1], rgb[2]];
  let box = null;
  for (let yy = Math.max(0, y - reach); yy <= Math.min(height - 1, y + reach); ++yy) {
    for (let xx = Math.max(0, x - reach); xx <= Math.min(width - 1, x + reach); ++xx) {
      const i = (yy * width + xx) * 3;
      if (rgb[i] === bg[0] && rgb[i + 1] === bg[1] && rgb[i + 2] === bg[2]) continue;
      box = box ? {x0: Math.min(box.x0, xx), x1: Math.max(box.x1, xx), y0: Math.min(box.y0, yy),
        y1: Math.max(box.y1, yy)} : {x0: xx, x1: xx, y0: yy, y1: yy};
    }
  }
  return box && {x: (box.x0 + box.x1 + 1) / 2, y: (box.y0 + box.y1 + 1) / 2};
}

// Whether a marker is drawn within `reach` window pixels of (x, y) (y down):
// mid grey is the solid of a plain marker and the wire of a highlighted one,
// and nothing else of a frame has it.
function markerNear(rgb, x, y, reach = 5) {
  for (let yy = Math.max(0, y - reach); yy <= Math.min(height - 1, y + reach); ++yy) {
    for (let xx = Math.max(0, x - reach); xx <= Math.min(width - 1, x + reach); ++xx) {
      const i = (yy * width + xx) * 3;
      if (rgb[i] === 128 && rgb[i + 1] === 128 && rgb[i + 2] === 128) return true;
    }
  }
  return false;
}

function nonBackground(rgb) {
  let count = 0;
  for (let i = 0; i < rgb.length; i += 3) {
    if (rgb[i] !== rgb[0] || rgb[i + 1] !== rgb[1] || rgb[i + 2] !== rgb[2]) ++count;
  }
  return count;
}

// Six points well apart, clear of the parameter bar.
const hexagon = [[120, 420], [220, 180], [380, 470], [520, 150], [650, 400], [720, 250]];

// count points on a grid of 16 columns, well apart, clear of the parameter bar.
function grid(count) {
  return Array.from({length: count}, (_, i) =>
    [40 + (i % 16) * 48, 40 + Math.floor(i / 16) * 62 + (i % 2) * 20]);
}

// A polygon put in by clicks (the hexagon unless given), and keys typed one by one.
async function enter(s, points = hexagon) {
  for (const [x, y] of points) await s.click(x, y);
}

async function keys(s, text) {
  for (const k of text) await s.key(k);
}

module.exports = {enter, keys, desktop, rawRgb, drawnCentre, markerNear, hexagon, grid, launchBrowser, WebSession, DesktopSession, unmatchedPixels, nonBackground, serve,
  sleep, width, height};
