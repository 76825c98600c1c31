// The lessons: plain text files in lessons/ (their names in lessons/index.txt),
// read by the program's own reader, led step by step beside the window and
// the plot. A step opens its state (a snapshot), says its text, asks its task
// and has the program answer its check after every event. The address carries
// the lesson and the step (&lesson=ID&step=N); the progress stays on the device.

const folder = 'lessons/';
const progressKey = 'tessaveld.lessons';
// A hint shows after this long on a step whose check is not done.
const hintDelay = 45000;

// The elements and attributes a step's text keeps; the program's reader has
// refused a file with any other element.
const elements = new Set(['p', 'em', 'strong', 'br', 'sub', 'sup', 'math', 'mi', 'mn', 'mo',
  'mrow', 'msup', 'msub', 'msubsup', 'mfrac', 'msqrt', 'mroot', 'mover', 'munder', 'munderover',
  'mtext', 'mspace', 'mstyle', 'mtable', 'mtr', 'mtd']);
const attributes = new Set(['display', 'mathvariant', 'stretchy', 'width', 'form', 'linethickness']);

// The text's markup as nodes of the page: known elements with known
// attributes, anything else as its text.
function markup(text) {
  const parsed = new DOMParser().parseFromString(`<body>${text}</body>`, 'text/html').body;
  const clean = (node) => {
    for (const child of [...node.childNodes]) {
      if (child.nodeType === Node.ELEMENT_NODE) {
        if (!elements.has(child.localName)) {
          child.replaceWith(document.createTextNode(child.textContent));
          continue;
        }
        for (const a of [...child.attributes]) {
          if (!attributes.has(a.name)) child.removeAttribute(a.name);
        }
        clean(child);
      } else if (child.nodeType !== Node.TEXT_NODE) {
        child.remove();
      }
    }
  };
  clean(parsed);
  return parsed;
}

function loadProgress() {
  try {
    return JSON.parse(localStorage.getItem(progressKey)) || {};
  } catch (e) {
    return {};
  }
}

// act(run): one event of the page's; link: the address.
export function createLessons(program, link, act) {
  const list = document.getElementById('lesson-list');
  const panel = document.getElementById('lesson');
  const heading = document.getElementById('lesson-heading');
  const textBox = document.getElementById('lesson-text');
  const taskBox = document.getElementById('lesson-task');
  const status = document.getElementById('lesson-status');
  const hintBox = document.getElementById('lesson-hint');
  const notice = document.getElementById('lesson-notice');
  const previous = document.getElementById('lesson-previous');
  const next = document.getElementById('lesson-next');
  let lessons = [];
  let refused = [];
  let current = null;  // {lesson, index, done}
  let hintTimer = 0;
  const progress = loadProgress();

  function save() {
    try {
      localStorage.setItem(progressKey, JSON.stringify(progress));
    } catch (e) {
      // A device that keeps nothing: the lesson still runs.
    }
  }

  async function fetchText(name) {
    const response = await fetch(folder + name, {cache: 'no-cache'});
    if (!response.ok) throw new Error(`${name}: ${response.status}`);
    return response.text();
  }

  // Every file the index names, read by the program; refused files are
  // listed with the sentence that says where.
  async function load() {
    let names = [];
    try {
      names = (await fetchText('index.txt')).split('\n').map((n) => n.trim())
          .filter((n) => n !== '' && !n.startsWith('#'));
    } catch (e) {
      names = [];
    }
    const read = await Promise.all(names.map(async (name) => {
      const id = name.replace(/\.txt$/, '');
      try {
        return {id, name, ...program.readLesson(await fetchText(name))};
      } catch (e) {
        return {id, name, refusal: 'The file could not be fetched.'};
      }
    }));
    lessons = read.filter((l) => l.refusal === undefined);
    refused = read.filter((l) => l.refusal !== undefined);
    showList();
  }

  function doneCount(lesson) {
    return ((progress[lesson.id] || {}).done || []).length;
  }

  function showList() {
    list.replaceChildren();
    for (const lesson of lessons) {
      const button = document.createElement('button');
      button.type = 'button';
      button.dataset.lesson = lesson.id;
      const done = doneCount(lesson);
      button.textContent = lesson.title;
      if (done > 0) {
        const small = document.createElement('small');
        small.textContent = ` ${done} of ${lesson.steps.length} done`;
        button.append(small);
      }
      button.addEventListener('click', () => {
        const kept = progress[lesson.id];
        open(lesson.id, kept ? kept.step : 1, false);
      });
      list.append(button);
    }
    for (const file of refused) {
      const p = document.createElement('p');
      p.className = 'lesson-refused';
      p.textContent = `${file.name} is not shown: ${file.refusal}`;
      list.append(p);
    }
  }

  // The check of the step on screen, answered by the program.
  function answer() {
    if (!current) return false;
    const step = current.lesson.steps[current.index];
    if (step.check === null) return false;
    return program.lessonCheck(step.check).done === true;
  }

  function showStep() {
    const {lesson, index} = current;
    const step = lesson.steps[index];
    heading.textContent = `${lesson.title}, step ${index + 1} of ${lesson.steps.length}: ${step.title}`;
    textBox.replaceChildren();
    for (const paragraph of step.text.split('\n\n')) {
      const p = document.createElement('p');
      p.append(...markup(paragraph).childNodes);
      textBox.append(p);
    }
    taskBox.textContent = step.task === '' ? '' : `Your task: ${step.task}`;
    taskBox.hidden = step.task === '';
    hintBox.hidden = true;
    hintBox.textContent = step.hint !== '' ? `Hint: ${step.hint}` : (step.asks ? `Hint: ${step.asks}` : '');
    status.textContent = '';
    previous.disabled = index === 0;
    next.textContent = index + 1 === lesson.steps.length ? 'Finish' : 'Next';
    clearTimeout(hintTimer);
    if (step.check !== null) {
      hintTimer = setTimeout(() => {
        if (current && !current.done) hintBox.hidden = false;
      }, hintDelay);
    }
  }

  // Opens a lesson at a step (from 1). With keepState the program keeps the
  // state it shows (a link's own); otherwise the step's state opens.
  function open(id, stepNumber, keepState, sentence = '') {
    const lesson = lessons.find((l) => l.id === id);
    if (!lesson) {
      notice.textContent = sentence || `There is no lesson "${id}" on this site.`;
      notice.hidden = false;
      return false;
    }
    const index = Math.min(Math.max(1, Number(stepNumber) || 1), lesson.steps.length) - 1;
    current = {lesson, index, done: false};
    document.body.classList.add('in-lesson');
    panel.hidden = false;
    notice.textContent = sentence;
    notice.hidden = sentence === '';
    progress[lesson.id] = {...(progress[lesson.id] || {done: []}), step: index + 1};
    save();
    showStep();
    if (!keepState) act(() => program.open(lesson.steps[index].state));
    status.textContent = '';
    link.set('lesson', lesson.id);
    link.set('step', index + 1);
    current.done = answer();
    heading.focus();
    return true;
  }

  // After every event: the check answered again; a task newly done is said.
  function follow() {
    if (!current) return;
    const done = answer();
    if (done && !current.done) {
      status.textContent = `Done: ${current.lesson.steps[current.index].task}`;
      hintBox.hidden = true;
      const kept = progress[current.lesson.id];
      if (!kept.done.includes(current.index + 1)) kept.done = [...kept.done, current.index + 1];
      save();
    }
    current.done = done;
  }

  function leave() {
    current = null;
    clearTimeout(hintTimer);
    panel.hidden = true;
    document.body.classList.remove('in-lesson');
    link.set('lesson', null);
    link.set('step', null);
    showList();
  }

  previous.addEventListener('click', () => {
    if (current) open(current.lesson.id, current.index, false);
  });
  next.addEventListener('click', () => {
    if (!current) return;
    if (current.index + 1 < current.lesson.steps.length) {
      open(current.lesson.id, current.index + 2, false);
    } else {
      leave();
    }
  });
  document.getElementById('lesson-leave').addEventListener('click', leave);

  // The lines of a step that would open the state on screen, for a teacher's file.
  document.getElementById('copy-step').addEventListener('click', async () => {
    const lines = ['step: The step\'s title', 'text: What the student sees, and why.',
      `state: ${program.snapshot()}`, '# task: What the student is asked to do.',
      '# check: a check by name, for example: mode bezier', ''].join('\n');
    const said = document.getElementById('page-status');
    said.textContent = (await link.copyText(lines)) ?
      'The lines of a step with this state are on the clipboard.' :
      'The clipboard could not be reached.';
  });

  // Once the program runs: the lessons read, then the lesson the address
  // names, if any. linkOpened: whether the address's own state opened.
  async function start(linkOpened) {
    await load();
    const id = link.setting('lesson');
    if (id === null) return;
    const sentence = !linkOpened && link.refusal !== '' ?
      `The link's state could not be read (${link.refusal}); the step opens with its own.` : '';
    open(id, link.setting('step') || 1, linkOpened, sentence);
  }

  return {
    start,
    follow,
    lessons: () => lessons.map((l) => ({id: l.id, title: l.title,
      steps: l.steps.map((s) => ({title: s.title, state: s.state, check: s.check}))})),
    lesson: () => (current ? {id: current.lesson.id, step: current.index + 1,
      done: current.done} : null),
  };
}
