// What the drawn curve is like, on the page only: a curvature comb along the
// curve, the joints of a B-spline labelled with their multiplicity and
// continuity, the hodograph about the window's centre, and the curvature
// along the parameter in the plot panel. Every number comes from the program
// (web/native/analysis_bridge.cpp); this module places and scales them.
// The switches are page settings, carried in the address (link.js).

import {crisp, formatTick, ticks} from './plot.js';

// The switches: setting name, key, the control's label.
const switches = [
  {name: 'comb', key: 'k', label: 'Curvature comb'},
  {name: 'joints', key: 'o', label: 'Joints: multiplicity and continuity'},
  {name: 'hodograph', key: 'v', label: 'Hodograph'},
  {name: 'curvature', key: 'g', label: 'Curvature plot'},
];
// The comb's length keys: shorter and longer by one step of 1, 2, 5 times a power of ten.
const SHORTER = '-';
const LONGER = ['+', '='];
// The comb starts with its longest hair about this share of the window.
const COMB_SHARE = 0.1;
// The hodograph is scaled to reach about this share of the window from its centre.
const HODOGRAPH_SHARE = 0.4;
const COMB_COLOUR = 'rgba(0, 110, 190, 0.75)';
const HODOGRAPH_COLOUR = '#2e7d32';
const JOINT_COLOUR = '#6a1b9a';
const MARGIN = {left: 62, right: 14, top: 26, bottom: 40};

const superscript = (n) => String(n).replace(/[0-9-]/g, (c) => '⁰¹²³⁴⁵⁶⁷⁸⁹⁻'['0123456789-'.indexOf(c)]);

// The label of a joint: m and C^(d - m), or "break" where the curve parts.
export function jointLabel(knot) {
  return `m = ${knot.multiplicity}, ${knot.continuity < 0 ? 'break' : `C${superscript(knot.continuity)}`}`;
}

// The values 1, 2, 5 times powers of ten, the one at or just below v.
function roundDown(v) {
  const power = Math.pow(10, Math.floor(Math.log10(v)));
  return [5, 2, 1].map((m) => m * power).find((s) => s <= v * (1 + 1e-9)) || power;
}

function step(v, up) {
  const power = Math.pow(10, Math.floor(Math.log10(v) + 1e-9));
  const m = Math.round(v / power);
  if (up) return m === 1 ? 2 * power : m === 2 ? 5 * power : 10 * power;
  return m === 5 ? 2 * power : m === 2 ? power : power / 2;
}

// The pieces of the curve between knots, each from the right limit at its
// first knot through its samples to the left limit at its last knot.
function pieces(a) {
  const out = Array.from({length: a.knots.length + 1}, () => []);
  a.knots.forEach((k, i) => out[i + 1].push(k.right));
  a.samples.forEach((s) => out[s.piece].push(s));
  a.knots.forEach((k, i) => out[i].push(k.left));
  return out;
}

export function createAnalysis(program, elements, changed) {
  const {layer, programCanvas, plotCanvas, text, holder, plot} = elements;
  const on = Object.fromEntries(switches.map((s) => [s.name, false]));
  let combScale = null;  // px of hair per 1/px of curvature; null: not yet chosen
  let shown = null;      // the program's analysis last drawn
  let drawn = {hairs: [], labels: [], hodographScale: null};
  let layerUsed = false;
  const buttons = new Map();

  const anyOn = () => switches.some((s) => on[s.name]);

  function sizeLayer() {
    const ratio = window.devicePixelRatio || 1;
    const width = programCanvas.clientWidth;
    const height = programCanvas.clientHeight;
    if (layer.width !== Math.round(width * ratio) || layer.height !== Math.round(height * ratio)) {
      layer.width = Math.round(width * ratio);
      layer.height = Math.round(height * ratio);
      layerUsed = false;
    }
    const ctx = layer.getContext('2d');
    if (layerUsed) {
      ctx.setTransform(1, 0, 0, 1, 0, 0);
      ctx.clearRect(0, 0, layer.width, layer.height);
    }
    // Window pixels (y down) onto the layer.
    const scale = ratio * width / programCanvas.width;
    ctx.setTransform(scale, 0, 0, scale, 0, 0);
    return {ctx, scale};
  }

  function largestCurvature(a) {
    let top = 0;
    for (const s of a.samples) if (s.curvature !== null) top = Math.max(top, Math.abs(s.curvature));
    return top;
  }

  function drawComb(ctx, a) {
    if (combScale === null) {
      const top = largestCurvature(a);
      if (!(top > 0)) return;
      combScale = roundDown(COMB_SHARE * Math.min(programCanvas.width, programCanvas.height) / top);
    }
    ctx.lineWidth = 1;
    ctx.strokeStyle = COMB_COLOUR;
    for (const piece of pieces(a)) {
      const tips = [];
      ctx.beginPath();
      for (const s of piece) {
        if (s.curvature === null || s.point[0] === null) {
          tips.push(null);
          continue;
        }
        const length = combScale * s.curvature;
        const tip = [s.point[0] + length * s.normal[0], s.point[1] + length * s.normal[1]];
        ctx.moveTo(s.point[0], s.point[1]);
        ctx.lineTo(tip[0], tip[1]);
        tips.push(tip);
        drawn.hairs.push({u: s.u, piece: s.piece, from: s.point, to: tip});
      }
      ctx.stroke();
      // The tips joined, piece by piece, broken where the curvature is undefined.
      ctx.lineWidth = 1.5;
      ctx.beginPath();
      let pen = false;
      for (const tip of tips) {
        if (!tip) {
          pen = false;
        } else if (pen) {
          ctx.lineTo(tip[0], tip[1]);
        } else {
          ctx.moveTo(tip[0], tip[1]);
          pen = true;
        }
      }
      ctx.stroke();
      ctx.lineWidth = 1;
    }
  }

  function label(ctx, words, x, y, colour) {
    ctx.font = '13px sans-serif';
    ctx.lineWidth = 3;
    ctx.strokeStyle = 'rgba(255, 255, 255, 0.9)';
    ctx.strokeText(words, x, y);
    ctx.fillStyle = colour;
    ctx.fillText(words, x, y);
  }

  function drawJoints(ctx, a) {
    ctx.textAlign = 'center';
    ctx.textBaseline = 'middle';
    for (const k of a.knots) {
      const ends = k.continuity < 0 ? [k.left, k.right] : [k.left];
      for (const end of ends) {
        ctx.fillStyle = JOINT_COLOUR;
        ctx.beginPath();
        ctx.arc(end.point[0], end.point[1], 4, 0, 2 * Math.PI);
        ctx.fill();
      }
      // The label away from the side the curve bends to, clear of the comb.
      const n = k.left.normal;
      const side = (k.left.curvature || 0) > 0 ? -1 : 1;
      const at = [k.left.point[0] + side * 30 * n[0], k.left.point[1] + side * 30 * n[1]];
      const words = jointLabel(k);
      label(ctx, words, at[0], at[1], JOINT_COLOUR);
      drawn.labels.push({u: k.u, label: words, at, point: k.left.point});
    }
  }

  function drawHodograph(ctx, a) {
    if (a.hodograph.length === 0) return;
    let reach = 0;
    for (const v of a.hodograph) reach = Math.max(reach, Math.hypot(v[0], v[1]));
    for (const s of a.samples) reach = Math.max(reach, Math.hypot(s.d1[0], s.d1[1]) || 0);
    if (!(reach > 0)) return;
    const scale = roundDown(HODOGRAPH_SHARE * Math.min(programCanvas.width, programCanvas.height) / reach);
    drawn.hodographScale = scale;
    const [cx, cy] = a.centre;
    const at = (v) => [cx + scale * v[0], cy + scale * v[1]];
    ctx.strokeStyle = '#999';
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(cx - 8, cy);
    ctx.lineTo(cx + 8, cy);
    ctx.moveTo(cx, cy - 8);
    ctx.lineTo(cx, cy + 8);
    ctx.stroke();
    ctx.strokeStyle = HODOGRAPH_COLOUR;
    ctx.setLineDash([5, 4]);
    ctx.beginPath();
    a.hodograph.forEach((v, i) => (i === 0 ? ctx.moveTo(...at(v)) : ctx.lineTo(...at(v))));
    ctx.stroke();
    ctx.setLineDash([]);
    ctx.fillStyle = HODOGRAPH_COLOUR;
    for (const v of a.hodograph) {
      ctx.beginPath();
      ctx.arc(...at(v), 3.5, 0, 2 * Math.PI);
      ctx.fill();
    }
    ctx.lineWidth = 2;
    for (const piece of pieces(a)) {
      ctx.beginPath();
      piece.forEach((s, i) => (i === 0 ? ctx.moveTo(...at(s.d1)) : ctx.lineTo(...at(s.d1))));
      ctx.stroke();
    }
    ctx.textAlign = 'left';
    ctx.textBaseline = 'top';
    label(ctx, `hodograph × ${formatTick(scale)} about the centre`, 10, 10, HODOGRAPH_COLOUR);
  }

  function drawCurvaturePlot(a) {
    plotCanvas.hidden = !on.curvature || !a;
    if (plotCanvas.hidden) return;
    const {ctx, width, height} = crisp(plotCanvas);
    const values = a.samples.map((s) => s.curvature).filter((v) => v !== null);
    for (const k of a.knots) {
      if (k.left.curvature !== null) values.push(k.left.curvature);
      if (k.right.curvature !== null) values.push(k.right.curvature);
    }
    // Near a cusp the curvature grows without bound: the axis keeps to the
    // bulk of the values (all but the largest 2 %), clipping the rest.
    const sizes = values.map(Math.abs).sort((x, y) => x - y);
    const bulk = sizes.length ? sizes[Math.floor(0.98 * (sizes.length - 1))] : 0;
    const lo = Math.max(Math.min(0, ...values), -1.5 * bulk) || 0;
    const hi = Math.min(Math.max(0, ...values), 1.5 * bulk) || 0;
    const pad = (hi - lo) * 0.08 || 1e-3;
    const f = {x0: MARGIN.left, x1: width - MARGIN.right, y0: height - MARGIN.bottom, y1: MARGIN.top,
      lo: lo - pad, hi: hi + pad};
    const span = a.to > a.from ? a.to - a.from : 1;
    const x = (u) => f.x0 + (u - a.from) / span * (f.x1 - f.x0);
    const y = (v) => f.y0 - (v - f.lo) / (f.hi - f.lo) * (f.y0 - f.y1);
    ctx.strokeStyle = '#444';
    ctx.fillStyle = '#222';
    ctx.lineWidth = 1;
    ctx.font = '12px sans-serif';
    ctx.beginPath();
    ctx.moveTo(f.x0, f.y1);
    ctx.lineTo(f.x0, f.y0);
    ctx.lineTo(f.x1, f.y0);
    ctx.stroke();
    ctx.textAlign = 'center';
    ctx.textBaseline = 'top';
    for (const t of ticks(a.from, a.to, Math.max(2, Math.floor((f.x1 - f.x0) / 70)))) {
      ctx.fillText(formatTick(t), x(t), f.y0 + 6);
    }
    ctx.textAlign = 'right';
    ctx.textBaseline = 'middle';
    for (const v of ticks(f.lo, f.hi, Math.max(2, Math.floor((f.y0 - f.y1) / 40)))) {
      ctx.fillText(formatTick(v), f.x0 - 6, y(v));
      if (v === 0) {
        ctx.save();
        ctx.strokeStyle = '#bbb';
        ctx.beginPath();
        ctx.moveTo(f.x0, y(0));
        ctx.lineTo(f.x1, y(0));
        ctx.stroke();
        ctx.restore();
      }
    }
    ctx.font = 'italic 14px serif';
    ctx.textAlign = 'right';
    ctx.textBaseline = 'bottom';
    ctx.fillText('u', f.x1, f.y0 + 36);
    ctx.textAlign = 'left';
    ctx.fillText('κ (1/px)', f.x0 - 50, f.y1 - 8);
    ctx.save();
    ctx.beginPath();
    ctx.rect(f.x0, f.y1, f.x1 - f.x0, f.y0 - f.y1);
    ctx.clip();
    ctx.strokeStyle = COMB_COLOUR;
    ctx.lineWidth = 1.8;
    for (const piece of pieces(a)) {
      ctx.beginPath();
      let pen = false;
      for (const s of piece) {
        if (s.curvature === null) {
          pen = false;
        } else if (pen) {
          ctx.lineTo(x(s.u), y(s.curvature));
        } else {
          ctx.moveTo(x(s.u), y(s.curvature));
          pen = true;
        }
      }
      ctx.stroke();
    }
    ctx.restore();
    // The knots as ticks, labelled as the joints are.
    ctx.strokeStyle = '#000';
    ctx.fillStyle = JOINT_COLOUR;
    ctx.font = '11px sans-serif';
    ctx.textAlign = 'center';
    ctx.textBaseline = 'bottom';
    ctx.beginPath();
    for (const k of a.knots) {
      ctx.moveTo(x(k.u), f.y0);
      ctx.lineTo(x(k.u), f.y0 - 8);
      if (on.joints) ctx.fillText(jointLabel(k), x(k.u), f.y0 - 10);
    }
    ctx.stroke();
  }

  function describe(a) {
    const parts = [];
    if (!a) {
      text.textContent = anyOn() ? 'No curve is drawn: nothing to analyse.' : '';
      return;
    }
    const fmt = (v) => Number(v.toPrecision(4)).toString();
    if (on.comb && combScale !== null) {
      parts.push(`Comb: a hair is ${formatTick(combScale)} px² times the curvature (1/px), ` +
                 'on the side the curve bends to.');
    }
    if (on.hodograph && drawn.hodographScale !== null) {
      parts.push(`Hodograph: the derivative's control points and curve, ` +
                 `${formatTick(drawn.hodographScale)} times their length in pixels per unit ` +
                 'of u, about the window\'s centre.');
    } else if (on.hodograph) {
      parts.push('Hodograph: only a Bezier or B-spline curve has one.');
    }
    if (on.joints && a.knots.length) {
      parts.push(`Joints: ${a.knots.map((k) => `u = ${fmt(k.u)}: ${jointLabel(k)}`).join('; ')}.`);
    } else if (on.joints) {
      parts.push('Joints: only a B-spline with interior knots has them.');
    }
    const still = a.samples.filter((s) => s.curvature === null).map((s) => fmt(s.u));
    if (still.length) {
      parts.push(`The curve stands still (no curvature) at u = ${still.slice(0, 12).join(', ')}` +
                 `${still.length > 12 ? ', ...' : ''}.`);
    }
    text.textContent = parts.join(' ');
  }

  // After an event: the analysis of the curve as it is now, drawn.
  function show() {
    drawn = {hairs: [], labels: [], hodographScale: null};
    if (!anyOn()) {
      if (layerUsed) sizeLayer();
      layerUsed = false;
      shown = null;
      plotCanvas.hidden = true;
      plot.setJoints(null);
      text.textContent = '';
      return;
    }
    shown = program.analysis();
    const {ctx} = sizeLayer();
    layerUsed = true;
    if (shown) {
      if (on.hodograph) drawHodograph(ctx, shown);
      if (on.comb) drawComb(ctx, shown);
      if (on.joints) drawJoints(ctx, shown);
    }
    plot.setJoints(on.joints && shown ? shown.knots.map((k) => ({u: k.u, label: jointLabel(k)})) : null);
    drawCurvaturePlot(shown);
    describe(shown);
  }

  function updateButtons() {
    for (const s of switches) buttons.get(s.name).setAttribute('aria-pressed', String(on[s.name]));
  }

  function toggle(name) {
    on[name] = !on[name];
    updateButtons();
    show();
    changed();
  }

  function lengthen(up) {
    if (combScale === null) return;
    combScale = step(combScale, up);
    show();
    changed();
  }

  // The controls, each with its key.
  function button(words, key, shortcut, run) {
    const b = document.createElement('button');
    b.type = 'button';
    b.append(words, ' ');
    const kbd = document.createElement('kbd');
    kbd.textContent = key;
    b.append(kbd);
    b.setAttribute('aria-keyshortcuts', shortcut);
    b.addEventListener('click', run);
    holder.appendChild(b);
    return b;
  }
  for (const s of switches) {
    const b = button(s.label, s.key, s.key, () => toggle(s.name));
    b.dataset.setting = s.name;
    buttons.set(s.name, b);
  }
  button('Comb shorter', SHORTER, '-', () => lengthen(false));
  button('Comb longer', '+', '= Shift+=', () => lengthen(true));
  updateButtons();

  // A key of the page's own; true when it was one (the program never hears it).
  function handleKey(event) {
    if (event.ctrlKey || event.metaKey || event.altKey) return false;
    const s = switches.find((w) => w.key === event.key);
    if (s) {
      toggle(s.name);
      return true;
    }
    if (event.key === SHORTER || LONGER.includes(event.key)) {
      lengthen(event.key !== SHORTER);
      return true;
    }
    return false;
  }

  // The page's settings, as the address carries them.
  const settings = {
    values() {
      const values = {};
      for (const s of switches) values[s.name] = on[s.name] ? 'on' : 'off';
      values.combscale = combScale === null ? 'auto' : String(combScale);
      return values;
    },
    apply(values) {
      for (const s of switches) on[s.name] = values[s.name] === 'on';
      const scale = Number(values.combscale);
      combScale = values.combscale !== 'auto' && Number.isFinite(scale) && scale > 0 ? scale : null;
      updateButtons();
      show();
    },
  };

  // The picture as shown: the program's frame with the comb, labels and
  // hodograph over it, at the window's own size; the frame alone when none is on.
  function picture() {
    if (!anyOn()) return programCanvas;
    const out = document.createElement('canvas');
    out.width = programCanvas.width;
    out.height = programCanvas.height;
    const ctx = out.getContext('2d');
    ctx.drawImage(programCanvas, 0, 0);
    ctx.drawImage(layer, 0, 0, out.width, out.height);
    return out;
  }

  new ResizeObserver(() => {
    if (anyOn()) show();
  }).observe(programCanvas);

  // For tests: what the program gave, in the shape the lessons use, and what was drawn.
  function current() {
    const a = program.analysis();
    if (!a) return null;
    const sample = (s) => ({u: s.u, point: s.point, d1: s.d1, d2: s.d2, curvature: s.curvature});
    return {mode: a.mode, from: a.from, to: a.to, samples: a.samples.map(sample),
      knots: a.knots.map((k) => ({u: k.u, multiplicity: k.multiplicity, continuity: k.continuity})),
      hodograph: a.hodograph};
  }

  return {show, handleKey, settings, picture, current, drawn: () => ({...drawn, combScale})};
}
