'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const bridge = require('..');

test('getViewController finds the shown screen through the containers', () => {
  const cases = [
    ['navigation', 'detail'],
    ['presented', 'presented'],
    ['tabs', 'detail'],
  ];
  for (const [scenario, shown] of cases) {
    assert.equal(bridge._testing.shownScreen(scenario), shown, scenario);
  }
});
