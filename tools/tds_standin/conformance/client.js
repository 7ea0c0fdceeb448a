'use strict';
// Promise wrappers over the tedious client: connect, batches, sp_executesql calls, prepared statements,
// cancel and transactions. Every request resolves with what the server sent, errors included, so that a
// case can check an error number and the results around it alike.
const { Connection, Request, TYPES } = require('tedious');

const LOGIN = { user: 'kvora', password: 'kvora', database: 'KVORA' };
const open = new Set();

function connect(standIn, options = {}) {
  const login = { ...LOGIN, ...(options.login || {}) };
  const target = options.instanceName ? { instanceName: options.instanceName } : { port: standIn.port };
  const config = {
    server: options.server || standIn.host,
    authentication: { type: 'default', options: { userName: login.user, password: login.password } },
    options: {
      ...target,
      database: login.database,
      encrypt: false,
      tdsVersion: options.tdsVersion || '7_4',
      connectTimeout: options.connectTimeout || 10000,
      requestTimeout: options.requestTimeout || 10000,
      cancelTimeout: options.cancelTimeout || 3000,
      connectionRetryInterval: 100,
      maxRetriesOnTransientErrors: 0,
    },
  };
  return new Promise((resolve, reject) => {
    const connection = new Connection(config);
    open.add(connection);
    connection.on('end', () => open.delete(connection));
    const messages = [];
    connection.on('errorMessage', (token) => messages.push(token));
    connection.on('error', () => {}); // a dropped socket surfaces through the pending request instead
    connection.connect((err) => {
      if (err) {
        err.messages = messages;
        connection.close();
        reject(err);
      } else {
        connection.messages = messages;
        resolve(connection);
      }
    });
  });
}

/// Closes what a failed case left open.
function closeAll() {
  for (const connection of open) connection.close();
  open.clear();
}

function close(connection) {
  if (connection.closed) return Promise.resolve();
  return new Promise((resolve) => {
    connection.once('end', resolve);
    connection.close();
  });
}

/// Runs a request; resolves with {error, errors, sets: [{columns, rows}], counts, returnValues}.
function run(connection, method, sql, params = [], extra = []) {
  return new Promise((resolve) => {
    const outcome = { sets: [], counts: [], returnValues: {} };
    const request = new Request(sql, (err) => {
      outcome.error = err || null;
      outcome.errors = !err ? [] : err instanceof AggregateError ? err.errors : [err];
      resolve(outcome);
    });
    for (const p of params) request.addParameter(p.name, p.type, p.value, p.options);
    request.on('columnMetadata', (columns) => outcome.sets.push({ columns, rows: [] }));
    request.on('row', (row) => outcome.sets[outcome.sets.length - 1].rows.push(row.map((c) => c.value)));
    const count = (rowCount) => { if (rowCount !== undefined) outcome.counts.push(rowCount); };
    request.on('done', count);
    request.on('doneInProc', count);
    request.on('returnValue', (name, value) => { outcome.returnValues[name] = value; });
    outcome.request = request;
    connection[method](request, ...extra);
  });
}

const batch = (connection, sql) => run(connection, 'execSqlBatch', sql);
const call = (connection, sql, params = []) => run(connection, 'execSql', sql, params);

/// Statement and parameters as the tool's data layer sends them: ":NAME" markers become @P1, @P2, ... in
/// order of appearance, one parameter per marker.
function positional(sql, valuesByName, typeOf) {
  const params = [];
  const text = sql.replace(/:([A-Za-z_]\w*)/g, (_, name) => {
    params.push({ name: `P${params.length + 1}`, ...typeOf(name, valuesByName[name]), value: valuesByName[name] });
    return `@P${params.length}`;
  });
  return { text, params };
}

/// ftString: 8-bit varchar of the value's length; ftWideMemo: nvarchar(max).
const ftString = (value) => ({ type: TYPES.VarChar, options: { length: Math.max(1, (value || '').length) } });
const ftWideMemo = () => ({ type: TYPES.NVarChar, options: { length: Infinity } });

function transaction(connection, verb, ...args) {
  return new Promise((resolve) => connection[`${verb}Transaction`]((err) => resolve(err || null), ...args));
}

module.exports = { TYPES, connect, close, closeAll, batch, call, positional, ftString, ftWideMemo, transaction };
