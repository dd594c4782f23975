'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const bridge = require('..');

const WHITE = [1, 1, 1, 1];

test('the answer has exactly code, data, msg and token', () => {
  const answer = bridge.verifyInit({ livingType: 26 });
  assert.deepEqual(Object.keys(answer).sort(), ['code', 'data', 'msg', 'token']);
  assert.equal(answer.code, 'KLD_SUCCESS');
  assert.equal(answer.msg, '初始化成功');
  assert.ok(answer.data.startsWith('@IOS,2,8,0,'), answer.data);
  assert.equal(answer.token, '');
});

test('a missing livingType is a parameter error and applies nothing', () => {
  const before = bridge._testing.settings();
  for (const options of [{}, undefined, { livingType: null, progressWidth: 31, autoUploadVeirfyMsg: !before.autoUploadVerifyMsg }]) {
    assert.deepEqual(bridge.verifyInit(options),
      { code: 'KLD_PARAME_ERROR', data: '', msg: '未包括参数livingType', token: '' });
  }
  assert.deepEqual(bridge._testing.settings(), before);
});

test('autoUploadVeirfyMsg is applied when present and left alone when absent', () => {
  bridge.verifyInit({ livingType: 1, autoUploadVeirfyMsg: false });
  assert.equal(bridge._testing.settings().autoUploadVerifyMsg, false);
  bridge.verifyInit({ livingType: 1 });
  assert.equal(bridge._testing.settings().autoUploadVerifyMsg, false);
  bridge.verifyInit({ livingType: 1, autoUploadVeirfyMsg: true });
  assert.equal(bridge._testing.settings().autoUploadVerifyMsg, true);
});

test('style options reach the shared view style', () => {
  const answer = bridge.verifyInit({ livingType: 1, progressWidth: 8, backGroundColor: '#FF0000', textColor: '#00FF00' });
  assert.equal(answer.code, 'KLD_SUCCESS');
  const settings = bridge._testing.settings();
  assert.equal(settings.progressWidth, 8.0);
  assert.deepEqual(settings.backGroundColor, [1, 0, 0, 1]);
  assert.deepEqual(settings.textColor, [0, 1, 0, 1]);
});

test('a value of the wrong kind stops with code 3, options before it stay applied', () => {
  bridge.verifyInit({ livingType: 1, backGroundColor: '#FFFFFF', progressWidth: 2, autoUploadVeirfyMsg: true });
  const cases = [
    // [options, option named in the message, expected settings afterwards]
    [{ livingType: 1, autoUploadVeirfyMsg: false, backGroundColor: 0xff0000, progressWidth: 9 },
      'backGroundColor', { autoUploadVerifyMsg: false, progressWidth: 2, backGroundColor: WHITE }],
    [{ livingType: 1, backGroundColor: '#000000', progressWidth: '12' },
      'progressWidth', { autoUploadVerifyMsg: false, progressWidth: 2, backGroundColor: [0, 0, 0, 1] }],
    [{ livingType: 1, progressWidth: 7.5 },
      'progressWidth', { autoUploadVerifyMsg: false, progressWidth: 2, backGroundColor: [0, 0, 0, 1] }],
    [{ livingType: 'twenty-six', progressWidth: 5 },
      'livingType', { autoUploadVerifyMsg: false, progressWidth: 5, backGroundColor: [0, 0, 0, 1] }],
    [{ livingType: 1, uploadLogOnError: 'yes', progressWidth: 6 },
      'uploadLogOnError', { autoUploadVerifyMsg: false, progressWidth: 5, backGroundColor: [0, 0, 0, 1] }],
  ];
  for (const [options, key, expected] of cases) {
    const answer = bridge.verifyInit(options);
    assert.equal(answer.code, 'KLD_EXCEPTION', key);
    assert.match(answer.msg, new RegExp(key));
    assert.equal(answer.data, '');
    const { autoUploadVerifyMsg, progressWidth, backGroundColor } = bridge._testing.settings();
    assert.deepEqual({ autoUploadVerifyMsg, progressWidth, backGroundColor }, expected, key);
  }
});

test('Init loads the landmark model and returns nothing', () => {
  assert.equal(bridge.Init(), undefined);
});
