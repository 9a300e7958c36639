#!/usr/bin/env node
// Runs the Khronos glTF validator on one .gltf or .glb file and prints its report as
// JSON (issues with their codes, severities and pointers). Exit status 0 when the file
// has no errors, 1 when it has, 2 when it cannot be read.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

const file = process.argv[2];
if (!file) {
  console.error('usage: validate-gltf.js FILE');
  process.exit(2);
}
let bytes;
try {
  bytes = new Uint8Array(fs.readFileSync(file));
} catch (error) {
  console.error(`${file}: ${error.message}`);
  process.exit(2);
}
const folder = path.dirname(file);
validator
  .validateBytes(bytes, {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.resolve(folder, decodeURIComponent(uri)), (error, data) =>
          error ? reject(error.toString()) : resolve(new Uint8Array(data)));
      }),
  })
  .then((report) => {
    console.log(JSON.stringify(report.issues, null, 1));
    process.exit(report.issues.numErrors > 0 ? 1 : 0);
  })
  .catch((error) => {
    console.error(`${file}: ${error}`);
    process.exit(2);
  });
