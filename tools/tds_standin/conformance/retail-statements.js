'use strict';
// The retail module's statements, read from its C++ header so the cases always send the texts the tool sends.
const fs = require('node:fs');
const path = require('node:path');

const HEADER = path.join(__dirname, '..', '..', '..', 'src', 'retail', 'RetailStatements.h');

function unescape(literal) {
  return literal.replace(/\\(["\\rnt])/g, (_, c) => ({ r: '\r', n: '\n', t: '\t' })[c] || c);
}

function readStatements(file = HEADER) {
  const source = fs.readFileSync(file, 'utf8');
  const statements = {};
  const declaration = /inline const QString (\w+)\s*=\s*QStringLiteral\(((?:\s|\/\/[^\n]*|"(?:[^"\\]|\\.)*")*)\)/g;
  for (const [, name, body] of source.matchAll(declaration)) {
    const pieces = [...body.replace(/\/\/[^\n]*/g, '').matchAll(/"((?:[^"\\]|\\.)*)"/g)].map((m) => unescape(m[1]));
    statements[name] = pieces.join('');
  }
  return statements;
}

module.exports = { readStatements };
