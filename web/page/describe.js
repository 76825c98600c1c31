// The figure in words, for whoever cannot see the window: its description,
// kept current after each event; a polite live region that says in one short
// sentence what a command or a keyboard edit did; and, on request, a full
// account of the figure to walk through. Every number is the program's (its
// panel, its figure and its plot); this module only puts them into sentences.

// During a drag the live region speaks at most this often, milliseconds, and
// the description follows no more often than that either.
const quiet = 500;
// The plot's table: this many parameters, where the plot has no knots of its own.
const columns = 11;
// Values in the account, to this many significant digits.
const digits = 6;

const at = ([x, y]) => `(${x}, ${y})`;
const ordinal = (i) => `${i + 1}`;
const number = (v) => (Number.isFinite(v) ? String(Number(v.toPrecision(digits))) : '-');

// The curve as one phrase, in the names the panel gives.
function curvePhrase(panel) {
  switch (panel.mode) {
    case 'B-spline': return `B-spline of degree ${panel.degree}`;
    case 'RBF': return `RBF curve, basis ${panel.basis}, polynomial degree ${panel.degree}`;
    case 'none': return 'No curve';
    default: return `${panel.mode} curve`;
  }
}

function samePoint(a, b) {
  return a && b && a[0] === b[0] && a[1] === b[1] && a[2] === b[2];
}

// What changed from one reading of the program to the next, in sentences.
function changes(a, b) {
  const said = [];
  const [pa, pb] = [a.figure.points, b.figure.points];
  const differing = [];
  for (let i = 0; i < Math.min(pa.length, pb.length); ++i) {
    if (!samePoint(pa[i], pb[i])) differing.push(i);
  }
  const knotsGrew = b.figure.knots.length === a.figure.knots.length + 1;
  if (pb.length === pa.length + 1 && differing.length === 0) {
    said.push(`Point ${ordinal(pa.length)} added at ${at(pb[pa.length])}.`);
  } else if (pb.length === pa.length + 1 && knotsGrew && b.panel.mode === 'B-spline') {
    said.push(`Knot inserted: ${pb.length} points, ${b.figure.knots.length} knots.`);
  } else if (pb.length === pa.length - 1 && a.panel.mode === b.panel.mode &&
             differing.every((i) => samePoint(pb[i], pa[i + 1]))) {
    const gone = differing.length > 0 ? differing[0] : pb.length;
    said.push(`Point ${ordinal(gone)} deleted; ${pb.length} left.`);
  } else if (pb.length !== pa.length) {
    said.push(pb.length === 0 ? 'No points.' : `${pb.length} points.`);
  } else if (differing.length === 1) {
    said.push(`Point ${ordinal(differing[0])} at ${at(pb[differing[0]])}.`);
  } else if (differing.length > 1) {
    said.push(`${pb.length} points in new places.`);
  }

  const [ka, kb] = [a.figure.knots, b.figure.knots];
  const modeSame = a.panel.mode === b.panel.mode && a.panel.degree === b.panel.degree;
  // A knot drag moves one handle, but the knots all follow it onto 0 .. 1.
  const [ha, hb] = [a.figure.bar, b.figure.bar];
  if (modeSame && ka.length === kb.length && pa.length === pb.length) {
    const moved = hb.map((v, k) => k).filter((k) => hb[k] !== ha[k]);
    if (moved.length === 1) said.push(`Knot ${ordinal(moved[0])} at ${kb[moved[0]]}.`);
  }
  if (!modeSame || (a.panel.basis !== b.panel.basis && b.panel.mode === 'RBF')) {
    said.push(`${curvePhrase(b.panel)}.`);
  }
  if (a.panel.scheme !== b.panel.scheme) said.push(`Subdivision scheme ${b.panel.scheme}.`);
  if (a.panel.basis !== b.panel.basis && b.panel.mode !== 'RBF') {
    said.push(`Radial basis ${b.panel.basis}.`);
  }
  if (a.panel.r !== b.panel.r) said.push(`r = ${b.panel.r.toFixed(4)}.`);
  if (a.panel.alpha !== b.panel.alpha) said.push(`alpha = ${b.panel.alpha.toFixed(5)}.`);
  if (a.panel.trace !== b.panel.trace) said.push(`Trace ${b.panel.trace ? 'on' : 'off'}.`);
  if (a.panel.animating !== b.panel.animating) {
    said.push(b.panel.animating ? 'Construction running.' : 'Construction stopped.');
  }
  if (a.figure.family !== b.figure.family) {
    said.push(`Family of reductions ${b.figure.family ? 'shown' : 'gone'}.`);
  }
  if (a.figure.comparison !== b.figure.comparison) {
    said.push(b.figure.comparison > 0 ?
      `Comparison polygon of ${b.figure.comparison} points.` : 'Comparison polygon gone.');
  }
  const [ta, tb] = [a.figure.turn, b.figure.turn];
  if (ta[0] !== tb[0] || ta[1] !== tb[1]) said.push(`${turnPhrase(tb)}.`);
  const notice = b.panel.notice;
  if (notice !== '' && (notice !== a.panel.notice || said.length === 0)) said.push(notice);
  return said;
}

function turnPhrase([aboutX, aboutY]) {
  if (aboutX === 0 && aboutY === 0) return 'View not turned';
  return `View turned ${aboutY} degrees about the vertical axis, ${aboutX} about the horizontal`;
}

function underPhrase(taken) {
  if (taken.handle >= 0) return `knot handle ${ordinal(taken.handle)}`;
  if (taken.point >= 0) return `point ${ordinal(taken.point)}`;
  return 'empty space';
}

// elements: summary (the window's description), live (the polite region),
// button ("Describe the figure"), account (where the account goes), and
// plot() giving what the plot panel shows.
export function createDescribe(program, elements) {
  const {summary, live, button, account, plot} = elements;
  let start = null;         // the reading at the start of the event or gesture
  let spoken = null;        // the reading the last sentence of a gesture was made from
  let cursor = null;        // the keyboard's cursor, window pixels, once placed
  let under = null;         // what the last sentence said lies under it
  let lastSaid = 0;
  let pending = null;       // a sentence waiting for the quiet time to pass
  let timer = null;
  let flip = false;

  function read() {
    return {panel: program.panel(), figure: program.figure()};
  }

  // Says it now, or when the quiet time is over; a later sentence replaces a
  // waiting one. The same sentence twice is still heard twice.
  function say(sentence, now = false) {
    if (!sentence) return;
    pending = sentence;
    const wait = now ? 0 : lastSaid + quiet - performance.now();
    if (wait > 0) {
      if (timer === null) timer = setTimeout(speak, wait);
      return;
    }
    speak();
  }

  function speak() {
    clearTimeout(timer);
    timer = null;
    if (pending === null) return;
    flip = !flip;
    live.textContent = pending + (flip ? '' : '\u00a0');
    pending = null;
    lastSaid = performance.now();
  }

  function describe(now) {
    const parts = [`${curvePhrase(now.panel)}, ${now.panel.points} ${now.panel.points === 1 ? 'point' : 'points'}`];
    if (now.figure.knots.length > 0 && now.panel.mode !== 'none') {
      parts[0] += `, ${now.figure.knots.length} ${now.panel.mode === 'Bezier' ||
        now.panel.mode === 'B-spline' ? 'knots' : 'nodes'}`;
    }
    parts[0] += '.';
    if (cursor !== null) {
      const taken = program.under(cursor.x, cursor.y);
      parts.push(`Keyboard cursor at ${at([taken.x, taken.y])}, over ${underPhrase(taken)}.`);
    }
    if (now.figure.turn[0] !== 0 || now.figure.turn[1] !== 0) {
      parts.push(`${turnPhrase(now.figure.turn)}.`);
    }
    if (now.panel.notice !== '') parts.push(now.panel.notice);
    const text = parts.join(' ');
    if (summary.textContent !== text) summary.textContent = text;
  }

  // Before an event: the reading the step's sentence starts from.
  function takeIn() {
    if (program.ended || start !== null) return;
    start = read();
    spoken = start;
  }

  // After an event; `step` when it ended what the user did, which is then
  // said whole. Moves on the way (a drag, a hover) are spoken and described
  // at most every quiet time.
  let waiting = null;
  function show(step) {
    if (program.ended) return;
    if (!step) {
      if (waiting === null) {
        waiting = setTimeout(() => {
          waiting = null;
          update(false);
        }, Math.max(0, lastSaid + quiet - performance.now()));
      }
      return;
    }
    clearTimeout(waiting);
    waiting = null;
    update(true);
  }

  function update(step) {
    if (program.ended) return;
    const now = read();
    describe(now);
    if (step) {
      if (start !== null) say(changes(start, now).join(' '), true);
      start = null;
      spoken = null;
    } else if (spoken !== null) {
      const said = changes(spoken, now);
      if (said.length > 0) {
        say(said.join(' '));
        spoken = now;
      }
    }
  }

  // The keyboard's cursor stands at c; `jumped` when a key put it onto a
  // point or handle, which is then said.
  function cursorAt(c, jumped) {
    cursor = {x: c.x, y: c.y};
    if (program.ended) return;
    describe(read());
    const taken = program.under(c.x, c.y);
    const what = underPhrase(taken);
    if (jumped) {
      say(`Cursor on ${what} at ${at([taken.x, taken.y])}.`, true);
    } else if (what !== under) {
      say(`Over ${what}.`);
    }
    under = what;
  }

  // --- the account ---

  function element(tag, text, attributes = {}) {
    const e = document.createElement(tag);
    if (text !== undefined && text !== null) e.textContent = text;
    for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
    return e;
  }

  function table(caption, head, rows) {
    const t = element('table');
    t.append(element('caption', caption));
    const headRow = element('tr');
    head.forEach((h) => headRow.append(element('th', h, {scope: 'col'})));
    t.append(element('thead'));
    t.tHead.append(headRow);
    const body = element('tbody');
    for (const row of rows) {
      const tr = element('tr');
      row.forEach((cell, i) => tr.append(element(i === 0 ? 'th' : 'td', cell,
          i === 0 ? {scope: 'row'} : {})));
      body.append(tr);
    }
    t.append(body);
    return t;
  }

  // The plot's functions at the knots (B-spline) or at eleven of their own
  // samples spread over the range; a mask's stems all.
  function plotTable(shown) {
    const functions = shown.functions.filter((f) => !f.inset && f.u.length > 0);
    if (functions.length === 0) return element('p', shown.sentence || 'The plot shows nothing.');
    const name = shown.parameter.name;
    if (functions.every((f) => f.stems)) {
      const wrap = element('div');
      for (const f of functions) {
        wrap.append(table(`Mask ${f.label}: weight at each offset`, [name, 'weight'],
            Array.from(f.u, (u, k) => [number(u), number(f.value[k])])));
      }
      return wrap;
    }
    let us;
    if (shown.kind === 'bspline') {
      us = [...new Set(shown.marks.knots)];
    } else {
      const u = functions[0].u;
      us = Array.from({length: Math.min(columns, u.length)}, (_, k) =>
        u[Math.round(k * (u.length - 1) / Math.max(1, Math.min(columns, u.length) - 1))]);
    }
    const rows = functions.map((f) => [f.label, ...us.map((u) => {
      const k = f.u.indexOf(u);
      return k < 0 ? '-' : number(f.value[k]);
    })]);
    const caption = shown.kind === 'bspline' ?
      `Each basis function at the knots (a dash: outside its support, where it is 0)` :
      `Each function at ${us.length} of its samples`;
    return table(caption, ['function', ...us.map((u) => `${name} = ${number(u)}`)], rows);
  }

  function fillAccount() {
    const now = read();
    const shown = plot();
    account.replaceChildren();
    account.append(element('h3', 'The figure'));
    account.append(element('p', summary.textContent));
    const settings = element('dl');
    for (const [term, value] of [['curve', now.panel.mode], ['degree', now.panel.degree],
      ['subdivision', now.panel.scheme], ['radial basis', now.panel.basis],
      ['r', now.panel.r.toFixed(4)], ['alpha', now.panel.alpha.toFixed(5)],
      ['points', now.panel.points], ['trace', now.panel.trace ? 'on' : 'off']]) {
      settings.append(element('dt', term), element('dd', String(value)));
    }
    account.append(element('h3', 'Settings'), settings);
    account.append(element('h3', 'Points'));
    const turned = now.figure.turn[0] !== 0 || now.figure.turn[1] !== 0;
    if (now.figure.points.length === 0) {
      account.append(element('p', 'There are no points.'));
    } else {
      const head = ['point', 'x', 'y', 'depth'];
      if (turned) head.push('drawn at');
      account.append(table('Control points, window pixels, y upwards', head,
          now.figure.points.map((p, i) => {
            const row = [ordinal(i), String(p[0]), String(p[1]), String(p[2])];
            if (turned) row.push(at(now.figure.drawn[i]));
            return row;
          })));
    }
    account.append(element('h3', now.panel.mode === 'Bezier' || now.panel.mode === 'B-spline' ?
      'Knots' : 'Parameter values'));
    account.append(now.figure.knots.length === 0 ? element('p', 'None.') :
      element('p', now.figure.knots.join(', ')));
    account.append(element('h3', 'The plot'));
    if (shown.sentence) account.append(element('p', shown.sentence));
    account.append(plotTable(shown));
    account.hidden = false;
    account.focus();
  }

  button.addEventListener('click', () => {
    if (program.ended) return;
    fillAccount();
  });

  return {takeIn, show, cursor: cursorAt, say: (s) => say(s, true), describeNow: () => describe(read())};
}
