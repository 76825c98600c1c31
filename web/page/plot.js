// The panel beside the canvas that shows what the picture is made of: the
// basis or cardinal functions of the curve, a scheme's mask, a reduction's
// weight and error. Every sample comes from the program (web/native/
// plot_bridge.cpp); this module only lays them out: axes, colours, labels,
// the function under the pointer and the control point it weighs.

const MARGIN = {left: 52, right: 14, top: 26, bottom: 40};
const INSET_MARGIN = {left: 40, right: 10, top: 26, bottom: 36};
// Above this many functions a label is drawn only where it has room.
const ALL_LABELS = 16;
// How near (CSS pixels) the pointer must come to a function to pick it.
const PICK_DISTANCE = 12;
// The value axis of cardinal functions, which can grow without bound away
// from their nodes, is kept to this range; the samples themselves are exact.
const CLIP = {low: -1.5, high: 2.5};

// A colour per function that no other function on the plot has: hues a
// golden angle apart, two lightnesses alternating.
function colourOf(i, count) {
  if (count === 1) return 'hsl(210, 70%, 40%)';
  const hue = (i * 137.508) % 360;
  const light = i % 2 === 0 ? 38 : 50;
  return `hsl(${hue.toFixed(1)}, 75%, ${light}%)`;
}

// Ticks at 1, 2 or 5 times a power of ten, about `wanted` of them.
export function ticks(lo, hi, wanted) {
  if (!(hi > lo)) return [lo];
  const raw = (hi - lo) / wanted;
  const power = Math.pow(10, Math.floor(Math.log10(raw)));
  const step = [1, 2, 5, 10].map((m) => m * power).find((s) => s >= raw) || raw;
  const out = [];
  for (let v = Math.ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) {
    out.push(Math.abs(v) < step * 1e-9 ? 0 : v);
  }
  return out;
}

// A tick's value in at most four significant digits, far from 1 in powers of
// ten: 2.5e-4 stays 2.5e-4 (rounded to one digit it read 3e-4, as 3e-4 beside it did).
export function formatTick(v) {
  const a = Math.abs(v);
  if (a === 0) return '0';
  const short = Number(v.toPrecision(4));
  if (a >= 1e4 || a < 1e-3) return short.toExponential();
  return String(short);
}

// A canvas kept at the device's pixel density, so that the plot stays crisp
// at every scale the page takes.
export function crisp(canvas) {
  const ratio = window.devicePixelRatio || 1;
  const width = canvas.clientWidth;
  const height = canvas.clientHeight;
  if (canvas.width !== Math.round(width * ratio) || canvas.height !== Math.round(height * ratio)) {
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
  }
  const ctx = canvas.getContext('2d');
  ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
  ctx.clearRect(0, 0, width, height);
  return {ctx, width, height};
}

// The plot's data as the program gives it, its samples copied out of the
// program's memory in one piece each; every function views its own range.
function readPlot(program, plot) {
  const samples = program.plotSamples();
  const u = samples.u.slice();
  const value = samples.value.slice();
  plot.functions = plot.curves.map((c) => ({
    label: c.label,
    index: c.index,
    stems: c.stems,
    inset: c.inset,
    u: u.subarray(c.first, c.first + c.count),
    value: value.subarray(c.first, c.first + c.count),
  }));
  delete plot.curves;
  return plot;
}

const captions = {
  bernstein: (p) => `The Bernstein polynomials B(i, ${p.functions.length - 1})(t): the curve ` +
    'is the sum of the control points times these weights.',
  lagrange: () => 'The cardinal polynomials L_i(u) over the nodes: L_i is 1 at node i and 0 ' +
    'at every other node, and the curve is the sum of the points times them.',
  bspline: () => 'The B-spline basis N(i, d)(u) over the knot vector; outside the curve\'s ' +
    'domain (shaded) the functions do not sum to 1.',
  rbf: () => 'The cardinal functions of the RBF interpolation, polynomial part included: ' +
    'function i is the curve through 1 at centre i and 0 at the others. Beside it the basis ' +
    'function phi(x).',
  mask: () => 'The mask of the scheme: the weight each old point gets in a new point, by its ' +
    'place around the new point (between offsets 0 and 1).',
  reduction: (p) => 'The weight (4t(1 - t))^alpha of the least-squares reduction and its ' +
    `error, the distance between the curve and the reduced curve: at most ` +
    `${p.marks.maximum.toFixed(3)} px, at t = ${p.marks.maximumAt.toFixed(4)}.`,
  family: () => 'The error of each of the six reductions, the distance between the curve ' +
    'and the reduced curve along t, one per alpha.',
};

export function createPlot(program, elements) {
  const {canvas, inset, caption, numbers, pointer, overlay, programCanvas, csvButton} = elements;
  let plot = null;
  let picked = -1;       // the function under the pointer on the plot
  let frame = null;      // the plot's axes, for the pointer
  const drawn = [];      // the screen path of each function, for picking
  const labelWidths = new Map();
  let ringed = false;    // a ring stands on the overlay
  let joints = null;     // [{u, label}] of a B-spline's interior knots, when shown
  let labelBoxes = [];   // [{text, x0, x1, y0, y1}] of the labels drawn last

  function valueRange(functions) {
    let lo = 0;
    let hi = 1;
    for (const f of functions) {
      for (const v of f.value) {
        if (Number.isFinite(v)) {
          lo = Math.min(lo, v);
          hi = Math.max(hi, v);
        }
      }
    }
    const clipped = lo < CLIP.low || hi > CLIP.high;
    if (plot.kind === 'lagrange' || plot.kind === 'rbf') {
      lo = Math.max(lo, CLIP.low);
      hi = Math.min(hi, CLIP.high);
    }
    const pad = (hi - lo) * 0.05;
    return {lo: lo - pad, hi: hi + pad, clipped};
  }

  function drawAxes(ctx, f, name, valueName) {
    ctx.strokeStyle = '#444';
    ctx.fillStyle = '#222';
    ctx.lineWidth = 1;
    ctx.font = '12px sans-serif';
    ctx.beginPath();
    ctx.moveTo(f.x0, f.y0);
    ctx.lineTo(f.x1, f.y0);
    ctx.moveTo(f.x0, f.y0);
    ctx.lineTo(f.x0, f.y1);
    ctx.stroke();
    ctx.textAlign = 'center';
    ctx.textBaseline = 'top';
    for (const t of ticks(f.from, f.to, Math.max(2, Math.floor((f.x1 - f.x0) / 70)))) {
      const x = f.x(t);
      ctx.beginPath();
      ctx.moveTo(x, f.y0);
      ctx.lineTo(x, f.y0 + 4);
      ctx.stroke();
      ctx.fillText(formatTick(t), x, f.y0 + 6);
    }
    ctx.textAlign = 'right';
    ctx.textBaseline = 'middle';
    for (const v of ticks(f.lo, f.hi, Math.max(2, Math.floor((f.y0 - f.y1) / 40)))) {
      const y = f.y(v);
      ctx.beginPath();
      ctx.moveTo(f.x0 - 4, y);
      ctx.lineTo(f.x0, y);
      ctx.stroke();
      ctx.fillText(formatTick(v), f.x0 - 6, y);
      if (v === 0) {
        ctx.save();
        ctx.strokeStyle = '#bbb';
        ctx.beginPath();
        ctx.moveTo(f.x0, y);
        ctx.lineTo(f.x1, y);
        ctx.stroke();
        ctx.restore();
      }
    }
    // The parameter's name under the right end of its axis, the value's
    // above the top of its own, both clear of the plotted functions.
    ctx.textAlign = 'right';
    ctx.textBaseline = 'bottom';
    ctx.font = 'italic 14px serif';
    ctx.fillText(name, f.x1, f.y0 + 36);
    ctx.textAlign = 'left';
    ctx.textBaseline = 'bottom';
    if (valueName) ctx.fillText(valueName, f.x0 - 40, f.y1 - 8);
  }

  function frameOf(width, height, margin, from, to, lo, hi) {
    const x0 = margin.left;
    const x1 = width - margin.right;
    const y0 = height - margin.bottom;
    const y1 = margin.top;
    const span = to > from ? to - from : 1;
    return {
      x0, x1, y0, y1, from, to, lo, hi,
      x: (u) => x0 + (u - from) / span * (x1 - x0),
      y: (v) => y0 - (v - lo) / (hi - lo) * (y0 - y1),
      u: (x) => from + (x - x0) / (x1 - x0) * span,
    };
  }

  function drawMain() {
    const {ctx, width, height} = crisp(canvas);
    drawn.length = 0;
    frame = null;
    labelBoxes = [];
    const shown = plot.functions.filter((f) => !f.inset);
    if (plot.kind === 'hint' || shown.length === 0) return;
    let {lo, hi} = valueRange(shown);
    if (plot.kind === 'reduction' || plot.kind === 'family') {
      // Errors in pixels; the weight is scaled onto the same height below.
      const errors = shown.filter((f) => f.label !== 'weight');
      lo = 0;
      hi = 1e-9;
      for (const g of errors) for (const v of g.value) if (v > hi) hi = v;
      hi *= 1.08;
    }
    let from = plot.parameter.from;
    let to = plot.parameter.to;
    if (plot.kind === 'mask') {
      from -= 0.5;
      to += 0.5;
    }
    const f = frameOf(width, height, MARGIN, from, to, lo, hi);
    frame = f;

    if (plot.kind === 'bspline') {
      // Beyond the domain the functions do not sum to 1: shaded.
      ctx.fillStyle = '#eee';
      const [d0, d1] = plot.marks.domain;
      ctx.fillRect(f.x0, f.y1, f.x(d0) - f.x0, f.y0 - f.y1);
      ctx.fillRect(f.x(d1), f.y1, f.x1 - f.x(d1), f.y0 - f.y1);
    }
    const valueName = {
      bernstein: 'B(i, n)', lagrange: 'L_i', bspline: 'N(i, d)', rbf: 'cardinal',
      mask: 'weight', reduction: 'error (px)', family: 'error (px)',
    }[plot.kind];
    drawAxes(ctx, f, plot.parameter.name, valueName);

    ctx.save();
    ctx.beginPath();
    ctx.rect(f.x0, f.y1 - 2, f.x1 - f.x0, f.y0 - f.y1 + 4);
    ctx.clip();
    let weightScale = 1;
    const weight = shown.find((g) => g.label === 'weight');
    if (weight && plot.kind === 'reduction') {
      const top = Math.min(4, Math.max(...weight.value.filter(Number.isFinite)));
      weightScale = top > 0 ? (hi * 0.92) / top : 1;
    }
    shown.forEach((g, i) => {
      const colour = colourOf(i, shown.length);
      const scale = g.label === 'weight' ? weightScale : 1;
      // x, y of every sample side by side, for the drawing and for picking.
      const path = new Float32Array(2 * g.u.length);
      // Values far beyond the axis (cardinals away from their nodes) are
      // held just outside the clipped area, where they draw nothing, rather
      // than stroked across the whole canvas.
      const top = f.y1 - 3;
      const bottom = f.y0 + 3;
      for (let k = 0; k < g.u.length; ++k) {
        path[2 * k] = f.x(g.u[k]);
        path[2 * k + 1] = Math.min(Math.max(f.y(g.value[k] * scale), top), bottom);
      }
      drawn.push({fn: g, path, colour, scale});
      ctx.strokeStyle = colour;
      ctx.fillStyle = colour;
      ctx.lineWidth = i === picked ? 3.5 : 1.5;
      ctx.lineJoin = 'bevel';
      if (g.stems) {
        for (let k = 0; k < g.u.length; ++k) {
          ctx.beginPath();
          ctx.moveTo(path[2 * k], f.y(0));
          ctx.lineTo(path[2 * k], path[2 * k + 1]);
          ctx.stroke();
          ctx.beginPath();
          ctx.arc(path[2 * k], path[2 * k + 1], 4, 0, 2 * Math.PI);
          ctx.fill();
        }
      } else {
        ctx.beginPath();
        ctx.moveTo(path[0], path[1]);
        for (let k = 1; k < g.u.length; ++k) ctx.lineTo(path[2 * k], path[2 * k + 1]);
        ctx.stroke();
      }
    });
    ctx.restore();

    // Knots as ticks with their multiplicity, nodes as ticks.
    if (plot.kind === 'bspline' || plot.kind === 'lagrange' || plot.kind === 'rbf') {
      const seen = new Map();
      for (const k of plot.marks.knots) seen.set(k, (seen.get(k) || 0) + 1);
      ctx.strokeStyle = '#000';
      ctx.fillStyle = '#000';
      ctx.font = '11px sans-serif';
      ctx.textAlign = 'center';
      ctx.textBaseline = 'bottom';
      // Knots and nodes alike stand on the parameter's axis, clear of the labels.
      ctx.beginPath();
      for (const [k, m] of seen) {
        const x = f.x(k);
        ctx.moveTo(x, f.y0);
        ctx.lineTo(x, f.y0 - 8);
        if (m > 1) ctx.fillText(String(m), x, f.y0 - 9);
        const joint = joints && joints.find((j) => j.u === k);
        if (joint) {
          ctx.save();
          ctx.fillStyle = '#6a1b9a';
          ctx.fillText(joint.label, x, f.y0 - 22);
          ctx.restore();
        }
      }
      ctx.stroke();
    }
    if (plot.kind === 'mask') {
      ctx.save();
      ctx.setLineDash([4, 4]);
      ctx.strokeStyle = '#777';
      ctx.beginPath();
      ctx.moveTo(f.x(0.5), f.y0);
      ctx.lineTo(f.x(0.5), f.y1);
      ctx.stroke();
      ctx.restore();
    }
    if (plot.marks.marked) {
      const x = f.x(plot.marks.at);
      ctx.strokeStyle = '#000';
      ctx.lineWidth = 1;
      ctx.beginPath();
      ctx.moveTo(x, f.y0);
      ctx.lineTo(x, f.y1);
      ctx.stroke();
    }
    drawLabels(ctx, f);
  }

  // A label at each function's highest sample; above ALL_LABELS functions
  // about that many, evenly spread, and only where they keep clear of the
  // labels already placed (and the picked function's always).
  function drawLabels(ctx, f) {
    ctx.font = '12px sans-serif';
    ctx.textAlign = 'center';
    ctx.textBaseline = 'bottom';
    const boxes = [];
    const every = Math.ceil(drawn.length / ALL_LABELS);
    drawn.forEach(({fn, path, colour}, i) => {
      if (path.length === 0 || (i % every !== 0 && i !== picked)) return;
      let best = 0;
      for (let k = 1; 2 * k < path.length; ++k) if (path[2 * k + 1] < path[2 * best + 1]) best = k;
      const text = fn.label;
      if (!labelWidths.has(text)) labelWidths.set(text, ctx.measureText(text).width + 4);
      const w = labelWidths.get(text);
      const x = Math.min(Math.max(path[2 * best], f.x0 + w / 2), f.x1 - w / 2);
      let y = Math.max(path[2 * best + 1] - 2, f.y1 + 14);
      const clash = () => boxes.some((b) => b.x0 < x + w / 2 && x - w / 2 < b.x1 &&
                                            b.y0 < y && y - 14 < b.y1);
      if (drawn.length > ALL_LABELS && clash()) return;
      // A few labels are all drawn: one that would cover another steps down
      // below it, while the frame has room.
      while (clash() && y + 14 <= f.y0) y += 14;
      boxes.push({text, x0: x - w / 2, x1: x + w / 2, y0: y - 14, y1: y});
      // On a ground of the panel's white, to be read over the curves.
      ctx.lineWidth = 3;
      ctx.lineJoin = 'round';
      ctx.strokeStyle = 'rgba(255, 255, 255, 0.85)';
      ctx.strokeText(text, x, y);
      ctx.fillStyle = colour;
      ctx.fillText(text, x, y);
    });
    labelBoxes = boxes;
  }

  function drawInset() {
    const phi = plot.functions.find((f) => f.inset);
    inset.hidden = !phi;
    if (!phi) return;
    const {ctx, width, height} = crisp(inset);
    const values = phi.value.filter(Number.isFinite);
    const lo = Math.min(0, ...values);
    const hi = Math.max(...values) * 1.05 || 1;
    const f = frameOf(width, height, INSET_MARGIN, phi.u[0], phi.u[phi.u.length - 1], lo, hi);
    drawAxes(ctx, f, 'x', 'phi(x)');
    ctx.strokeStyle = '#333';
    ctx.lineWidth = 1.6;
    ctx.beginPath();
    phi.u.forEach((u, k) => (k === 0 ? ctx.moveTo(f.x(u), f.y(phi.value[k]))
                                     : ctx.lineTo(f.x(u), f.y(phi.value[k]))));
    ctx.stroke();
  }

  function describeNumbers() {
    const parts = [];
    const fmt = (v) => (Number.isFinite(v) ? Number(v.toPrecision(6)).toString() : '-');
    if (plot.kind === 'bspline') parts.push(`knots: ${plot.marks.knots.map(fmt).join(', ')}`);
    if (plot.kind === 'lagrange' || plot.kind === 'rbf') {
      parts.push(`nodes: ${plot.marks.knots.map(fmt).join(', ')}`);
    }
    if (plot.kind === 'mask') {
      for (const f of plot.functions) {
        parts.push(`${f.label}: ${Array.from(f.value, (v) => v.toFixed(6)).join(', ')} ` +
                   `(sum ${f.value.reduce((a, b) => a + b, 0).toFixed(6)})`);
      }
    }
    if (plot.marks.marked) {
      const values = plot.marks.values;
      const sum = values.reduce((a, b) => a + b, 0);
      parts.push(`at ${plot.parameter.name} = ${fmt(plot.marks.at)}: ` +
                 values.map((v, i) => `${i}: ${v.toFixed(4)}`).join(', ') +
                 ` (sum ${sum.toFixed(6)})`);
    }
    numbers.textContent = parts.join('\n');
  }

  // The control point of a function, ringed above the program's canvas; its
  // pixels stay the program's own.
  function drawOverlay(index) {
    const width = programCanvas.clientWidth;
    const height = programCanvas.clientHeight;
    const ratio = window.devicePixelRatio || 1;
    // A new size reallocates the layer: only when the window's size changed.
    if (overlay.width !== Math.round(width * ratio) || overlay.height !== Math.round(height * ratio)) {
      overlay.width = Math.round(width * ratio);
      overlay.height = Math.round(height * ratio);
      ringed = false;
    }
    const ctx = overlay.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    // Clearing the whole layer costs as much as a ring: only when one stands.
    if (ringed) ctx.clearRect(0, 0, width, height);
    ringed = false;
    if (index < 0) return;
    const positions = program.pointPositions();
    const p = positions[index];
    if (!p) return;
    const scale = width / programCanvas.width;
    ctx.strokeStyle = '#e07000';
    ctx.lineWidth = 3;
    ctx.beginPath();
    ctx.arc(p[0] * scale, p[1] * scale, 14, 0, 2 * Math.PI);
    ctx.stroke();
    ringed = true;
  }

  function show() {
    const made = program.plot();
    if (plot && made.revision === plot.revision) {
      // The same plot: only the point under the program's cursor may have moved.
      const active = made.marks.active;
      if (active !== plot.marks.active) {
        plot.marks.active = active;
        picked = plot.functions.findIndex((f) => f.index === active && active >= 0);
        drawMain();
        drawOverlay(picked >= 0 ? plot.functions[picked].index : -1);
      }
      return;
    }
    plot = readPlot(program, made);
    canvas.hidden = plot.kind === 'hint';
    caption.textContent = plot.kind === 'hint' ? plot.sentence : captions[plot.kind](plot);
    // The function of the control point the program has under its cursor.
    const active = plot.marks.active;
    picked = plot.functions.findIndex((f) => f.index === active && active >= 0);
    drawMain();
    drawInset();
    describeNumbers();
    pointer.textContent = '';
    drawOverlay(picked >= 0 ? plot.functions[picked].index : -1);
  }

  // The function nearest the pointer on the plot, and its value there.
  function pick(event) {
    if (!frame || !plot) return;
    const rect = canvas.getBoundingClientRect();
    const x = event.clientX - rect.left;
    const y = event.clientY - rect.top;
    let best = -1;
    let bestDistance = PICK_DISTANCE;
    let bestValue = 0;
    drawn.forEach(({fn, path}, i) => {
      for (let k = 0; 2 * k + 3 < path.length; ++k) {
        const ax = path[2 * k];
        const ay = path[2 * k + 1];
        const bx = path[2 * k + 2];
        const by = path[2 * k + 3];
        if (x < Math.min(ax, bx) - 1 || x > Math.max(ax, bx) + 1) continue;
        const s = bx === ax ? 0 : (x - ax) / (bx - ax);
        const py = ay + s * (by - ay);
        const d = Math.abs(py - y);
        if (d < bestDistance) {
          bestDistance = d;
          best = i;
          bestValue = fn.value[k] + s * (fn.value[k + 1] - fn.value[k]);
        }
      }
      if (fn.stems) {
        for (let k = 0; 2 * k < path.length; ++k) {
          const d = Math.hypot(path[2 * k] - x, path[2 * k + 1] - y);
          if (d < bestDistance) {
            bestDistance = d;
            best = i;
            bestValue = fn.value[k];
          }
        }
      }
    });
    if (best !== picked) {
      picked = best;
      drawMain();
    }
    if (best >= 0) {
      const fn = drawn[best].fn;
      pointer.textContent = `${fn.label}: ${bestValue.toPrecision(6)} at ` +
        `${plot.parameter.name} = ${frame.u(x).toPrecision(5)}`;
      drawOverlay(fn.index);
    } else {
      pointer.textContent = '';
      drawOverlay(-1);
    }
  }

  canvas.addEventListener('pointermove', pick);
  canvas.addEventListener('pointerdown', pick);
  canvas.addEventListener('pointerleave', () => {
    pointer.textContent = '';
    picked = -1;
    drawMain();
    drawOverlay(-1);
  });
  new ResizeObserver(() => {
    if (plot) {
      drawMain();
      drawInset();
    }
  }).observe(canvas);

  function csv() {
    const lines = ['function,index,parameter,value'];
    for (const f of plot.functions) {
      f.u.forEach((u, k) => lines.push(`"${f.label}",${f.index},${u},${f.value[k]}`));
    }
    return lines.join('\n') + '\n';
  }

  csvButton.addEventListener('click', async () => {
    if (!plot) return;
    const text = csv();
    try {
      await navigator.clipboard.writeText(text);
      pointer.textContent = 'The samples are on the clipboard as CSV.';
    } catch (e) {
      pointer.textContent = 'The clipboard could not be reached.';
    }
  });

  // What the panel shows now, samples exactly as drawn: for tests.
  function current() {
    return {
      kind: plot.kind,
      sentence: plot.sentence,
      parameter: plot.parameter,
      functions: plot.functions.map((f) => ({label: f.label, index: f.index, stems: f.stems,
        inset: f.inset, u: Array.from(f.u), value: Array.from(f.value)})),
      marks: {...plot.marks, picked},
      // Where each function was drawn, [x, y] in CSS pixels of the plot, and
      // the frame that maps parameter and value onto them.
      drawn: drawn.map(({fn, path, scale}) => ({label: fn.label, scale,
        path: Array.from({length: path.length / 2}, (_, k) => [path[2 * k], path[2 * k + 1]])})),
      frame: frame && {x0: frame.x0, x1: frame.x1, y0: frame.y0, y1: frame.y1, from: frame.from,
        to: frame.to, lo: frame.lo, hi: frame.hi},
      labels: labelBoxes,
      csv: csv(),
    };
  }

  // The labels of the joints at their knot ticks, or none (null).
  function setJoints(list) {
    if (JSON.stringify(list) === JSON.stringify(joints)) return;
    joints = list;
    if (plot) drawMain();
  }

  return {show, current, setJoints, refresh: () => { plot = null; show(); }};
}
