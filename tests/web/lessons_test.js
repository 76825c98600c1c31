// The lessons: every built-in step opens from its address with its text,
// window and plot in view together (desktop and phone), its check says not
// done at the step's own state and done once a solution is played with the
// pointer or the keys, and each sentence of its text about the picture holds,
// against the mathematics worked out here. Then the lesson's links, progress,
// keyboard and screen-reader text.
'use strict';
const {keys, WebSession, sleep} = require('./driver.js');
const {check} = require('./check.js');
const {recipes, BAR_Y} = require('./lesson_recipes.js');

const phone = {width: 390, height: 844, hasTouch: true, isMobile: true};
const plotOf = (s) => s.page.evaluate(() => window.tessaveld.plot());
const snapshotOf = (s) => s.page.evaluate(() => UTF8ToString(Module._tessaveld_snapshot(0)));

// A polygon field of a snapshot ("points", "aux") as [[x, y, z], ...].
function polygon(snapshot, field) {
  const value = new RegExp(`;${field}=([^;]*)`).exec(snapshot)[1];
  if (value === 'points') return polygon(snapshot, 'points');
  const at = value.indexOf(':');
  return at < 0 ? [] : value.slice(at + 1).split('/').map((p) => p.split(',').map(Number));
}

// Key e raises the degree: the control polygon becomes the raised one (the
// old one is kept beside it). Its largest distance, over the first `coordinates`
// coordinates, from Q_i = i/(n+1) P_(i-1) + (1 - i/(n+1)) P_i.
async function elevated(s, coordinates) {
  const before = polygon(await snapshotOf(s), 'points');
  await s.key('e');
  const after = polygon(await snapshotOf(s), 'points');
  const n = before.length - 1;
  let w = 0;
  after.forEach((q, i) => {
    const a = i / (n + 1);
    for (let c = 0; c < coordinates; ++c) {
      const want = (i > 0 ? a * before[i - 1][c] : 0) + (i <= n ? (1 - a) * before[i][c] : 0);
      w = Math.max(w, Math.abs(q[c] - want));
    }
  });
  return {after, n, w};
}

function choose(n, k) {
  let c = 1;
  for (let j = 1; j <= k; ++j) c = c * (n - k + j) / j;
  return c;
}

const worst = (a, b) => a.reduce((w, v, i) => Math.max(w, Math.abs(v - b[i])), 0);

// The sum of the functions' values at each sample parameter.
function sums(functions, f = (v) => v) {
  const at = new Map();
  for (const fn of functions) fn.u.forEach((u, k) => at.set(u, (at.get(u) || 0) + f(fn.value[k])));
  return at;
}

// Value at u of the function of a plot, the sample nearest u.
function valueAt(fn, u) {
  let best = 0;
  fn.u.forEach((v, k) => { if (Math.abs(v - u) < Math.abs(fn.u[best] - u)) best = k; });
  return fn.value[best];
}

// Value at u between the samples: the parabola through the three nearest.
function between(fn, u) {
  let best = 0;
  fn.u.forEach((v, k) => { if (Math.abs(v - u) < Math.abs(fn.u[best] - u)) best = k; });
  const k = Math.min(Math.max(best, 1), fn.u.length - 2);
  const [a, b, c] = [k - 1, k, k + 1];
  const x = fn.u;
  return fn.value[a] * (u - x[b]) * (u - x[c]) / ((x[a] - x[b]) * (x[a] - x[c])) +
    fn.value[b] * (u - x[a]) * (u - x[c]) / ((x[b] - x[a]) * (x[b] - x[c])) +
    fn.value[c] * (u - x[a]) * (u - x[b]) / ((x[c] - x[a]) * (x[c] - x[b]));
}

// The Lagrange cardinal l_i(u) of the nodes t.
const cardinal = (t, i, u) => t.reduce((p, tj, j) => (j === i ? p : p * (u - tj) / (t[i] - tj)), 1);

// The B-spline N_(i,d)(u) of the knots t, by the textbook recursion (0/0 taken as 0);
// the last piece closed at the right end of the domain.
function bspline(t, i, d, u) {
  if (d === 0) {
    const last = t[t.length - 1];
    return (t[i] <= u && u < t[i + 1]) || (u === last && t[i] < u && t[i + 1] === u) ? 1 : 0;
  }
  const a = t[i + d] > t[i] ? (u - t[i]) / (t[i + d] - t[i]) * bspline(t, i, d - 1, u) : 0;
  const b = t[i + d + 1] > t[i + 1] ?
    (t[i + d + 1] - u) / (t[i + d + 1] - t[i + 1]) * bspline(t, i + 1, d - 1, u) : 0;
  return a + b;
}

function bsplineAgrees(p) {
  const d = p.marks.knots.length - p.functions.length - 1;
  let w = 0;
  for (const f of p.functions) {
    f.u.forEach((u, k) => { w = Math.max(w, Math.abs(f.value[k] - bspline(p.marks.knots, f.index, d, u))); });
  }
  return {w, d};
}

// The weights of the rbf4 rule at the middle of the stencil -1, 0, 1, 2 with
// mq1, r and a polynomial of degree 1: the interpolation system solved here.
function rbf4Mask(r) {
  const c = [-1, 0, 1, 2];
  const phi = (x) => Math.sqrt(x * x + r * r);
  const a = c.map((ci) => [...c.map((cj) => phi(ci - cj)), 1, ci]);
  a.push([...c.map(() => 1), 0, 0], [...c, 0, 0]);
  const rhs = [...c.map((cj) => phi(0.5 - cj)), 1, 0.5];
  // Gauss elimination with partial pivoting on the symmetric system.
  const n = rhs.length;
  for (let k = 0; k < n; ++k) {
    let p = k;
    for (let i = k + 1; i < n; ++i) if (Math.abs(a[i][k]) > Math.abs(a[p][k])) p = i;
    [a[k], a[p]] = [a[p], a[k]];
    [rhs[k], rhs[p]] = [rhs[p], rhs[k]];
    for (let i = k + 1; i < n; ++i) {
      const m = a[i][k] / a[k][k];
      for (let j = k; j < n; ++j) a[i][j] -= m * a[k][j];
      rhs[i] -= m * rhs[k];
    }
  }
  const x = new Array(n).fill(0);
  for (let i = n - 1; i >= 0; --i) {
    x[i] = (rhs[i] - a[i].slice(i + 1).reduce((s, v, j) => s + v * x[i + 1 + j], 0)) / a[i][i];
  }
  return x.slice(0, 4);
}

// The curve sum_i N_i(u) P_i at each sample, from a B-spline plot and the snapshot's points.
function bsplineCurve(p, points) {
  const at = new Map();
  for (const f of p.functions) {
    f.u.forEach((u, k) => {
      const q = at.get(u) || [0, 0];
      at.set(u, [q[0] + f.value[k] * points[f.index][0], q[1] + f.value[k] * points[f.index][1]]);
    });
  }
  return at;
}

// Each step's claims, tested on its own state (s), some after playing its task.
const claims = {
  'lagrange:1': async (s) => {
    const p = await plotOf(s);
    const t = p.marks.knots;
    let w = 0;
    for (const f of p.functions) f.u.forEach((u, k) => { w = Math.max(w, Math.abs(f.value[k] - cardinal(t, f.index, u))); });
    const sum = Math.max(...[...sums(p.functions).values()].map((v) => Math.abs(v - 1)));
    return [['the nodes are 0, 1, 2, 3', JSON.stringify(t) === '[0,1,2,3]'],
      ['the plot shows the cardinal functions', w < 1e-5, `worst ${w}`],
      ['they add up to 1 at every t', sum < 1e-5, `worst ${sum}`]];
  },
  'lagrange:3': async (s) => {
    await s.drag(275, BAR_Y, 330, BAR_Y);
    const p = await plotOf(s);
    const t = p.marks.knots;
    let w = 0;
    for (const f of p.functions) t.forEach((tj, j) => { w = Math.max(w, Math.abs(cardinal(t, f.index, tj) - (j === f.index ? 1 : 0))); });
    let agree = 0;
    for (const f of p.functions) f.u.forEach((u, k) => { agree = Math.max(agree, Math.abs(f.value[k] - cardinal(t, f.index, u))); });
    return [['a dragged node is no longer evenly spaced', Math.abs(t[1] - 1 / 3) > 0.01, JSON.stringify(t)],
      ['the cardinals of the new nodes are still 1 at their own node and 0 at the others', w < 1e-9 && agree < 1e-5, `${w} ${agree}`]];
  },
  'lagrange:4': async (s) => {
    const p = await plotOf(s);
    const t = p.marks.knots;
    let agree = 0;
    for (const f of p.functions) f.u.forEach((u, k) => { agree = Math.max(agree, Math.abs(f.value[k] - cardinal(t, f.index, u))); });
    const lebesgue = sums(p.functions, Math.abs);
    const over = (lo, hi) => Math.max(...[...lebesgue].filter(([u]) => u >= lo && u <= hi).map(([, v]) => v));
    return [['eleven equally spaced nodes', t.length === 11 && t.every((v, i) => v === i)],
      ['the plot shows their cardinal functions', agree < 1e-4, `worst ${agree}`],
      ['between the first two nodes the sum of |l_i| passes 25', over(0, 1) > 25, `${over(0, 1)}`],
      ['between the middle ones it stays below 2', over(4, 6) < 2, `${over(4, 6)}`]];
  },
  'bezier:1': async (s) => {
    const p = await plotOf(s);
    const n = p.functions.length - 1;
    let w = 0;
    for (const f of p.functions) w = Math.max(w, worst(f.value, f.u.map((t) => choose(n, f.index) * t ** f.index * (1 - t) ** (n - f.index))));
    const sum = Math.max(...[...sums(p.functions).values()].map((v) => Math.abs(v - 1)));
    return [['four Bernstein polynomials of degree 3', n === 3 && w < 1e-9, `${n}, ${w}`],
      ['never negative', p.functions.every((f) => f.value.every((v) => v >= 0))],
      ['they add up to 1 at every t', sum < 1e-9, `${sum}`]];
  },
  'bezier:3': async (s) => {
    const p = await plotOf(s);
    const n = p.functions.length - 1;
    const h = 1 / 128;
    const at0 = p.functions.map((f) => valueAt(f, 0));
    const at1 = p.functions.map((f) => valueAt(f, 1));
    const slope = p.functions.map((f) => (valueAt(f, h) - valueAt(f, 0)) / h);
    return [['at t = 0 only B_0 is not zero, and it is 1', at0.every((v, i) => v === (i === 0 ? 1 : 0)), `${at0}`],
      ['at t = 1 only B_n', at1.every((v, i) => v === (i === n ? 1 : 0)), `${at1}`],
      ['the start runs along the first leg: slopes -n, n, 0, ...', Math.abs(slope[0] + n) < 0.1 &&
        Math.abs(slope[1] - n) < 0.1 && slope.slice(2).every((v) => Math.abs(v) < 0.1), `${slope}`]];
  },
  'bezier:4': async (s) => {
    const p = await plotOf(s);
    const sum = Math.max(...[...sums(p.functions).values()].map((v) => Math.abs(v - 1)));
    const {after, n, w} = await elevated(s, 2);
    return [['weights never negative and adding up to 1', sum < 1e-9 && p.functions.every((f) => f.value.every((v) => v >= 0))],
      ['raised: one point more, each on a leg of the old polygon', after.length === n + 2 && w < 1e-3, `${after.length}, ${w}`]];
  },
  'bsplines:1': async (s) => {
    const p = await plotOf(s);
    const {w, d} = bsplineAgrees(p);
    const [lo, hi] = p.marks.domain;
    let sum = 0;
    for (const [u, v] of sums(p.functions)) if (u >= lo && u <= hi) sum = Math.max(sum, Math.abs(v - 1));
    return [['the knots are 0, 0, 0, 0, 1, 2, 3, 3, 3, 3', JSON.stringify(p.marks.knots) === '[0,0,0,0,1,2,3,3,3,3]'],
      ['the domain is 0 to 3', lo === 0 && hi === 3],
      ['the plot shows the cubic B-splines of these knots', d === 3 && w < 1e-5, `${w}`],
      ['never negative, adding up to 1 on the domain', sum < 1e-5 && p.functions.every((f) => f.value.every((v) => v >= 0))]];
  },
  'bsplines:2': async (s) => {
    const p = await plotOf(s);
    const first = p.functions.find((f) => f.index === 0);
    const outside = first.u.filter((u, k) => u > 1 && first.value[k] !== 0);
    return [['the first point weighs only on 0 <= t <= 1', outside.length === 0, `${outside.slice(0, 3)}`]];
  },
  'bsplines:3': async (s) => {
    await recipes.bsplines[2].solve(s);
    const p = await plotOf(s);
    const t = p.marks.knots;
    const {w, d} = bsplineAgrees(p);
    const double = t.find((v, i) => v > 0 && v < t[t.length - 1] && t[i + 1] === v);
    // One-sided derivatives of the basis at the double knot, by differences of
    // the textbook recursion: the first agree, a second jumps.
    const n = p.functions.length;
    const f = (i, u) => bspline(t, i, d, u);
    const h = 1e-4;
    let first = 0;
    let second = 0;
    for (let i = 0; i < n; ++i) {
      const left = (f(i, double - h) - f(i, double - 2 * h)) / h;
      const right = (f(i, double + 2 * h) - f(i, double + h)) / h;
      first = Math.max(first, Math.abs(left - right));
      const l2 = (f(i, double - h) - 2 * f(i, double - 2 * h) + f(i, double - 3 * h)) / (h * h);
      const r2 = (f(i, double + 3 * h) - 2 * f(i, double + 2 * h) + f(i, double + h)) / (h * h);
      second = Math.max(second, Math.abs(l2 - r2));
    }
    return [['an inner knot is now double', double !== undefined, JSON.stringify(t)],
      ['the plot shows the B-splines of the new knots', w < 1e-5, `${w}`],
      ['there the first derivatives are continuous (C1)', first < 0.01, `${first}`],
      ['and a second derivative jumps (not C2)', second > 0.1, `${second}`]];
  },
  'bsplines:4': async (s) => {
    const before = bsplineCurve(await plotOf(s), polygon(await snapshotOf(s), 'points'));
    await recipes.bsplines[3].solve(s);
    const after = bsplineCurve(await plotOf(s), polygon(await snapshotOf(s), 'points'));
    let w = 0;
    let shared = 0;
    for (const [u, q] of after) {
      const b = before.get(u);
      if (!b) continue;
      shared += 1;
      w = Math.max(w, Math.hypot(q[0] - b[0], q[1] - b[1]));
    }
    return [['after the insertion the curve is where it was (within 0.01 pixel)', shared > 100 && w < 0.01, `${shared} samples, ${w}`]];
  },
  'rbf:1': async (s) => {
    const p = await plotOf(s);
    const phi = p.functions.find((f) => f.inset);
    const cardinals = p.functions.filter((f) => !f.inset);
    let delta = 0;
    for (const f of cardinals) p.marks.knots.forEach((t, j) => { delta = Math.max(delta, Math.abs(between(f, t) - (j === f.index ? 1 : 0))); });
    return [['phi is sqrt(x^2 + 1)', worst(phi.value, phi.u.map((x) => Math.sqrt(x * x + 1))) < 1e-6],
      ['each cardinal is 1 at its own node and 0 at the others (between samples, to 0.002)', delta < 2e-3, `${delta}`]];
  },
  'rbf:2': async (s) => {
    const phi0 = async () => valueAt((await plotOf(s)).functions.find((f) => f.inset), 0);
    const before = await phi0();
    const r0 = (await s.panel()).r;
    await recipes.rbf[1].solve(s);
    const after = await phi0();
    const r1 = (await s.panel()).r;
    return [['phi(0) = r', Math.abs(before - r0) < 1e-4 && Math.abs(after - r1) < 1e-4, `${before} ${r0} ${after} ${r1}`],
      ['eight presses take 8 x 0.0125 = 0.1 off r', Math.abs(r0 - r1 - 0.1) < 1e-4]];
  },
  'rbf:3': async (s) => {
    const sumOf = async () => {
      const cardinals = (await plotOf(s)).functions.filter((f) => !f.inset);
      return Math.max(...[...sums(cardinals).values()].map((v) => Math.abs(v - 1)));
    };
    const one = await sumOf();
    await s.key('w');
    const two = await sumOf();
    return [['the cardinals add up to 1 at every t, with degree 1 and 2', one < 1e-5 && two < 1e-5, `${one} ${two}`]];
  },
  'rbf:4': async (s) => {
    const said = [];
    for (let d = 1; d <= 3; ++d) {
      const panel = await s.panel();
      said.push({d: panel.degree, curve: panel.notice === '' && (await plotOf(s)).kind === 'rbf'});
      if (d < 3) await s.key('w');
    }
    // Three points: a curve exactly while d + 1 <= 3.
    return [['the curve exists while d + 1 <= n and not after', said.every((x) => x.curve === (x.d + 1 <= 3)), JSON.stringify(said)]];
  },
  'reduction:1': async (s) => {
    const {after, n, w} = await elevated(s, 3);
    return [['the new points follow the formula', after.length === n + 2 && w < 1e-3, `${w}`]];
  },
  'reduction:2': async (s) => {
    const n = polygon(await snapshotOf(s), 'points').length;
    await s.key('j');
    return [['the reduced polygon has one point fewer', polygon(await snapshotOf(s), 'aux').length === n - 1]];
  },
  'reduction:3': async (s) => {
    const weight = async () => {
      const alpha = (await s.panel()).alpha;
      const fn = (await plotOf(s)).functions.find((f) => f.label === 'weight');
      const w = worst(fn.value, fn.u.map((t) => (4 * t * (1 - t)) ** alpha));
      return {alpha, w, mid: valueAt(fn, 0.5), near: valueAt(fn, 0.1)};
    };
    const a = await weight();
    await recipes.reduction[2].solve(s);
    const b = await weight();
    return [['the plot shows (4t(1 - t))^alpha', a.w < 1e-4 && b.w < 1e-4, `${a.w} ${b.w}`],
      ['for alpha below 0 it is largest at the ends', a.alpha < 0 && a.near > a.mid],
      ['above 0 in the middle, where it is 1', b.alpha > 0 && b.mid > b.near && Math.abs(a.mid - 1) < 1e-6 && Math.abs(b.mid - 1) < 1e-6]];
  },
  'reduction:4': async (s) => {
    await s.key('l');
    const p = await plotOf(s);
    const least = (t) => {
      const v = p.functions.map((f) => valueAt(f, t));
      return p.functions[v.indexOf(Math.min(...v))].label;
    };
    return [['six reductions', p.kind === 'family' && p.functions.length === 6],
      ['alpha = -0.999 is closest at t = 0 and t = 1', least(0) === 'alpha = -0.999' && least(1) === 'alpha = -0.999', `${least(0)} ${least(1)}`],
      ['alpha = 99 in the middle', least(0.5) === 'alpha = 99', least(0.5)]];
  },
  'subdivision:1': async (s) => {
    const before = polygon(await snapshotOf(s), 'points');
    await s.key('s');
    const mask = (await plotOf(s)).functions[0].value;
    const after = polygon(await snapshotOf(s), 'points');
    const kept = before.every((q, i) => q.every((v, c) => v === after[2 * i][c]));
    return [['the mask is -1/16, 9/16, 9/16, -1/16', worst(mask, [-1 / 16, 9 / 16, 9 / 16, -1 / 16]) < 1e-9, `${mask}`],
      ['every old point is kept', after.length === 12 && kept]];
  },
  'subdivision:2': async (s) => {
    const masks = (await plotOf(s)).functions.map((f) => f.value);
    const before = polygon(await snapshotOf(s), 'points');
    await s.key('s');
    const after = polygon(await snapshotOf(s), 'points');
    const kept = after.filter((q) => before.some((b) => Math.hypot(b[0] - q[0], b[1] - q[1]) < 1e-3));
    return [['the masks are -1/32, 25/32, 9/32, -1/32 and reversed', masks.length === 2 &&
      worst(masks[0], [-1 / 32, 25 / 32, 9 / 32, -1 / 32]) < 1e-7 && worst(masks[1], [-1 / 32, 9 / 32, 25 / 32, -1 / 32]) < 1e-7, JSON.stringify(masks)],
    ['each adds up to 1', masks.every((m) => Math.abs(m.reduce((a, b) => a + b, 0) - 1) < 1e-7)],
    ['none of the old points is kept', after.length === 24 && kept.length === 0]];
  },
  'subdivision:3': async (s) => {
    const mask = (await plotOf(s)).functions[0].value;
    const want = rbf4Mask(1);
    return [['the plot shows the rbf4 mask of mq1, degree 1, r as large as the spacing', worst(mask, want) < 1e-5, `${mask} / ${want}`],
      ['outer weights about -0.09, inner about 0.59', Math.abs(want[0] + 0.09) < 0.005 && Math.abs(want[1] - 0.59) < 0.005, `${want}`]];
  },
  'subdivision:4': async (s) => {
    const mask = async () => (await plotOf(s)).functions[0].value;
    const m0 = await mask();
    const r0 = (await s.panel()).r;
    await s.key('s');
    const m1 = await mask();
    const r1 = (await s.panel()).r;
    await keys(s, 'ns');
    const m2 = await mask();
    return [['with halving on, r halves and the mask stays', r1 === r0 / 2 && worst(m0, m1) < 1e-6, `${r0} ${r1} ${worst(m0, m1)}`],
      ['with halving off, the next mask changes', worst(m1, m2) > 1e-3, `${worst(m1, m2)}`]];
  },
};

// Step, window and plot in view together, no horizontal scroll.
function inView(s) {
  return s.page.evaluate(() => {
    const shown = ['lesson-heading', 'lesson-text', 'lesson-task', 'canvas', 'plot']
        .map((id) => document.getElementById(id)).filter((e) => e.getClientRects().length > 0);
    const boxes = shown.map((e) => e.getBoundingClientRect());
    const out = boxes.filter((b) => b.top < -1 || b.bottom > innerHeight + 1 || b.width < 50);
    return {ok: out.length === 0 && document.documentElement.scrollWidth <= innerWidth,
      detail: boxes.map((b) => `${Math.round(b.top)}..${Math.round(b.bottom)}`).join(' ') + ` of ${innerHeight}`};
  });
}

async function openStep(browser, url, id, step, viewport) {
  const s = new WebSession(browser, `${url}#&lesson=${id}&step=${step}`, viewport);
  await s.open();
  await s.page.waitForFunction(() => window.tessaveld.lesson() !== null, {timeout: 10000});
  await s.frames();
  await s.measure();
  return s;
}

async function lessonSteps(browser, url) {
  const probe = new WebSession(browser, url);
  await probe.open();
  await probe.page.waitForFunction(() => window.tessaveld.lessons().length > 0, {timeout: 10000});
  const lessons = await probe.page.evaluate(() => window.tessaveld.lessons());
  await probe.close();
  check('six lessons, 4 to 8 steps each', lessons.length === 6 &&
      lessons.every((l) => l.steps.length >= 4 && l.steps.length <= 8), lessons.map((l) => l.id).join(' '));
  for (const lesson of lessons) {
    lesson.steps.forEach((step, k) => check(`${lesson.id} ${k + 1}: a recipe makes its state`,
        recipes[lesson.id] && recipes[lesson.id][k]));
    for (let k = 0; k < lesson.steps.length; ++k) {
      const name = `${lesson.id} ${k + 1}`;
      const step = lesson.steps[k];
      const s = await openStep(browser, url, lesson.id, k + 1);
      const here = await s.page.evaluate(() => ({
        lesson: window.tessaveld.lesson(),
        text: document.getElementById('lesson-text').textContent.trim(),
        math: document.querySelectorAll('#lesson-text math').length,
        hash: location.hash,
      }));
      check(`${name}: opens from its address, shows its text`, here.lesson.id === lesson.id &&
          here.lesson.step === k + 1 && here.text.length > 40 && here.text.split(/\s+/).length <= 130,
      JSON.stringify(here.lesson));
      check(`${name}: the program shows the step's state`, (await snapshotOf(s)) === step.state);
      const view = await inView(s);
      check(`${name}: text, task, window and plot in view at 1400 x 1000`, view.ok, view.detail);
      if (step.check !== null) {
        check(`${name}: "${step.check}" is not done at the step's own state`, here.lesson.done === false);
      }
      const claim = claims[`${lesson.id}:${k + 1}`];
      if (claim) {
        for (const [what, ok, detail] of await claim(s)) check(`${name}: ${what}`, ok, detail);
      } else if (step.check !== null) {
        await recipes[lesson.id][k].solve(s);
      }
      if (step.check !== null) {
        // The claims may have played the task already; otherwise it is played now.
        if (!(await s.page.evaluate(() => window.tessaveld.lesson().done))) {
          await recipes[lesson.id][k].solve(s);
        }
        await sleep(50);
        const after = await s.page.evaluate(() => ({done: window.tessaveld.lesson().done,
          said: document.getElementById('lesson-status').textContent}));
        check(`${name}: done after the solution is played, and said`, after.done === true &&
            after.said.startsWith('Done:'), JSON.stringify(after));
      }
      check(`${name}: no page error`, s.errors.length === 0, s.errors.join('; '));
      await s.close();

      const p = await openStep(browser, url, lesson.id, k + 1, phone);
      const small = await inView(p);
      check(`${name}: text, task, window and plot in view at 390 x 844`, small.ok, small.detail);
      check(`${name}: no page error on the phone`, p.errors.length === 0, p.errors.join('; '));
      await p.close();
    }
  }
}

// The links, progress, keyboard and screen-reader text of a lesson.
async function lessonLinks(browser, url) {
  // A link whose state was changed since: the step's own state, said once.
  const broken = new WebSession(browser, `${url}#v1;mode=spline;end&lesson=bsplines&step=3`);
  await broken.open();
  await broken.page.waitForFunction(() => window.tessaveld.lesson() !== null, {timeout: 10000});
  const said = await broken.page.evaluate(() => ({
    notice: document.getElementById('lesson-notice').textContent,
    alert: document.getElementById('link-alert').hidden,
    lesson: window.tessaveld.lesson(),
    state: UTF8ToString(Module._tessaveld_snapshot(0)),
    wanted: window.tessaveld.lessons().find((l) => l.id === 'bsplines').steps[2].state,
  }));
  check('a changed link opens the step with its own state, said in one sentence',
      said.lesson.step === 3 && said.state === said.wanted && said.alert &&
      /^The link's state could not be read .*; the step opens with its own\.$/.test(said.notice), said.notice);

  // Next by the keyboard: the address follows, the heading takes the focus.
  await broken.page.focus('#lesson-next');
  await broken.page.keyboard.press('Enter');
  await broken.frames();
  const next = await broken.page.evaluate(() => ({lesson: window.tessaveld.lesson(),
    focus: document.activeElement.id, hash: location.hash}));
  await broken.page.waitForFunction(() => location.hash.endsWith('&step=4'), {timeout: 5000});
  const hash = await broken.page.evaluate(() => location.hash);
  check('Enter on "Next" opens step 4 and the address says so', next.lesson.step === 4 &&
      hash.endsWith('&lesson=bsplines&step=4') && next.focus === 'lesson-heading', JSON.stringify(next));
  await recipes.bsplines[3].solve(broken);
  // Controls of the lesson: at least 24 x 24, focus visible.
  const controls = await broken.page.evaluate(() => [...document.querySelectorAll('#lesson button, #lesson-list button, #copy-step')]
      .filter((b) => b.getClientRects().length > 0).map((b) => {
        const r = b.getBoundingClientRect();
        return [b.textContent, r.width, r.height];
      }));
  check('the lesson controls are at least 24 x 24 CSS pixels', controls.length >= 3 &&
      controls.every(([, w, h]) => w >= 24 && h >= 24), JSON.stringify(controls));
  await broken.page.focus('#lesson-previous');
  await broken.page.keyboard.press('Tab');
  const outline = await broken.page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle);
  check('a lesson control reached by Tab shows its focus', outline === 'solid', outline);
  check('the task done is said in a live region', await broken.page.evaluate(() => {
    const e = document.getElementById('lesson-status');
    return e.getAttribute('role') === 'status' && e.textContent.startsWith('Done:');
  }));
  await broken.close();

  // Progress stays on the device: the list says what was done.
  const again = new WebSession(browser, url);
  await again.open();
  await again.page.waitForFunction(() => document.querySelector('#lesson-list button') !== null, {timeout: 10000});
  const listed = await again.page.$eval('#lesson-list button[data-lesson="bsplines"]', (b) => b.textContent);
  check('the lesson list keeps the progress', /[1-4] of 4 done/.test(listed), listed);
  // A lesson opened from the list continues where it was left.
  await again.page.click('#lesson-list button[data-lesson="bsplines"]');
  await again.frames();
  const opened = await again.page.evaluate(() => window.tessaveld.lesson());
  check('opened from the list, the lesson continues at its step', opened && opened.step === 4, JSON.stringify(opened));
  await again.page.click('#lesson-leave');
  await again.frames();
  check('leaving the lesson drops it from the address', (await again.page.evaluate(() => window.tessaveld.lesson())) === null);
  // A teacher's file with a broken state: refused whole, its line named.
  const refusedFile = await again.page.evaluate(() => {
    const bytes = new TextEncoder().encode('lesson: L\nstep: S\ntext: T\nstate: v1;end\n');
    Module.HEAPU8.set(bytes, Module._tessaveld_lesson_text(bytes.length));
    return JSON.parse(UTF8ToString(Module._tessaveld_lesson_read()));
  });
  check('a file with a broken state is refused with its line', refusedFile.line === 4 &&
      /^Line 4: the state is refused: /.test(refusedFile.refusal), JSON.stringify(refusedFile));
  check('lessons: no page error', again.errors.length === 0, again.errors.join('; '));
  await again.close();

  // At 320 pixels no horizontal scroll, in a lesson and outside.
  for (const hash of ['', '#&lesson=rbf&step=1']) {
    const narrow = new WebSession(browser, url + hash, {width: 320, height: 640, hasTouch: true, isMobile: true});
    await narrow.open();
    await sleep(300);
    const wide = await narrow.page.evaluate(() => document.documentElement.scrollWidth);
    check(`320 pixels wide${hash ? ', in a lesson' : ''}: no horizontal scroll`, wide <= 320, `${wide}`);
    await narrow.close();
  }
  // Outside lessons the phone shows the plot right below the window.
  const p = new WebSession(browser, url, phone);
  await p.open();
  const gap = await p.page.evaluate(() => document.getElementById('plot-panel').getBoundingClientRect().top -
      document.getElementById('stage').getBoundingClientRect().bottom);
  check('on a phone the plot comes right below the window', gap >= 0 && gap < 30, `${gap}`);
  await p.close();
}

module.exports = {lessonSteps, lessonLinks};
