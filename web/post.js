// Appended to the compiled program: mends what the toolchain's GLUT does
// differently from the desktop's, before main registers its handlers.

// The motion and hover callbacks get the position the pointer moved to (the
// toolchain's GLUT passes the position before the move).
GLUT.onMousemove = function(event) {
  var lastX = Browser.mouseX;
  var lastY = Browser.mouseY;
  Browser.calculateMouseEvent(event);
  var x = Browser.mouseX;
  var y = Browser.mouseY;
  if (x == lastX && y == lastY) return;
  if (GLUT.buttons == 0 && event.target == Module['canvas'] && GLUT.passiveMotionFunc) {
    event.preventDefault();
    GLUT.saveModifiers(event);
    getWasmTableEntry(GLUT.passiveMotionFunc)(x, y);
  } else if (GLUT.buttons != 0 && GLUT.motionFunc) {
    event.preventDefault();
    GLUT.saveModifiers(event);
    getWasmTableEntry(GLUT.motionFunc)(x, y);
  }
};

// Once the program has ended it hears no more events and draws no more frames.
Module['stopEvents'] = function() {
  ['keydown', 'keyup', 'mousemove', 'mousedown', 'mouseup'].forEach(function(type) {
    var handler = {keydown: GLUT.onKeydown, keyup: GLUT.onKeyup, mousemove: GLUT.onMousemove,
                   mousedown: GLUT.onMouseButtonDown, mouseup: GLUT.onMouseButtonUp}[type];
    window.removeEventListener(type, handler, true);
  });
  window.removeEventListener('mousewheel', GLUT.onMouseWheel, true);
  window.removeEventListener('DOMMouseScroll', GLUT.onMouseWheel, true);
  GLUT.displayFunc = 0;
  GLUT.idleFunc = 0;
};

// The end of the program unwinds out of the handler that ended it; that is
// not an error of the page.
window.addEventListener('error', function(event) {
  if (event.error instanceof ExitStatus) event.preventDefault();
});
