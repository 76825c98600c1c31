// The panel of what the picture is made of: the right plot for every
// picture, values that agree with the mathematics worked out here
// independently, samples that lie on what is drawn, and a function picked on
// the plot that rings its own control point above the canvas.
'use strict';
const {enter, keys, hexagon, WebSession} = require('./driver.js');
const {check} = require('./check.js');

const KNOT_1_X = 275;
const BAR_Y = 575;

const plotOf = (s) => s.page.evaluate(() => window.tessaveld.plot());

function choose(n, k) {
  let c = 1;
  for (let j = 1; j <= k; ++j) c = c * (n - k + j) / j;
  return c;
}

// The largest difference between two lists of numbers.
function worst(a, b) {
  let w = 0;
  a.forEach((v, i) => { w = Math.max(w, Math.abs(v - b[i])); });
  return w;
}

// Sums of all functions at each sample parameter the functions share.
function sums(functions) {
  const at = new Map();
  for (const f of functions) {
    f.u.forEach((u, k) => at.set(u, (at.get(u) || 0) + f.value[k]));
  }
  return at;
}

// The plot's canvas as drawn: every sample must have a drawn pixel within
// half a CSS pixel of where the frame puts it (one device pixel around).
async function samplesOnTheDrawing(s) {
  return s.page.evaluate(() => {
    const plot = window.tessaveld.plot();
    const canvas = document.getElementById('plot');
    const ratio = canvas.width / canvas.clientWidth;
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const inked = (x, y) => {
      for (let dy = -1; dy <= 1; ++dy) {
        for (let dx = -1; dx <= 1; ++dx) {
          const px = Math.round(x * ratio) + dx;
          const py = Math.round(y * ratio) + dy;
          if (px < 0 || py < 0 || px >= canvas.width || py >= canvas.height) continue;
          const i = 4 * (py * canvas.width + px);
          if (data[i + 3] > 0 && (data[i] < 235 || data[i + 1] < 235 || data[i + 2] < 235)) {
            return true;
          }
        }
      }
      return false;
    };
    const f = plot.frame;
    let missed = 0;
    let total = 0;
    plot.drawn.forEach((d, i) => {
      const fn = plot.functions.filter((g) => !g.inset)[i];
      fn.u.forEach((u, k) => {
        const x = f.x0 + (u - f.from) / (f.to - f.from) * (f.x1 - f.x0);
        const y = f.y0 - (fn.value[k] * d.scale - f.lo) / (f.hi - f.lo) * (f.y0 - f.y1);
        if (y < f.y1 - 1 || y > f.y0 + 1) return;  // clipped away
        total += 1;
        if (Math.abs(d.path[k][0] - x) > 0.5 || Math.abs(d.path[k][1] - y) > 0.5 || !inked(x, y)) {
          missed += 1;
        }
      });
    });
    return {missed, total};
  });
}

const cases = [
  {name: 'no points', run: async () => {}, kind: 'hint'},
  {name: 'Bezier', run: async (s) => { await enter(s); await s.key('4'); }, kind: 'bernstein',
    check: (p) => {
      const n = p.functions.length - 1;
      let w = 0;
      for (const f of p.functions) {
        const want = f.u.map((t) => choose(n, f.index) * t ** f.index * (1 - t) ** (n - f.index));
        w = Math.max(w, worst(f.value, want));
      }
      return {ok: n === 5 && w < 1e-9, detail: `degree ${n}, worst ${w}`};
    }},
  {name: 'Lagrange', run: async (s) => { await enter(s, hexagon.slice(0, 5)); await s.key('5'); },
    kind: 'lagrange', check: (p) => {
      // 1 at its own node, 0 at the others; the nodes sum to one everywhere.
      let w = 0;
      for (const f of p.functions) {
        p.marks.knots.forEach((t, j) => {
          const k = f.u.indexOf(t);
          if (k >= 0) w = Math.max(w, Math.abs(f.value[k] - (j === f.index ? 1 : 0)));
        });
      }
      const s = Math.max(...[...sums(p.functions).values()].map((v) => Math.abs(v - 1)));
      return {ok: w < 1e-9 && s < 1e-9, detail: `delta ${w}, sum ${s}`};
    }},
  {name: 'B-spline, a knot handle dragged', run: async (s) => {
    await enter(s); await keys(s, '6ww'); await s.drag(KNOT_1_X, BAR_Y, 340, BAR_Y);
  }, kind: 'bspline', check: (p) => {
    const [lo, hi] = p.marks.domain;
    let w = 0;
    for (const [u, v] of sums(p.functions)) if (u >= lo && u <= hi) w = Math.max(w, Math.abs(v - 1));
    const negative = p.functions.some((f) => f.value.some((v) => v < 0));
    // Each function lives on [t_i, t_(i+d+1)].
    const d = p.marks.knots.length - p.functions.length - 1;
    const inSupport = p.functions.every((f) => f.u.every((u) =>
      u >= p.marks.knots[f.index] && u <= p.marks.knots[f.index + d + 1]));
    return {ok: w < 1e-9 && !negative && inSupport && p.functions.length === 6,
      detail: `sum ${w}, degree ${d}`};
  }},
  {name: 'B-spline after knot insertion', run: async (s) => {
    await enter(s); await keys(s, '6ww'); await s.move(KNOT_1_X, BAR_Y); await s.key('i');
  }, kind: 'bspline', check: (p) => ({ok: p.functions.length === 7,
    detail: `${p.functions.length} functions`})},
  {name: 'RBF', run: async (s) => { await enter(s); await s.key('3'); }, kind: 'rbf',
    check: (p) => {
      const cardinals = p.functions.filter((f) => !f.inset);
      const s = Math.max(...[...sums(cardinals).values()].map((v) => Math.abs(v - 1)));
      const phi = p.functions.find((f) => f.inset);
      // mq1 with r = 1: sqrt(x^2 + 1).
      const basis = worst(phi.value, phi.u.map((x) => Math.sqrt(x * x + 1)));
      return {ok: s < 1e-6 && basis < 1e-6 && cardinals.length === 6,
        detail: `sum ${s}, phi ${basis}`};
    }},
  ...['s', 'as', 'aas', 'aaas', 'aaaas'].map((scheme) => ({
    name: `subdivision ${scheme}`, trace: true,
    run: async (s) => { await enter(s); await keys(s, `p${scheme}`); }, kind: 'mask',
    check: (p, trace) => {
      const sumsOk = p.functions.every((f) => Math.abs(f.value.reduce((a, b) => a + b, 0) - 1) < 1e-6);
      // rbf4 and rbf6: the same weights as the trace of the step (halving keeps them).
      let traced = true;
      const line = /^ *0 :(.*)$/m.exec(trace);
      if (p.functions[0].label.startsWith('rbf') && line) {
        const written = line[1].trim().split(/\s+/).slice(0, p.functions[0].value.length).map(Number);
        traced = worst(written, p.functions[0].value) < 6e-5;
      }
      return {ok: sumsOk && traced, detail: `${p.functions.map((f) => f.label)}`};
    }})),
  {name: 'reduction j', run: async (s) => { await enter(s); await keys(s, '4jj'); },
    kind: 'reduction', check: (p) => ({ok: p.marks.maximum > 0.5 &&
      p.functions.length === 2, detail: `max ${p.marks.maximum}`})},
  {name: 'reduction h', run: async (s) => { await enter(s); await keys(s, '4h'); }, kind: 'reduction'},
  {name: 'family l', run: async (s) => { await enter(s); await keys(s, '4l'); }, kind: 'family',
    check: (p) => ({ok: p.functions.length === 6 && p.functions[5].label === 'alpha = 99',
      detail: p.functions.map((f) => f.label).join(', ')})},
];

async function plotPanel(browser, url) {
  for (const c of cases) {
    const s = new WebSession(browser, url);
    await s.open();
    await c.run(s);
    await s.frames();
    const p = await plotOf(s);
    check(`plot of ${c.name}: ${c.kind}`, p.kind === c.kind, `got ${p.kind}: ${p.sentence}`);
    if (c.check && p.kind === c.kind) {
      const trace = c.trace ? await s.page.evaluate(() => {
        try {
          return Module.FS.readFile('debug.txt', {encoding: 'utf8'});
        } catch (e) {
          return '';
        }
      }) : '';
      const {ok, detail} = c.check(p, trace);
      check(`plot of ${c.name}: the values hold`, ok, detail);
    }
    // Every label of a few functions is drawn, none over another.
    const over = p.labels.filter((a, i) => p.labels.some((b, j) => j < i &&
        a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1));
    check(`plot of ${c.name}: ${p.labels.length} labels, none over another`,
        over.length === 0 && (p.drawn.length > 16 || p.labels.length === p.drawn.length),
        over.map((b) => b.text).join(', '));
    if (p.kind !== 'hint') {
      const {missed, total} = await samplesOnTheDrawing(s);
      check(`plot of ${c.name}: ${total} samples on the drawing`, total > 0 && missed === 0,
          `${missed} of ${total} off the drawn path`);
    }
    check(`plot of ${c.name}: no page error`, s.errors.length === 0, s.errors.join('; '));
    await s.close();
  }

  // Live while a point is dragged: the plot follows the drag.
  const s = new WebSession(browser, url);
  await s.open();
  await enter(s);
  await s.key('4');
  const before = await plotOf(s);
  await s.drag(380, 470, 420, 300);
  await s.frames();
  const after = await plotOf(s);
  check('the Bezier plot stays the same basis after a drag (it depends on the degree only)',
      JSON.stringify(before.functions) === JSON.stringify(after.functions));

  // A function picked on the plot rings its control point over the canvas:
  // point 2, where the drag above left it.
  const [px, py] = [420, 300];
  const ring = await s.page.evaluate(async (index) => {
    const plot = window.tessaveld.plot();
    const k = plot.drawn.findIndex((d) => d.label === `i = ${index}`);
    const path = plot.drawn[k].path;
    const [x, y] = path[Math.floor(path.length / 2)];
    const canvas = document.getElementById('plot');
    const r = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new PointerEvent('pointermove', {clientX: r.left + x, clientY: r.top + y,
      bubbles: true}));
    return {picked: window.tessaveld.plot().marks.picked, k,
      text: document.getElementById('plot-pointer').textContent};
  }, 2);
  check('pointing at function 2 on the plot picks it', ring.picked === ring.k && /^i = 2:/.test(ring.text),
      JSON.stringify(ring));
  const ringed = await s.page.evaluate((x, y) => {
    const overlay = document.getElementById('overlay');
    const program = document.getElementById('canvas');
    const ratio = overlay.width / overlay.clientWidth;
    const scale = program.clientWidth / program.width;
    const data = overlay.getContext('2d').getImageData(0, 0, overlay.width, overlay.height).data;
    const at = (cx, cy) => data[4 * (Math.round(cy * ratio) * overlay.width + Math.round(cx * ratio)) + 3];
    const cx = (x + 0.5) * scale;
    const cy = (y + 0.5) * scale;
    let around = 0;
    for (let a = 0; a < 16; ++a) {
      const t = a * Math.PI / 8;
      if (at(cx + 14 * Math.cos(t), cy + 14 * Math.sin(t)) > 0) around += 1;
    }
    return {around, centre: at(cx, cy)};
  }, px, py);
  check('the ring stands around the clicked point 2, over the canvas',
      ringed.around >= 12 && ringed.centre === 0, JSON.stringify(ringed));
  // Every axis's tick labels, small and large, name their ticks: each reads
  // back within a hundredth of a step of its tick.
  const labels = await s.page.evaluate(async () => {
    const {ticks, formatTick} = await import('./plot.js');
    return [[0, 3.2e-4], [-7e-6, 1.3e-5], [0, 0.37], [1, 9], [0, 2.6e4], [-3.1e6, 4.4e6]].map(
        ([lo, hi]) => ticks(lo, hi, 6).map((t) => [t, formatTick(t)]));
  });
  const misread = labels.flatMap((axis) => axis.filter(([t, text], i) =>
    Math.abs(Number(text) - t) > Math.abs(axis[1][0] - axis[0][0]) / 100 ||
    axis.some(([, other], j) => j !== i && other === text)));
  check('tick labels read back as their ticks, none twice', misread.length === 0,
      JSON.stringify(misread));
  check('plot pointer: no page error', s.errors.length === 0, s.errors.join('; '));
  await s.close();
}

module.exports = {plotPanel};
