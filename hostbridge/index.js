'use strict';
// Loads the native module from the build tree: KYLD_NODE_MODULE names a file directly,
// otherwise the first of build/, then other build*/ directories of the repository that has one.
const fs = require('node:fs');
const path = require('node:path');

const MODULE_FILE = path.join('hostbridge', 'kylivingdetection.node');

function candidates() {
  if (process.env.KYLD_NODE_MODULE) return [process.env.KYLD_NODE_MODULE];
  const root = path.resolve(__dirname, '..');
  const others = fs.readdirSync(root)
    .filter((name) => name.startsWith('build') && name !== 'build')
    .sort();
  return ['build', ...others].map((dir) => path.join(root, dir, MODULE_FILE));
}

function load() {
  const found = candidates().find((file) => fs.existsSync(file));
  if (!found) {
    throw new Error('kylivingdetection.node is not built; build the project with CMake first ' +
                    '(looked for ' + candidates().join(', ') + ')');
  }
  return require(found);
}

module.exports = load();
