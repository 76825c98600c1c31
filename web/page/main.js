// The page around the program: it loads the compiled program (tessaveld.js,
// which reads its settings from Module) and joins the page's modules to it.
// Around every event the page does three things of its own: the state panel
// shows what the program holds, the address takes the snapshot, and the undo
// history takes a step when the snapshot changed.

import {createAnalysis} from './analysis.js';
import {connect} from './bridge.js';
import {createControls} from './controls.js';
import {createDescribe} from './describe.js';
import {attachKeyboard, windowShortcuts} from './keyboard.js';
import {createLessons} from './lessons.js';
import {createLink} from './link.js';
import {createPanel, download} from './panel.js';
import {createPlot} from './plot.js';
import {attachPointer} from './pointer.js';
import {createUndo} from './undo.js';

const canvas = document.getElementById('canvas');
const Module = {
  canvas,
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
};
window.Module = Module;

const program = connect(Module);
const panel = createPanel(program);
const plot = createPlot(program, {
  canvas: document.getElementById('plot'),
  inset: document.getElementById('plot-basis'),
  caption: document.getElementById('plot-caption'),
  numbers: document.getElementById('plot-numbers'),
  pointer: document.getElementById('plot-pointer'),
  overlay: document.getElementById('overlay'),
  programCanvas: canvas,
  csvButton: document.getElementById('plot-csv'),
});
let link = null;
const analysis = createAnalysis(program, {
  layer: document.getElementById('analysis-layer'),
  programCanvas: canvas,
  plotCanvas: document.getElementById('plot-curvature'),
  text: document.getElementById('analysis-text'),
  holder: document.getElementById('analysis-controls'),
  plot,
}, () => link && link.schedule());
// For tests and the bench: what the plot panel shows, and its update forced,
// as after an edit of the knots or settings (the plot made afresh, read and
// drawn); what the drawn curve is like, and what the comb and labels drew.
window.tessaveld = Object.assign(window.tessaveld || {}, {
  plot: () => plot.current(),
  refreshPlot: () => {
    program.forgetPlot();
    plot.refresh();
  },
  analysis: () => analysis.current(),
  analysisDrawn: () => analysis.drawn(),
  refreshAnalysis: () => analysis.show(),
});
const describe = createDescribe(program, {
  summary: document.getElementById('figure-summary'),
  live: document.getElementById('figure-live'),
  button: document.getElementById('describe'),
  account: document.getElementById('figure-account'),
  plot: () => plot.current(),
});
link = createLink(program, analysis.settings);
const undoButton = document.getElementById('undo');
const redoButton = document.getElementById('redo');
const undo = createUndo(program, () => {
  undoButton.disabled = !undo.canUndo;
  redoButton.disabled = !undo.canRedo;
});
undoButton.disabled = true;
redoButton.disabled = true;
let running = false;

// Before an event.
function before() {
  if (!running) return;
  undo.takeIn();
  describe.takeIn();
}

// After an event; `step` for one that ends what the user did (a key, a
// control, a released drag), not a move on the way.
function after(step) {
  if (!running) return;
  const state = panel.show();
  plot.show();
  analysis.show();
  link.schedule();
  if (step) {
    undo.record();
    panel.showTrace();
  }
  describe.show(step);
  lessons.follow();
  if (state.animating) followAnimation();
}

function act(run) {
  if (!running) return;
  before();
  run();
  after(true);
}

// A running construction changes the picture without an event: the panel and
// the address follow it frame by frame until it stops.
let following = false;
function followAnimation() {
  if (following) return;
  following = true;
  const step = () => {
    if (!running) {
      following = false;
      return;
    }
    const state = panel.show();
    plot.show();
    analysis.show();
    link.schedule();
    if (state.animating) {
      requestAnimationFrame(step);
    } else {
      following = false;
    }
  };
  requestAnimationFrame(step);
}

function stepBack(forward) {
  if (!running) return;
  describe.takeIn();
  if (forward ? undo.redo() : undo.undo()) {
    after(false);
    describe.show(true);
  }
}

const controls = createControls(program, act);
const lessons = createLessons(program, link, act);
window.tessaveld.lessons = lessons.lessons;
window.tessaveld.lesson = lessons.lesson;
Module.addMenuButton = controls.addMenuButton;
Module.traceWritten = panel.showTrace;

// The window by keyboard: its listener comes before every other, so that a
// key it acts on reaches neither the program nor the page's own listeners.
canvas.setAttribute('aria-keyshortcuts', windowShortcuts);
const keyboard = attachKeyboard(program, canvas, document.getElementById('key-cursor'),
    {begin: before, moved: () => after(false), end: () => after(true)},
    {cursor: describe.cursor, say: describe.say});

// For tests: where the keyboard's cursor stands, window pixels (y down), or null.
window.tessaveld.keyCursor = () => keyboard.cursor;

// The window's colours: the program's own, or high contrast. The viewer's
// need, not the figure's: kept on this device, never in the link.
const contrastKey = 'tessaveld.highContrast';
const contrastButton = document.getElementById('high-contrast');
function storedContrast() {
  try {
    return localStorage.getItem(contrastKey) === '1';
  } catch (e) {
    return false;
  }
}
function useContrast(high) {
  contrastButton.setAttribute('aria-pressed', String(high));
  if (running) program.palette(high);
}
contrastButton.addEventListener('click', () => {
  const high = contrastButton.getAttribute('aria-pressed') !== 'true';
  try {
    localStorage.setItem(contrastKey, high ? '1' : '0');
  } catch (e) {
    // Without storage the switch holds for this visit only.
  }
  useContrast(high);
});

// Keys reach the program through GLUT's own listener on the window, which
// comes after this one (this module runs first) and before the one below.
const undoKey = (event) => (event.ctrlKey || event.metaKey) && !event.altKey &&
  (event.key === 'z' || event.key === 'Z' || event.key === 'y');
window.addEventListener('keydown', (event) => {
  if (!running) return;
  if (undoKey(event)) {
    event.preventDefault();
    stepBack(event.shiftKey || event.key === 'y');
    return;
  }
  // The page's own keys never reach the program.
  if (analysis.handleKey(event)) {
    event.preventDefault();
    event.stopImmediatePropagation();
    return;
  }
  if (!event.ctrlKey && !event.metaKey && !event.altKey) before();
}, true);
window.addEventListener('keydown', (event) => {
  if (!undoKey(event) && !event.ctrlKey && !event.metaKey && !event.altKey) after(true);
});

// A fragment typed or pasted into the address bar of the open page.
window.addEventListener('hashchange', () => {
  if (!running) return;
  before();
  if (link.openAddress()) after(true);
});

undoButton.addEventListener('click', () => stepBack(false));
redoButton.addEventListener('click', () => stepBack(true));

const status = document.getElementById('page-status');
document.getElementById('copy-link').addEventListener('click', async () => {
  if (!running) return;
  status.textContent = (await link.copy()) ? 'The link is on the clipboard.' :
    'The address bar holds the link: copy it from there.';
});
// The canvas keeps its last frame (see web/native/post.js): the picture as shown.
document.getElementById('save-picture').addEventListener('click', () => {
  analysis.picture().toBlob((blob) => {
    if (blob) download(blob, 'tessaveld.png');
  }, 'image/png');
});
document.getElementById('download').addEventListener('click', panel.downloadTrace);

// Once the program runs: the link it was opened with, then the pointer.
Module.postRun = [() => {
  running = true;
  if (storedContrast()) useContrast(true);
  // A lesson's link says itself why its state could not be read.
  const opened = link.openAddress(link.setting('lesson') !== null);
  undo.reset();
  attachPointer(program, canvas, {begin: before, moved: () => after(false), end: () => after(true)});
  after(false);
  panel.showTrace();
  lessons.start(opened);
}];

Module.onExit = (code) => {
  // The status as a shell reports the desktop program's: its low eight bits.
  const exitStatus = code & 255;
  // The address takes the state as it ended, for "Open it again".
  try {
    link.write();
  } catch (e) {
    console.warn(`the address was not written at the end: ${e}`);
  }
  running = false;
  program.end();
  if (Module.stopEvents) Module.stopEvents();
  controls.disable();
  describe.say(`Tessaveld has ended with exit status ${exitStatus}.`);
  [undoButton, redoButton, document.getElementById('copy-link')].forEach((b) => {
    b.disabled = true;
  });
  document.getElementById('ended-text').textContent =
      `Tessaveld has ended with exit status ${exitStatus}.`;
  document.getElementById('ended').hidden = false;
  document.body.dataset.exitStatus = exitStatus;
};

// A new start without the state; the address, as it was at the end, still
// opens it again.
document.getElementById('restart').addEventListener('click', () => {
  location.replace(location.pathname + location.search);
});
document.getElementById('reopen').addEventListener('click', () => location.reload());

// Canvas, module and settings are ready: the program itself.
const script = document.createElement('script');
script.src = 'tessaveld.js';
document.body.appendChild(script);
