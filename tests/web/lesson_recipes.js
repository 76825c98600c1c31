// How each built-in lesson step's state is made through the program's own
// commands (clicks and keys on a fresh page), and a solution of its task,
// played the same way. node tests/web/lesson_states.js SITE writes the states
// into web/lessons/*.txt; tests/web/lessons_test.js plays the solutions.
'use strict';
const {enter, keys, hexagon, sleep} = require('./driver.js');

const BAR_Y = 575;

// Eleven points evenly spaced across, on a flat line with a bump in the middle.
const bump = Array.from({length: 11}, (_, i) => [60 + 68 * i, i >= 4 && i <= 6 ? 220 : 400]);

// The handle of knot k on the parameter bar, in window pixels.
const handleX = (s, k) => s.page.evaluate((i) => {
  const plot = window.tessaveld.plot();
  const knots = plot.marks.knots;
  const first = knots[0];
  const last = knots[knots.length - 1];
  return Math.round(25 + 750 * (knots[i] - first) / (last - first));
}, k);

// A construction started and paused on the way.
const pause = async (s) => {
  await s.key('m');
  await sleep(150);
  await s.key('m');
};

const play = (points, text) => async (s) => {
  await enter(s, points);
  await keys(s, text);
};

// By lesson file and step (from 1): build makes the state, solve does the task.
const recipes = {
  lagrange: [
    {build: play(hexagon.slice(0, 4), '5'), solve: (s) => s.click(700, 300)},
    {build: play(hexagon.slice(0, 4), '5'), solve: pause},
    {build: play(hexagon.slice(0, 4), '5'), solve: null},
    {build: play(bump, '5'), solve: (s) => s.click(780, 300)},
  ],
  bezier: [
    {build: play(hexagon.slice(0, 4), '4'), solve: (s) => s.click(700, 300)},
    {build: play(hexagon.slice(0, 4), '4'), solve: pause},
    {build: play(hexagon.slice(0, 4), '4'), solve: null},
    {build: play(hexagon.slice(0, 4), '4'), solve: (s) => s.key('e')},
  ],
  bsplines: [
    {build: play(hexagon, '6ww'), solve: (s) => s.key('q')},
    {build: play(hexagon, '6ww'), solve: null},
    {build: play(hexagon, '6ww'), solve: async (s) => {
      // The handle of the knot at 1 dragged onto the one at 2.
      await s.drag(await handleX(s, 5), BAR_Y, await handleX(s, 4), BAR_Y);
    }},
    {build: play(hexagon, '6ww'), solve: async (s) => {
      await s.move(await handleX(s, 5), BAR_Y);
      await s.key('i');
    }},
  ],
  rbf: [
    {build: play(hexagon, '3'), solve: (s) => s.key('b')},
    {build: play(hexagon, '3'), solve: (s) => keys(s, ',,,,,,,,')},
    {build: play(hexagon, '3'), solve: (s) => s.key('w')},
    {build: play(hexagon.slice(0, 3), '3'), solve: (s) => keys(s, 'ww')},
  ],
  reduction: [
    {build: play(hexagon.slice(0, 5), '4'), solve: (s) => s.key('e')},
    {build: play(hexagon.slice(0, 5), '4'), solve: (s) => s.key('j')},
    {build: play(hexagon.slice(0, 5), '4j'), solve: (s) => keys(s, 'jjjjjjj')},
    {build: play(hexagon.slice(0, 5), '4'), solve: (s) => s.key('l')},
  ],
  subdivision: [
    {build: play(hexagon, ''), solve: (s) => s.key('s')},
    {build: play(hexagon, 'aas'), solve: (s) => s.key('s')},
    {build: play(hexagon, 'aaas'), solve: (s) => s.key('a')},
    {build: play(hexagon, 'aaas'), solve: (s) => s.key('n')},
  ],
};

module.exports = {recipes, handleX, bump, BAR_Y};
