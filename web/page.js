// The page around the program: the menu as buttons, the state panel, the
// trace as it is written, and the end of the program. The compiled program
// (tessaveld.js) reads its settings from Module.
'use strict';

var canvas = document.getElementById('canvas');
var traceName = 'debug.txt';
var ended = false;

function fillPanel() {
  if (ended || !Module.calledRun) return;
  var state = JSON.parse(UTF8ToString(Module._tessaveld_panel()));
  document.getElementById('state-mode').textContent = state.mode;
  document.getElementById('state-scheme').textContent = state.scheme;
  document.getElementById('state-basis').textContent = state.basis;
  document.getElementById('state-degree').textContent = state.degree;
  document.getElementById('state-r').textContent = state.r.toFixed(4);
  document.getElementById('state-alpha').textContent = state.alpha.toFixed(5);
  document.getElementById('state-points').textContent = state.points;
  document.getElementById('state-trace').textContent = state.trace ? 'on' : 'off';
  showTrace();
}

function traceText() {
  try {
    return FS.readFile(traceName, {encoding: 'utf8'});
  } catch (e) {
    return '';
  }
}

function showTrace() {
  var pre = document.getElementById('trace-text');
  var text = traceText();
  if (pre.textContent !== text) {
    pre.textContent = text;
    pre.scrollTop = pre.scrollHeight;
  }
}

// After the program's own handlers (capturing, on window) have run.
function afterEvent() {
  setTimeout(fillPanel, 0);
}

var Module = {
  canvas: canvas,
  print: function(text) { console.log(text); },
  printErr: function(text) { console.warn(text); },
  addMenuButton: function(label, code) {
    var button = document.createElement('button');
    button.type = 'button';
    button.textContent = label;
    button.dataset.code = code;
    button.addEventListener('click', function() {
      if (ended) return;
      Module._tessaveld_choose(code);
      afterEvent();
    });
    document.getElementById('menu').appendChild(button);
  },
  traceWritten: showTrace,
  onRuntimeInitialized: function() { afterEvent(); },
  onExit: function(code) {
    // The status as a shell reports the desktop program's: its low eight bits.
    var status = code & 255;
    ended = true;
    if (Module.stopEvents) Module.stopEvents();
    document.querySelectorAll('#menu button').forEach(function(b) { b.disabled = true; });
    document.getElementById('ended-text').textContent =
        'Tessaveld has ended with exit status ' + status + '.';
    document.getElementById('ended').hidden = false;
    document.body.dataset.exitStatus = status;
  },
};

['keydown', 'mousedown', 'mouseup'].forEach(function(type) {
  window.addEventListener(type, afterEvent);
});
// Right-drag turns the view: the browser's own menu stays closed over the canvas.
canvas.addEventListener('contextmenu', function(event) { event.preventDefault(); });

document.getElementById('restart').addEventListener('click', function() {
  location.reload();
});

document.getElementById('download').addEventListener('click', function() {
  var blob = new Blob([traceText()], {type: 'text/plain'});
  var link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = traceName;
  document.body.appendChild(link);
  link.click();
  link.remove();
});
