// The page's side of web/native/bridge.cpp: every call the page makes into
// the program goes through here. Texts come back as JSON or as the snapshot's
// own text; the page keeps no state of the program's.

// GLUT's numbers for the buttons and their two states.
export const LEFT = 0;
export const RIGHT = 2;

export function connect(Module) {
  let ended = false;
  const text = (pointer) => Module.UTF8ToString(pointer);
  const encoder = new TextEncoder();
  // A text into the room the program makes for it, byte for byte.
  const put = (value, room) => {
    const bytes = encoder.encode(value);
    const at = room(bytes.length);
    // The room may have grown the memory: the view is taken afterwards.
    Module.HEAPU8.set(bytes, at);
  };

  return {
    get ended() { return ended; },
    end() { ended = true; },
    get canvas() { return Module.canvas; },

    panel: () => JSON.parse(text(Module._tessaveld_panel())),
    choose: (code) => Module._tessaveld_choose(code),
    key: (code) => Module._tessaveld_key(code),
    button: (button, down, x, y) => Module._tessaveld_button(button, down ? 1 : 0, x, y),
    drag: (x, y) => Module._tessaveld_drag(x, y),
    hover: (x, y) => Module._tessaveld_hover(x, y),
    redraw: () => Module._tessaveld_redraw(),
    // The point or knot handle a touch at (x, y) takes, window pixels, or null.
    target: (x, y, radius) => JSON.parse(text(Module._tessaveld_target(x, y, radius))),
    // The snapshot the address carries, and the one the undo history keeps:
    // without the point or knot under the pointer.
    snapshot: () => text(Module._tessaveld_snapshot(1)),
    built: () => text(Module._tessaveld_snapshot(0)),
    // What the plot panel shows: words and marks as JSON, then the samples
    // as views of the program's own arrays, valid until the next plot().
    plot: () => JSON.parse(text(Module._tessaveld_plot())),
    forgetPlot: () => Module._tessaveld_plot_forget(),
    plotSamples() {
      const count = Module._tessaveld_plot_samples();
      const at = (pointer) => new Float64Array(Module.HEAPF64.buffer, pointer, count);
      return {u: at(Module._tessaveld_plot_u()), value: at(Module._tessaveld_plot_value())};
    },
    // What the drawn curve is like (app/analysis), or null when none is drawn.
    analysis: () => JSON.parse(text(Module._tessaveld_analysis())),
    // Window pixels (y down) of every control point as drawn, the view's turn included.
    pointPositions: () => JSON.parse(text(Module._tessaveld_point_positions())),
    // What a left press at window pixel (x, y) would take ({handle, point},
    // -1 for none) and the place in the program's coordinates (y up).
    under: (x, y) => JSON.parse(text(Module._tessaveld_under(x, y))),
    // Where the next (step 1) or previous (-1) point, or knot handle, lies
    // that a press takes, from the one at (x, y): {x, y, index} or null.
    next: (x, y, handles, step) =>
      JSON.parse(text(Module._tessaveld_next(x, y, handles ? 1 : 0, step))),
    // The figure's numbers: points, where they are drawn, knots, the turn, overlays.
    figure: () => JSON.parse(text(Module._tessaveld_figure())),
    // The window's palette: the program's own (false) or high contrast (true).
    palette: (high) => Module._tessaveld_palette(high ? 1 : 0),
    // Opens a snapshot; the sentence saying why it was refused, or '' when it
    // was applied. Whatever the text holds goes to the program's reader as it
    // is, its length given, so that no byte of it is lost or added here.
    open(snapshot) {
      put(snapshot, Module._tessaveld_text);
      return text(Module._tessaveld_open());
    },
    // A lesson file read by the program's reader: {title, steps} or {refusal, line}.
    readLesson(file) {
      put(file, Module._tessaveld_lesson_text);
      return JSON.parse(text(Module._tessaveld_lesson_read()));
    },
    // Whether the record does what a step's check asks: {done} or {refusal}.
    lessonCheck(check) {
      put(check, Module._tessaveld_lesson_text);
      return JSON.parse(text(Module._tessaveld_lesson_check()));
    },
    traceFile(name) {
      try {
        return Module.FS.readFile(name, {encoding: 'utf8'});
      } catch (e) {
        return '';
      }
    },
  };
}
