// The address carries the state: after every event the fragment holds the
// program's snapshot (replaced in place, not one history entry per event), and
// opening an address with a fragment opens that snapshot.
//
// The page's own settings follow the snapshot as name=value pairs, each after
// an '&' (the snapshot never holds one): #v1;...;end&comb=on. Only the pairs
// that differ from their default are written, so an address with every
// setting at its default is the snapshot alone, as before there were any; an
// old link, or a pair that is missing or unknown, gives the default. Only the
// snapshot goes to the program.
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

// The page's settings: name in the address, its default, and for some the
// values it takes (a value its row refuses is read as the default). Adding
// one is a row here and its rule where it is used.
export const pageSettings = [
  {name: 'comb', fallback: 'off'},
  {name: 'joints', fallback: 'off'},
  {name: 'hodograph', fallback: 'off'},
  {name: 'curvature', fallback: 'off'},
  {name: 'combscale', fallback: 'auto'},
  {name: 'lesson', fallback: '', valid: (v) => /^[a-z0-9_-]{1,60}$/.test(v)},
  {name: 'step', fallback: '', valid: (v) => /^[1-9][0-9]{0,2}$/.test(v)},
];

// The fragment (without '#') as its snapshot and every setting's value.
export function readFragment(fragment) {
  const [snapshot, ...pairs] = fragment.split('&');
  const values = Object.fromEntries(pageSettings.map((s) => [s.name, s.fallback]));
  for (const pair of pairs) {
    const at = pair.indexOf('=');
    const name = at < 0 ? pair : pair.slice(0, at);
    const row = pageSettings.find((s) => s.name === name);
    if (!row) continue;
    let value = '';
    try {
      value = decodeURIComponent(pair.slice(at + 1));
    } catch (e) {
      continue;
    }
    if (!row.valid || row.valid(value)) values[name] = value;
  }
  return {snapshot, values};
}

// The fragment of a snapshot and the settings' values.
export function writeFragment(snapshot, values) {
  const pairs = pageSettings.filter((s) => values[s.name] !== undefined &&
      String(values[s.name]) !== s.fallback)
    .map((s) => `&${s.name}=${encodeURIComponent(String(values[s.name]))}`);
  return snapshot + pairs.join('');
}

// settings: values() gives the page's settings by name, apply(values) takes
// them from an opened address; the default: none.
export function createLink(program, settings = {values: () => ({}), apply: () => {}}) {
  const alert = document.getElementById('link-alert');
  const refusal = document.getElementById('link-refusal');
  let written = null;
  let last = -Infinity;
  let pending = false;
  // The settings the address carries that no provider owns (the lesson and
  // its step), by name; set() changes them.
  let own = readFragment(location.hash.slice(1)).values;

  // Writes the address now, if the snapshot changed since it was last written.
  function write() {
    pending = false;
    if (program.ended) return;
    last = performance.now();
    const text = writeFragment(program.snapshot(), {...own, ...settings.values()});
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
  // now shows it; a refused text leaves the program as it was and says why
  // (unless `quiet`: the caller says it), in `refusal` until the next call.
  let lastRefusal = '';
  function openAddress(quiet = false) {
    const text = location.hash.slice(1);
    lastRefusal = '';
    if (text === '' || text === written) return false;
    const {snapshot, values} = readFragment(text);
    own = values;
    settings.apply(values);
    if (snapshot === '' || snapshot === readFragment(written || '').snapshot) {
      written = text;
      return false;
    }
    const sentence = program.open(snapshot);
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

  // A setting of the address, or null at its default; set(name, null) puts
  // it back to its default.
  const fallback = (name) => pageSettings.find((r) => r.name === name).fallback;
  const setting = (name) => (own[name] === fallback(name) ? null : own[name]);
  function set(name, value) {
    own = {...own, [name]: value === null ? fallback(name) : String(value)};
    schedule();
  }

  return {write, schedule, openAddress, copy, setting, set,
    get refusal() { return lastRefusal; }, copyText};
}
