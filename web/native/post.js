// Appended to the compiled program: mends what the toolchain's GLUT does
// differently from what the page needs, before main registers its handlers.

// The page feeds every pointer, mouse, touch and pen alike, to the program's
// own callbacks through Pointer Events (page/pointer.js), in window pixels at
// whatever size the canvas is shown. GLUT's own mouse, wheel and touch
// listeners, which glutInit installs, are left with nothing to do.
GLUT.onMousemove = function() {};
GLUT.onMouseButtonDown = function() {};
GLUT.onMouseButtonUp = function() {};
GLUT.onMouseWheel = function() {};
GLUT.touchHandler = function() {};

// Tab moves the focus through the page's controls and Enter presses the one
// that has it; the program has no use for either key.
var programKeydown = GLUT.onKeydown;
GLUT.onKeydown = function(event) {
  if (event.key === 'Tab' || event.key === 'Enter') return;
  programKeydown(event);
};

// The frame stays in the canvas after it is shown: a transition frame, which
// no redisplay follows, can be saved as a picture or read back at any time.
var createProgramContext = Browser.createContext;
Browser.createContext = function(canvas, useWebGL, setInModule, attributes) {
  return createProgramContext.call(Browser, canvas, useWebGL, setInModule,
      Object.assign({}, attributes, {preserveDrawingBuffer: true}));
};

// Once the program has ended it hears no more events and draws no more frames.
Module['stopEvents'] = function() {
  window.removeEventListener('keydown', GLUT.onKeydown, true);
  window.removeEventListener('keyup', GLUT.onKeyup, true);
  GLUT.displayFunc = 0;
  GLUT.idleFunc = 0;
};

// The end of the program unwinds out of the handler that ended it; that is
// not an error of the page.
window.addEventListener('error', function(event) {
  if (event.error instanceof ExitStatus) event.preventDefault();
});
