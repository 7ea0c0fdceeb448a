'use strict';
// Prepared statements, cancel, and transactions: the parts of a session that span several requests.
const { defineCases, assert } = require('./harness');
const { TYPES, connect, close, batch, transaction } = require('./client');
const { Request } = require('tedious');

const STORES = "INSERT INTO ETABLISS VALUES (N'L1', N'Loja 1'); INSERT INTO ETABLISS VALUES (N'L2', NULL);";
const INSERT_L3 = "INSERT INTO ETABLISS (ET_ETABLISSEMENT) VALUES (N'L3')";

/// sp_prepare once, sp_execute per value, sp_unprepare; resolves with each execution's rows.
function prepareAndExecute(connection, sql, type, values) {
  return new Promise((resolve, reject) => {
    const rows = [];
    let pending = values.slice();
    let current = [];
    const request = new Request(sql, (err) => {
      if (err) return reject(err);
      rows.push(current);
      current = [];
      if (pending.length) connection.execute(request, { P1: pending.shift() });
      else {
        request.userCallback = (e) => (e ? reject(e) : resolve(rows));
        connection.unprepare(request);
      }
    });
    request.addParameter('P1', type);
    request.on('row', (row) => current.push(row.map((c) => c.value)));
    request.on('error', reject);
    request.on('prepared', () => connection.execute(request, { P1: pending.shift() }));
    connection.prepare(request);
  });
}

async function count(standIn, sql) {
  return (await standIn.query(sql))[0][0];
}

/// A slow statement (the stand-in's delay fault) cut short by the client; the same connection then works.
async function cancelSlowStatement(standIn, how) {
  await standIn.fault('delay', 5, 'slow_marker');
  const connection = await connect(standIn, { requestTimeout: how === 'timeout' ? 400 : 10000 });
  try {
    const started = Date.now();
    const slow = batch(connection, 'SELECT 1 AS slow_marker');
    if (how === 'cancel') setTimeout(() => connection.cancel(), 300);
    const out = await slow;
    assert.equal(out.error && out.error.code, how === 'cancel' ? 'ECANCEL' : 'ETIMEOUT');
    assert.ok(Date.now() - started < 4000, 'the cancel was not acknowledged before the delay ended');
    const after = await batch(connection, 'SELECT 2 AS after_cancel');
    assert.equal(after.error, null, after.error && after.error.message);
    assert.deepEqual(after.sets[0].rows, [[2]]);
  } finally {
    await close(connection);
  }
}

/// A transaction through the client's transaction-manager requests, ended by `end`.
async function managedTransaction(standIn, end) {
  const connection = await connect(standIn);
  try {
    assert.equal(await transaction(connection, 'begin'), null);
    const insert = await batch(connection, INSERT_L3);
    assert.equal(insert.error, null, insert.error && insert.error.message);
    const inside = await batch(connection, 'SELECT @@TRANCOUNT AS depth');
    assert.deepEqual(inside.sets[0] && inside.sets[0].rows, [[1]]);
    if (end !== 'disconnect') assert.equal(await transaction(connection, end), null);
  } finally {
    await close(connection);
  }
  await new Promise((resolve) => setTimeout(resolve, 300)); // the server notices the closed socket
  assert.equal(await count(standIn, "SELECT count(*) FROM ETABLISS WHERE ET_ETABLISSEMENT = N'L3'"),
    end === 'commit' ? 1 : 0);
}

/// A transaction in T-SQL text; `statements` runs inside one batch per element.
async function sqlTransaction(standIn, statements, expected) {
  const connection = await connect(standIn);
  try {
    for (const sql of statements) {
      const out = await batch(connection, sql);
      assert.equal(out.error, null, `${sql}: ${out.error && out.error.message}`);
    }
  } finally {
    await close(connection);
  }
  assert.equal(await count(standIn, "SELECT count(*) FROM ETABLISS WHERE ET_ETABLISSEMENT = N'L3'"), expected);
}

defineCases([
  {
    name: 'prepared: sp_prepare, sp_execute twice, sp_unprepare',
    seed: STORES,
    async run(s) {
      const connection = await connect(s);
      try {
        const sql = 'select count(ET_ETABLISSEMENT) from ETABLISS where ET_ETABLISSEMENT = @P1';
        assert.deepEqual(await prepareAndExecute(connection, sql, TYPES.VarChar, ['L1', 'L9', 'l2']),
          [[[1]], [[0]], [[1]]]);
        const after = await batch(connection, 'SELECT 3');
        assert.deepEqual(after.sets[0].rows, [[3]]);
      } finally {
        await close(connection);
      }
    },
  },
  { name: 'cancel: a slow statement, connection usable afterwards', run: (s) => cancelSlowStatement(s, 'cancel') },
  { name: 'cancel: request timeout, connection usable afterwards', run: (s) => cancelSlowStatement(s, 'timeout') },
  { name: 'transaction: begin and commit requests', seed: STORES, run: (s) => managedTransaction(s, 'commit') },
  { name: 'transaction: begin and rollback requests', seed: STORES, run: (s) => managedTransaction(s, 'rollback') },
  { name: 'transaction: rolled back on disconnect', seed: STORES, run: (s) => managedTransaction(s, 'disconnect') },
  {
    name: 'transaction: BEGIN TRAN, @@TRANCOUNT, ROLLBACK in T-SQL',
    seed: STORES,
    async run(s) {
      const connection = await connect(s);
      try {
        const out = await batch(connection,
          `BEGIN TRAN; ${INSERT_L3}; SELECT @@TRANCOUNT; ROLLBACK TRAN; SELECT @@TRANCOUNT`);
        assert.equal(out.error, null, out.error && out.error.message);
        assert.deepEqual(out.sets.map((set) => set.rows), [[[1]], [[0]]]);
      } finally {
        await close(connection);
      }
      assert.equal(await count(s, "SELECT count(*) FROM ETABLISS WHERE ET_ETABLISSEMENT = N'L3'"), 0);
    },
  },
  {
    name: 'transaction: BEGIN TRANSACTION and COMMIT in separate batches',
    seed: STORES,
    run: (s) => sqlTransaction(s, ['BEGIN TRANSACTION', INSERT_L3, 'COMMIT'], 1),
  },
  {
    name: 'transaction: SET IMPLICIT_TRANSACTIONS ON, then ROLLBACK',
    seed: STORES,
    run: (s) => sqlTransaction(s, ['SET IMPLICIT_TRANSACTIONS ON', INSERT_L3, 'ROLLBACK'], 0),
  },
]);
