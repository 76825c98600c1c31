// The page's GL layer rasterises long runs of lines itself, with everything
// drawn after them (the markers between them, the knots' handles), and draws
// them as one picture. Each state here is drawn that way and by WebGL's own
// lines and triangles, and the two pictures must be the same pixel for pixel.
'use strict';
const {grid, WebSession, sleep} = require('./driver.js');
const {check} = require('./check.js');

// Seven constructions over the family at 128 points: some 49,000 one-pixel
// segments, 3,000 of them leaving the window, a marker between each row's.
// `run`: how long the construction runs before it is paused, ms.
const states = [
  {name: 'paused at its start over the family', keys: '4l', run: 0},
  {name: 'paused over the family, turned', keys: '4l', run: 150, turn: true},
  {name: 'paused over the family and the elevated polygon', keys: '4el', run: 300},
];

async function rasterisedRuns(browser, url) {
  for (const state of states) {
    const web = new WebSession(browser, url);
    await web.open();
    for (const [x, y] of grid(128)) await web.click(x, y);
    for (const k of state.keys) await web.key(k);
    if (state.turn) await web.drag(400, 300, 520, 380, 'right');
    await web.key('m');
    await sleep(state.run);
    await web.key('m');
    while ((await web.panel()).animating) await web.key('m');
    await web.move(790, 10);
    const result = await web.page.evaluate(() => {
      const gl = Module.ctx;
      const width = gl.drawingBufferWidth;
      const height = gl.drawingBufferHeight;
      const picture = (runs) => {
        Module._tessaveld_rasterise_runs(runs);
        Module._tessaveld_redraw();
        const p = new Uint8Array(width * height * 4);
        gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, p);
        return p;
      };
      const own = picture(7);
      const webgl = picture(0);
      Module._tessaveld_rasterise_runs(7);
      let differing = 0;
      let drawn = 0;
      const first = [];
      for (let i = 0; i < width * height * 4; i += 4) {
        if (own[i] !== own[0] || own[i + 1] !== own[1] || own[i + 2] !== own[2]) ++drawn;
        if (own[i] !== webgl[i] || own[i + 1] !== webgl[i + 1] || own[i + 2] !== webgl[i + 2]) {
          ++differing;
          if (first.length < 6) first.push(`(${(i / 4) % width}, ${Math.floor(i / 4 / width)})`);
        }
      }
      return {differing, drawn, first};
    });
    check(`rasterised runs, ${state.name}: the page's own lines are WebGL's, pixel for pixel ` +
          `(${result.drawn} pixels drawn, ${result.differing} differ)`,
    result.differing === 0 && result.drawn > 50000, result.first.join(' '));
    check(`rasterised runs, ${state.name}: no page error`, web.errors.length === 0,
        web.errors.join('; '));
    await web.close();
  }
}

module.exports = {rasterisedRuns};
