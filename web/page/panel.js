// The state panel and the trace file as it is written: numbers and words as
// the program gives them.

const traceName = 'debug.txt';

export function createPanel(program) {
  const field = (name) => document.getElementById(`state-${name}`);
  const notice = document.getElementById('state-notice');
  const trace = document.getElementById('trace-text');

  function showTrace() {
    const text = program.traceFile(traceName);
    if (trace.textContent !== text) {
      trace.textContent = text;
      trace.scrollTop = trace.scrollHeight;
    }
  }

  // Fills the panel; returns what the program said, for the page's own use.
  function show() {
    const state = program.panel();
    field('mode').textContent = state.mode;
    field('scheme').textContent = state.scheme;
    field('basis').textContent = state.basis;
    field('degree').textContent = state.degree;
    field('r').textContent = state.r.toFixed(4);
    field('alpha').textContent = state.alpha.toFixed(5);
    field('points').textContent = state.points;
    field('trace').textContent = state.trace ? 'on' : 'off';
    if (notice.textContent !== state.notice) notice.textContent = state.notice;
    notice.hidden = state.notice === '';
    showTrace();
    return state;
  }

  function downloadTrace() {
    download(new Blob([program.traceFile(traceName)], {type: 'text/plain'}), traceName);
  }

  return {show, showTrace, downloadTrace};
}

// Hands a blob to the browser as a file to save.
export function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}
