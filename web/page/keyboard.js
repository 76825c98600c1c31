// The window by keyboard: while the window has the focus, a cursor of the
// keyboard's stands in it (a crosshair drawn by the page over the canvas,
// never in the program's picture) and the keys below act there through the
// program's own mouse callbacks, as the pointer does:
//
//   arrows             the cursor one window pixel; with Shift ten. A point or
//                      knot handle held moves with it (the program's drag).
//   Enter              presses the left button at the cursor and lets it go:
//                      on empty space that adds a point; on a point or knot
//                      handle it takes it, and Enter again lets it go.
//   ] [                onto the next, previous control point
//   } {                onto the next, previous knot handle the program would take
//   Delete, Backspace  "delete point" on the point under the cursor
//   i                  inserts the knot under the cursor
//   Alt + arrows       turn the view as a right-button drag of ten pixels (one degree)
//
// Every other key stays the program's.

import {LEFT, RIGHT} from './bridge.js';

// Window pixels of one step of the arrows, with Shift, and of a turn by Alt.
const step = 1;
const bigStep = 10;
const turnPixels = 10;

const arrows = {
  ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1],
};

// The keys as aria-keyshortcuts names them, for the window.
export const windowShortcuts = [
  'ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown',
  'Shift+ArrowLeft', 'Shift+ArrowRight', 'Shift+ArrowUp', 'Shift+ArrowDown',
  'Enter', ']', '[', '}', '{', 'Delete', 'i',
  'Alt+ArrowLeft', 'Alt+ArrowRight', 'Alt+ArrowUp', 'Alt+ArrowDown',
].join(' ');

// hooks as for the pointer: begin() before the press that starts a gesture,
// end() after the release that ends it, moved() after anything else the
// program was told. tell.cursor(cursor, jumped) says where the cursor stands
// now; tell.say(sentence) speaks what a key could not do.
export function attachKeyboard(program, canvas, mark, hooks, tell) {
  const cursor = {x: 0, y: 0};
  let placed = false;
  let held = false;

  function show() {
    mark.style.left = `${(cursor.x + 0.5) * 100 / canvas.width}%`;
    mark.style.top = `${(cursor.y + 0.5) * 100 / canvas.height}%`;
  }

  // At the window's centre, the first time the window has the focus.
  function place() {
    if (placed) return;
    placed = true;
    cursor.x = Math.floor(canvas.width / 2);
    cursor.y = Math.floor(canvas.height / 2);
    show();
  }

  function moveTo(x, y, jumped) {
    cursor.x = Math.max(0, Math.min(canvas.width - 1, x));
    cursor.y = Math.max(0, Math.min(canvas.height - 1, y));
    show();
    if (held) {
      program.drag(cursor.x, cursor.y);
    } else {
      program.hover(cursor.x, cursor.y);
    }
    hooks.moved();
    tell.cursor(cursor, jumped);
  }

  function press() {
    if (held) {
      program.button(LEFT, false, cursor.x, cursor.y);
      held = false;
      hooks.end();
      return;
    }
    const taken = program.under(cursor.x, cursor.y);
    hooks.begin();
    program.hover(cursor.x, cursor.y);
    program.button(LEFT, true, cursor.x, cursor.y);
    if (taken.handle < 0 && taken.point < 0) {
      program.button(LEFT, false, cursor.x, cursor.y);
      hooks.end();
    } else {
      held = true;
      hooks.moved();
    }
  }

  function turn([dx, dy]) {
    const to = {x: cursor.x + dx * turnPixels, y: cursor.y + dy * turnPixels};
    hooks.begin();
    program.button(RIGHT, true, cursor.x, cursor.y);
    program.drag(to.x, to.y);
    program.button(RIGHT, false, to.x, to.y);
    // The cursor stays; the program hears the pointer back at it.
    program.hover(cursor.x, cursor.y);
    hooks.end();
  }

  function jump(handles, direction) {
    const target = program.next(cursor.x, cursor.y, handles, direction);
    if (target === null) {
      tell.say(handles ? 'No knot handle to move to.' : 'No point to move to.');
      return;
    }
    moveTo(target.x, target.y, true);
  }

  // A command at the cursor: the program hears the pointer there first.
  function atCursor(run, missing) {
    const taken = program.under(cursor.x, cursor.y);
    if (missing(taken)) {
      tell.say(missing(taken));
      return;
    }
    hooks.begin();
    program.hover(cursor.x, cursor.y);
    run();
    hooks.end();
  }

  function deletePoint() {
    const entry = document.querySelector('#menu button[data-label="delete point"]');
    atCursor(() => program.choose(Number(entry.dataset.code)),
        (t) => (t.point < 0 ? 'No point under the cursor.' : ''));
  }

  function insertKnot() {
    atCursor(() => program.key('i'.charCodeAt(0)),
        (t) => (t.handle < 0 ? 'No knot handle under the cursor.' : ''));
  }

  function handle(event) {
    if (event.ctrlKey || event.metaKey) return false;
    // Shift for the arrows' big step ends nothing: a hold stays one gesture.
    if (held && (event.key === 'Shift' || event.key === 'Alt')) return true;
    const arrow = arrows[event.key];
    if (arrow && event.altKey) {
      if (!held) turn(arrow);
      return true;
    }
    if (event.altKey) return false;
    if (arrow) {
      const size = event.shiftKey ? bigStep : step;
      moveTo(cursor.x + arrow[0] * size, cursor.y + arrow[1] * size, false);
      return true;
    }
    if (event.key === 'Enter') {
      press();
      return true;
    }
    // While a point or handle is held only the arrows and Enter act here.
    const commands = {
      ']': () => jump(false, 1), '[': () => jump(false, -1),
      '}': () => jump(true, 1), '{': () => jump(true, -1),
      'Delete': deletePoint, 'Backspace': deletePoint, 'i': insertKnot,
    };
    const command = commands[event.key];
    if (!command) return false;
    if (!held) command();
    return true;
  }

  // Registered before the program's own listener, which then never hears a
  // key that acted here.
  window.addEventListener('keydown', (event) => {
    if (program.ended || document.activeElement !== canvas) return;
    place();
    if (handle(event)) {
      event.preventDefault();
      event.stopImmediatePropagation();
    }
  }, true);
  canvas.addEventListener('focus', () => {
    place();
    tell.cursor(cursor, false);
  });
  // A point or handle held when the focus leaves is let go where it is.
  canvas.addEventListener('blur', () => {
    if (held && !program.ended) press();
  });

  return {
    get cursor() { return placed ? {...cursor} : null; },
  };
}
