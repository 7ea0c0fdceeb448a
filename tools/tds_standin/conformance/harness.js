'use strict';
// Runs a table of cases, each against a stand-in of its own. A case named in expected-failures.js must fail
// (the stand-in still differs there); once it passes, the run fails until the name leaves that list.
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { StandIn } = require('./standin');
const { closeAll } = require('./client');
const EXPECTED_FAILURES = require('./expected-failures');

const CASE_TIMEOUT_MS = 45000;

/// Settles when the case does, or rejects when the client throws outside any request (a reply it cannot
/// parse) or the case outlives its time, so that the stand-in and the sockets are always released.
function guarded(promise) {
  let timer;
  const crash = new Promise((_, reject) => {
    // Captured here rather than left to the test runner, which would fail the case whatever the list says.
    process.setUncaughtExceptionCaptureCallback(reject);
    timer = setTimeout(() => reject(new Error(`no end after ${CASE_TIMEOUT_MS} ms`)), CASE_TIMEOUT_MS);
  });
  return Promise.race([promise, crash]).finally(() => {
    process.setUncaughtExceptionCaptureCallback(null);
    clearTimeout(timer);
  });
}

async function runCase(c) {
  const standIn = await StandIn.start(c.args || []);
  try {
    if (c.seed) await standIn.exec(c.seed);
    await guarded(c.run(standIn));
  } catch (err) {
    err.message += `\n--- stand-in log ---\n${standIn.log().slice(-4000)}`;
    throw err;
  } finally {
    closeAll();
    await standIn.stop();
  }
}

function defineCases(cases) {
  for (const c of cases) {
    test(c.name, { timeout: CASE_TIMEOUT_MS + 15000 }, async () => {
      if (!EXPECTED_FAILURES.has(c.name)) return runCase(c);
      let passed = false;
      try {
        await runCase(c);
        passed = true;
      } catch (err) {
        console.log(`# expected failure "${c.name}": ${err.message.split('\n')[0]}`);
      }
      assert.ok(!passed, `"${c.name}" passes now: remove it from expected-failures.js`);
    });
  }
}

/// The first server error of an outcome (or a rejected connect), for checking its number.
function errorNumbers(outcome) {
  return (outcome.errors || []).map((e) => e.number);
}

module.exports = { defineCases, errorNumbers, assert };
