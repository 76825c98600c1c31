// The address carries the state: after every event the fragment holds the
// program's snapshot (replaced in place, not one history entry per event), and
// opening an address with a fragment opens that snapshot.
//
// The address is written once the event's frame is drawn, when the page is
// idle: the browser's replaceState takes from a tenth of a millisecond to a
// few, and the frame need not wait for it. A drag writes at most every
// `interval` milliseconds, and always once at its end; browsers refuse more
// than a few hundred address changes in ten seconds.

// The page's own settings travel after the snapshot as &name=value pairs
// (old links have none; the snapshot never holds '&'). One row per setting,
// with the values it takes; a pair that is not a row's, or a value its row
// refuses, is left out as if the link had none.
const pageSettings = [
  {name: 'lesson', valid: (v) => /^[a-z0-9_-]{1,60}$/.test(v)},
  {name: 'step', valid: (v) => /^[1-9][0-9]{0,2}$/.test(v)},
];

// The snapshot and the settings of an address's fragment.
export function splitFragment(fragment) {
  const [snapshot, ...pairs] = fragment.split('&');
  const settings = {};
  for (const pair of pairs) {
    const at = pair.indexOf('=');
    const name = pair.slice(0, at);
    const value = pair.slice(at + 1);
    const row = pageSettings.find((r) => r.name === name);
    if (at > 0 && row && row.valid(value)) settings[name] = value;
  }
  return {snapshot, settings};
}

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
  // The settings the address carries now, by name; set() changes them.
  let settings = splitFragment(location.hash.slice(1)).settings;
  const settingsText = () => pageSettings.filter((r) => settings[r.name] !== undefined)
      .map((r) => `&${r.name}=${settings[r.name]}`).join('');

  // Writes the address now, if the snapshot changed since it was last written.
  function write() {
    pending = false;
    if (program.ended) return;
    last = performance.now();
    const text = program.snapshot();
    const fragment = `#${text}${settingsText()}`;
    if (text === written && location.hash === fragment) return;
    history.replaceState(history.state, '', fragment);
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
  // now shows it; a refused text leaves the program as it was and says why
  // (unless `quiet`: the caller says it), in `refusal` until the next call.
  let lastRefusal = '';
  function openAddress(quiet = false) {
    const fragment = splitFragment(location.hash.slice(1));
    settings = fragment.settings;
    const text = fragment.snapshot;
    lastRefusal = '';
    if (text === '' || text === written) return false;
    const sentence = program.open(text);
    if (sentence !== '') {
      lastRefusal = sentence;
      if (!quiet) refused(sentence);
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
    return copyText(location.href);
  }

  // Puts a text on the clipboard; resolves to whether that worked.
  async function copyText(value) {
    try {
      await navigator.clipboard.writeText(value);
      return true;
    } catch (e) {
      // Without the clipboard's permission: a selected text and the old command.
      const field = document.createElement('textarea');
      field.value = value;
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

  // A setting of the address, or null; set(name, null) drops it.
  const setting = (name) => (settings[name] === undefined ? null : settings[name]);
  function set(name, value) {
    settings = {...settings};
    if (value === null) {
      delete settings[name];
    } else {
      settings[name] = String(value);
    }
    schedule();
  }

  return {write, schedule, openAddress, copy, setting, set,
    get refusal() { return lastRefusal; }, copyText};
}
