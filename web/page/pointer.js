// Pointer Events for every kind of pointer, fed to the program's own mouse
// callbacks in window pixels, whatever size the canvas is shown at.
//
// A mouse is the desktop's mouse: the left button adds and drags, the right
// one turns the view, a move without a button is a hover. A pen is a mouse
// whose tip is the left button. A finger is the left button; two fingers turn
// the view as the right button does, about the point between them. For a
// finger or a pen, a press within `reach` CSS pixels of a knot handle or a
// point is moved onto it first (the program's own rule is 8 window pixels,
// too small for a finger on a phone), and the drag keeps that offset.

import {LEFT, RIGHT} from './bridge.js';

const reach = 22;
// A finger's press waits until it moves `slop` CSS pixels, or `settle`
// milliseconds pass, or it lifts: a second finger in that time makes a turn of
// the view, not a point.
const slop = 6;
const settle = 120;

// The pointer's buttons as the DOM numbers them, with GLUT's.
const buttons = [{bit: 1, glut: LEFT}, {bit: 2, glut: RIGHT}];

// hooks.begin() comes before the press that starts a gesture, hooks.end()
// after the release that ends it, hooks.moved() after anything else the
// program was told.
export function attachPointer(program, canvas, hooks) {
  // Window pixels of a position on the page: the pixel the position lies in.
  function windowPoint(event) {
    const rect = canvas.getBoundingClientRect();
    const scale = canvas.width / rect.width;
    return {
      x: Math.floor((event.clientX - rect.left) * scale),
      y: Math.floor((event.clientY - rect.top) * canvas.height / rect.height),
      scale,
    };
  }

  function targetNear(point) {
    return program.target(point.x, point.y, reach * point.scale);
  }

  // --- mouse and pen ---
  let held = 0;
  let last = null;
  let offset = {x: 0, y: 0};

  function sameAsLast(p) {
    return last !== null && last.x === p.x && last.y === p.y;
  }

  function mouse(event) {
    if (program.ended) return;
    const at = windowPoint(event);
    const p = {x: at.x + offset.x, y: at.y + offset.y};
    // A move first, then the buttons that changed, as a window system reports them.
    if (!sameAsLast(p)) {
      if (held !== 0) {
        program.drag(p.x, p.y);
      } else if (event.type !== 'pointerup') {
        program.hover(p.x, p.y);
      }
      last = p;
    }
    const now = event.type === 'pointercancel' ? 0 : event.buttons;
    let released = false;
    for (const {bit, glut} of buttons) {
      if ((now & bit) && !(held & bit)) {
        if (held === 0) hooks.begin();
        held |= bit;
        let press = p;
        if (glut === LEFT && event.pointerType === 'pen') {
          const target = targetNear(at);
          if (target !== null) {
            press = target;
            offset = {x: target.x - at.x, y: target.y - at.y};
            program.hover(press.x, press.y);
          }
        }
        program.button(glut, true, press.x, press.y);
        last = press;
      } else if (!(now & bit) && (held & bit)) {
        held &= ~bit;
        program.button(glut, false, p.x, p.y);
        released = true;
      }
    }
    if (held === 0) offset = {x: 0, y: 0};
    if (released && held === 0) {
      hooks.end();
    } else {
      hooks.moved();
    }
  }

  // --- fingers ---
  const fingers = new Map();  // pointerId -> where it began and is now, window pixels
  let gesture = 'idle';       // idle, waiting, left, turn, done
  let timer = null;
  let touchOffset = {x: 0, y: 0};
  let lastTouch = null;
  let begun = false;  // the fingers' gesture has told the program something

  function begin() {
    if (!begun) {
      begun = true;
      hooks.begin();
    }
  }

  // A move the program hears of only when it reaches another window pixel.
  function dragTo(p) {
    if (lastTouch !== null && lastTouch.x === p.x && lastTouch.y === p.y) return;
    lastTouch = p;
    program.drag(p.x, p.y);
  }

  function between() {
    const [a, b] = [...fingers.values()];
    return {x: Math.floor((a.now.x + b.now.x) / 2), y: Math.floor((a.now.y + b.now.y) / 2)};
  }

  function pressFinger() {
    clearTimeout(timer);
    timer = null;
    begin();
    const [finger] = fingers.values();
    const start = finger.start;
    const target = targetNear(start);
    const press = target !== null ? target : {x: start.x, y: start.y};
    touchOffset = {x: press.x - start.x, y: press.y - start.y};
    program.hover(press.x, press.y);
    program.button(LEFT, true, press.x, press.y);
    lastTouch = press;
    gesture = 'left';
    dragFinger(finger);
  }

  function dragFinger(finger) {
    dragTo({x: finger.now.x + touchOffset.x, y: finger.now.y + touchOffset.y});
  }

  function startTurn() {
    const p = between();
    program.button(RIGHT, true, p.x, p.y);
    lastTouch = p;
    gesture = 'turn';
  }

  function touchDown(event) {
    const p = windowPoint(event);
    fingers.set(event.pointerId, {start: p, now: p, css: {x: event.clientX, y: event.clientY}});
    if (gesture === 'idle') {
      gesture = 'waiting';
      timer = setTimeout(() => {
        if (gesture === 'waiting' && !program.ended) {
          pressFinger();
          hooks.moved();
        }
      }, settle);
    } else if (gesture === 'waiting' && fingers.size === 2) {
      clearTimeout(timer);
      timer = null;
      begin();
      startTurn();
      hooks.moved();
    } else if (gesture === 'left' && fingers.size === 2) {
      // The first finger let go where it is now; the two turn the view.
      const [first] = fingers.values();
      const p = {x: first.now.x + touchOffset.x, y: first.now.y + touchOffset.y};
      program.button(LEFT, false, p.x, p.y);
      startTurn();
      hooks.moved();
    }
  }

  function touchMove(event) {
    const finger = fingers.get(event.pointerId);
    if (!finger) return;
    finger.now = windowPoint(event);
    if (gesture === 'waiting') {
      const moved = Math.hypot(event.clientX - finger.css.x, event.clientY - finger.css.y);
      if (moved >= slop) pressFinger();
    } else if (gesture === 'left') {
      dragFinger(finger);
    } else if (gesture === 'turn' && fingers.size >= 2) {
      dragTo(between());
    }
    hooks.moved();
  }

  function touchUp(event, cancelled) {
    const finger = fingers.get(event.pointerId);
    if (!finger) return;
    finger.now = windowPoint(event);
    if (gesture === 'waiting') {
      if (cancelled) {
        clearTimeout(timer);
        timer = null;
        gesture = 'done';
      } else {
        pressFinger();
      }
    }
    if (gesture === 'left') {
      const p = {x: finger.now.x + touchOffset.x, y: finger.now.y + touchOffset.y};
      dragFinger(finger);
      program.button(LEFT, false, p.x, p.y);
      gesture = 'done';
    } else if (gesture === 'turn') {
      program.button(RIGHT, false, lastTouch.x, lastTouch.y);
      gesture = 'done';
    }
    fingers.delete(event.pointerId);
    if (fingers.size > 0) {
      hooks.moved();
      return;
    }
    gesture = 'idle';
    // A waiting finger that was cancelled never pressed: no gesture to end.
    if (begun) {
      begun = false;
      hooks.end();
    } else {
      hooks.moved();
    }
  }

  canvas.addEventListener('pointerdown', (event) => {
    if (program.ended) return;
    event.preventDefault();
    canvas.setPointerCapture(event.pointerId);
    if (event.pointerType === 'touch') {
      touchDown(event);
    } else {
      mouse(event);
    }
  });
  canvas.addEventListener('pointermove', (event) => {
    if (program.ended) return;
    if (event.pointerType === 'touch') {
      touchMove(event);
    } else {
      mouse(event);
    }
  });
  for (const type of ['pointerup', 'pointercancel']) {
    canvas.addEventListener(type, (event) => {
      if (program.ended) return;
      if (event.pointerType === 'touch') {
        touchUp(event, type === 'pointercancel');
      } else {
        mouse(event);
      }
    });
  }
  // Right-drag turns the view: the browser's own menu stays closed over the canvas.
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
}
