// Undo and redo over the program's snapshots, taken without what lies under
// the pointer. Each event that changes the snapshot is one step (a drag
// counts once, at its release); what changes without an event, the running
// construction, is taken in before the next step. The history is bounded in steps and in characters: the oldest steps
// go first.

export const maxSteps = 500;
export const maxCharacters = 8 * 1024 * 1024;

export function createUndo(program, onChange) {
  let current = '';
  let undone = [];
  let redone = [];
  let characters = 0;

  function trim() {
    while (undone.length > maxSteps || characters > maxCharacters) {
      characters -= undone.shift().length;
    }
  }

  // Starts afresh from what the program holds now.
  function reset() {
    current = program.built();
    undone = [];
    redone = [];
    characters = 0;
    onChange();
  }

  // Before an event: what changed since the last step belongs to it.
  function takeIn() {
    current = program.built();
  }

  // After an event: a step, if the event changed the snapshot.
  function record() {
    const now = program.built();
    if (now === current) return;
    undone.push(current);
    characters += current.length;
    current = now;
    redone = [];
    trim();
    onChange();
  }

  function go(from, to) {
    if (from.length === 0) return false;
    const live = program.built();
    const target = from.pop();
    to.push(live);
    if (from === undone) {
      characters -= target.length;
    } else {
      characters += live.length;
      trim();
    }
    current = target;
    const refusal = program.open(target);
    if (refusal) console.error(`undo: the program refused its own snapshot: ${refusal}`);
    onChange();
    return true;
  }

  return {
    reset, takeIn, record,
    undo: () => go(undone, redone),
    redo: () => go(redone, undone),
    get canUndo() { return undone.length > 0; },
    get canRedo() { return redone.length > 0; },
    get steps() { return undone.length; },
  };
}
