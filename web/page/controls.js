// One control per command: the program's menu entries as it offers them, and
// every key command, grouped by what it acts on. A control runs the program's
// own key handler with its key, so it does exactly what the key does.

// The key commands; `shortcut` is the key as aria-keyshortcuts names it.
const groups = [
  {title: 'Curve and construction', commands: [
    {key: 'm', label: 'Construction: start, pause, go on'},
  ]},
  {title: 'Degree, elevation and reduction', commands: [
    {key: 'q', label: 'Degree down'},
    {key: 'w', label: 'Degree up'},
    {key: 'e', label: 'Elevate (Bezier)'},
    {key: 'h', label: 'Reduce, alpha down'},
    {key: 'j', label: 'Reduce, alpha up'},
    {key: 'l', label: 'Family of reductions'},
  ]},
  {title: 'Knots', commands: [
    {key: 'i', label: 'Insert the knot under the pointer'},
  ]},
  {title: 'Subdivision and RBF', commands: [
    {key: 'a', label: 'Next scheme'},
    {key: 'b', label: 'Next radial basis'},
    {key: ',', label: 'r down'},
    {key: '.', label: 'r up'},
    {key: 'n', label: 'Halving of r on, off'},
  ]},
  {title: 'View and trace', commands: [
    {key: ' ', label: 'Turn the view back', shown: 'Space', shortcut: 'Space'},
    {key: 'p', label: 'Trace on, off'},
  ]},
];

// The digit keys reach the menu entries in the order the menu lists them; the
// last entry, quit, has none.
const digitKeys = 8;

function commandButton(label, key, shortcut) {
  const button = document.createElement('button');
  button.type = 'button';
  button.append(label);
  if (key) {
    const kbd = document.createElement('kbd');
    kbd.textContent = key;
    button.append(' ', kbd);
    button.setAttribute('aria-keyshortcuts', shortcut);
  }
  return button;
}

// act(run) runs one event of the page's around the program's: it is given
// what the control does.
export function createControls(program, act) {
  const menu = document.getElementById('menu');
  let menuEntries = 0;

  // Called by the program as it offers its menu.
  function addMenuButton(label, code) {
    menuEntries += 1;
    const digit = menuEntries <= digitKeys ? String(menuEntries) : null;
    const button = commandButton(label, digit, digit);
    button.dataset.code = code;
    button.dataset.label = label;
    button.addEventListener('click', () => act(() => program.choose(code)));
    menu.appendChild(button);
  }

  const holder = document.getElementById('key-groups');
  groups.forEach((group, index) => {
    const section = document.createElement('section');
    section.className = 'group';
    const title = document.createElement('h2');
    title.id = `key-group-${index}`;
    title.textContent = group.title;
    section.setAttribute('aria-labelledby', title.id);
    const buttons = document.createElement('div');
    buttons.className = 'buttons';
    for (const command of group.commands) {
      const button = commandButton(command.label, command.shown || command.key,
          command.shortcut || command.key);
      button.dataset.key = command.key;
      button.addEventListener('click', () => act(() => program.key(command.key.charCodeAt(0))));
      buttons.appendChild(button);
    }
    section.append(title, buttons);
    holder.appendChild(section);
  });

  // Once the program has ended no control answers.
  function disable() {
    document.querySelectorAll('#controls button').forEach((b) => { b.disabled = true; });
  }

  return {addMenuButton, disable};
}
