// The address carries the state: after every event the fragment holds the
// program's snapshot (replaced in place, not one history entry per event), and
// opening an address with a fragment opens that snapshot.
//
// The address is written once the event's frame is drawn, when the page is
// idle: the browser's replaceState takes from a tenth of a millisecond to a
// few, and the frame need not wait for it. A drag writes at most every
// `interval` milliseconds, and always once at its end; browsers refuse more
// than a few hundred address changes in ten seconds.

const interval = 80;
// At the latest this long after the event, idle or not.
const idleWait = 100;
const whenIdle = window.requestIdleCallback ||
  ((run) => setTimeout(run, 0));

export function createLink(program) {
  const alert = document.getElementById('link-alert');
  const refusal = document.getElementById('link-refusal');
  let written = null;
  let last = -Infinity;
  let pending = false;

  // Writes the address now, if the snapshot changed since it was last written.
  function write() {
    pending = false;
    if (program.ended) return;
    last = performance.now();
    const text = program.snapshot();
    if (text === written) return;
    history.replaceState(history.state, '', `#${text}`);
    written = text;
  }

  // After an event: the address is written when the page is next idle, or,
  // during a quick run of events, once the interval is over.
  function schedule() {
    if (pending) return;
    pending = true;
    const wait = Math.max(0, last + interval - performance.now());
    setTimeout(() => whenIdle(() => {
      if (pending) write();
    }, {timeout: idleWait}), wait);
  }

  function refused(sentence) {
    refusal.textContent = sentence;
    alert.hidden = false;
  }

  // Opens the snapshot the address holds, if any. Returns whether the program
  // now shows it; a refused text leaves the program as it was and says why.
  function openAddress() {
    const text = location.hash.slice(1);
    if (text === '' || text === written) return false;
    const sentence = program.open(text);
    if (sentence !== '') {
      refused(sentence);
      return false;
    }
    alert.hidden = true;
    written = text;
    return true;
  }

  document.getElementById('link-alert-close').addEventListener('click', () => {
    alert.hidden = true;
  });

  // Puts the address, written first, on the clipboard; resolves to whether
  // that worked.
  async function copy() {
    write();
    try {
      await navigator.clipboard.writeText(location.href);
      return true;
    } catch (e) {
      // Without the clipboard's permission: a selected text and the old command.
      const field = document.createElement('textarea');
      field.value = location.href;
      field.setAttribute('readonly', '');
      field.style.position = 'fixed';
      field.style.opacity = '0';
      document.body.appendChild(field);
      field.select();
      const copied = document.execCommand('copy');
      field.remove();
      return copied;
    }
  }

  return {write, schedule, openAddress, copy};
}
