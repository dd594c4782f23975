'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const bridge = require('..');

const FIXTURE = path.join(__dirname, 'fixtures', 'session.js');

// Runs the fixture; the child must end by itself once the answer came.
function runSession(mode) {
  const child = spawnSync(process.execPath, [FIXTURE, mode], { encoding: 'utf8', timeout: 60000 });
  assert.equal(child.signal, null, `the session process was killed: ${child.stderr}`);
  assert.equal(child.status, 0, child.stderr);
  const lines = child.stdout.trim().split('\n').filter(Boolean).map((line) => JSON.parse(line));
  return { lines, answers: lines.filter((line) => line.answer), stderr: child.stderr };
}

test('without a token the callback is called at once with a parameter error', () => {
  for (const options of [{}, undefined, { token: null }]) {
    const calls = [];
    bridge.startLivingDetect(options, (...args) => calls.push(args));
    assert.deepEqual(calls, [[{ code: 'KLD_PARAME_ERROR', data: '', msg: '未包括参数token', token: '' }, false]]);
  }
});

test('a token that is not text is an exception answered at once', () => {
  const calls = [];
  bridge.startLivingDetect({ token: 42 }, (answer) => calls.push(answer));
  assert.equal(calls.length, 1);
  assert.equal(calls[0].code, 'KLD_EXCEPTION');
  assert.match(calls[0].msg, /token/);
});

test('startLivingDetect needs a callback function', () => {
  assert.throws(() => bridge.startLivingDetect({ token: 'x' }), TypeError);
});

test('a refused session answers once on the JavaScript thread and lets the process end', () => {
  const { answers } = runSession('plain');
  assert.equal(answers.length, 1);
  const [{ answer, keepAlive }] = answers;
  assert.equal(keepAlive, false);
  assert.deepEqual(Object.keys(answer).sort(), ['code', 'data', 'msg', 'token']);
  assert.notEqual(answer.code, 'KLD_SUCCESS');
  assert.ok(answer.msg.length > 0);
});

test('the answer waits for a busy JavaScript thread', () => {
  const { lines } = runSession('busy');
  assert.deepEqual(lines[0], { busyDone: true });
  assert.equal(lines.filter((line) => line.answer).length, 1);
});

test('a callback that throws does not take the process down', () => {
  const { answers, stderr } = runSession('throws');
  assert.equal(answers.length, 1);
  assert.match(stderr, /host callback failed/);
});

test('a whole scripted session answers once with success', { skip: !bridge._testing.sealToken && 'not a test build' }, () => {
  const { answers } = runSession('scripted');
  assert.equal(answers.length, 1);
  const [{ answer, keepAlive }] = answers;
  assert.equal(keepAlive, false);
  assert.equal(answer.code, 'KLD_SUCCESS', answer.msg);
  assert.equal(answer.msg, '终端检测完成');
  assert.ok(answer.data.startsWith('flatbuffer@'), answer.data.slice(0, 40));
  assert.ok(answer.token.length > 0);
});
