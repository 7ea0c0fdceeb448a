'use strict';
// How the server reads T-SQL: result column types, numeric scale, collation, XML, error numbers, and what a
// batch does after an error.
const { defineCases, errorNumbers, assert } = require('./harness');
const { TYPES, connect, close, batch, call } = require('./client');

async function onConnection(standIn, work) {
  const connection = await connect(standIn);
  try {
    return await work(connection);
  } finally {
    await close(connection);
  }
}

const onBatch = (standIn, sql) => onConnection(standIn, (c) => batch(c, sql));

/// Column metadata as [type name, data length, precision, scale] and the first row's values.
function describe(out) {
  assert.equal(out.error, null, out.error && out.error.message);
  const set = out.sets[0];
  return {
    columns: set.columns.map((c) => [c.type.name, c.dataLength, c.precision, c.scale]),
    row: set.rows[0],
  };
}

function columnTypeCase(name, sql, columns, row) {
  return {
    name: `column types: ${name}`,
    seed: 'CREATE TABLE movto (id int NOT NULL PRIMARY KEY, quando datetime NULL, valor numeric(19, 4) NULL); '
      + "INSERT INTO movto VALUES (1, '2024-01-02 03:04:05', NULL); INSERT INTO movto VALUES (2, NULL, 1.5)",
    async run(s) {
      const got = describe(await onBatch(s, sql));
      assert.deepEqual(got.columns, columns);
      assert.deepEqual(got.row, row);
    },
  };
}

function errorCase(name, sql, number, message) {
  return {
    name: `error ${number}: ${name}`,
    seed: "INSERT INTO ETABLISS VALUES (N'L1', NULL)",
    async run(s) {
      const out = await onBatch(s, sql);
      assert.equal(errorNumbers(out)[0], number, out.error && out.error.message);
      assert.match(out.errors[0].message, message);
    },
  };
}

const D = (iso) => new Date(iso);

defineCases([
  columnTypeCase('datetime column, with and without NULL', 'SELECT quando FROM movto ORDER BY id',
    [['DateTimeN', 8, undefined, undefined]], [D('2024-01-02T03:04:05.000Z')]),
  columnTypeCase('numeric(19,4) column holding NULL', 'SELECT valor FROM movto ORDER BY id',
    [['NumericN', 17, 19, 4]], [null]),
  columnTypeCase('CAST of a text to datetime', "SELECT CAST('2024-01-02' AS datetime) AS d",
    [['DateTimeN', 8, undefined, undefined]], [D('2024-01-02T00:00:00.000Z')]),
  columnTypeCase("literal 'abc' is varchar(3)", "SELECT 'abc' AS t",
    [['VarChar', 3, undefined, undefined]], ['abc']),
  columnTypeCase("literal N'abc' is nvarchar(3)", "SELECT N'abc' AS t",
    [['NVarChar', 6, undefined, undefined]], ['abc']),
  columnTypeCase('literal 1.5 is numeric(2,1)', 'SELECT 1.5 AS n',
    [['NumericN', 17, 2, 1]], [1.5]),
  columnTypeCase('typed NULLs keep their types',
    'SELECT CAST(NULL AS int) AS i, CAST(NULL AS varchar(3)) AS v, CAST(NULL AS datetime) AS d',
    [['IntN', 4, undefined, undefined], ['VarChar', 3, undefined, undefined], ['DateTimeN', 8, undefined, undefined]],
    [null, null, null]),
  {
    name: 'numeric scale: a value below the scale is rounded away',
    async run(s) {
      const out = await onBatch(s, 'INSERT INTO LIGNE VALUES (NULL, \'S1\', 1, 1, 0.00001); '
        + 'SELECT GL_QTERESTE FROM LIGNE; SELECT count(*) FROM LIGNE WHERE GL_QTERESTE > 0');
      assert.equal(out.error, null, out.error && out.error.message);
      assert.deepEqual(out.sets.map((set) => set.rows), [[[0]], [[0]]]);
    },
  },
  errorCase('numeric overflow of numeric(19,4)',
    "INSERT INTO LIGNE VALUES (NULL, 'S1', 1, 1, 1000000000000000)", 8115,
    /^Arithmetic overflow error converting numeric to data type numeric\.$/),
  {
    name: "collation: 'a' = 'A ' between a literal and a parameter",
    async run(s) {
      const out = await onConnection(s, (c) => call(c, "SELECT CASE WHEN 'a' = 'A ' THEN 1 ELSE 0 END AS lit, "
        + "CASE WHEN @P1 = 'A ' THEN 1 ELSE 0 END AS par", [{ name: 'P1', type: TYPES.VarChar, value: 'a' }]));
      assert.equal(out.error, null, out.error && out.error.message);
      assert.deepEqual(out.sets[0].rows, [[1, 1]]);
    },
  },
  errorCase('CAST to xml of a UTF-8 declaration in Unicode text',
    'SELECT CAST(N\'<?xml version="1.0" encoding="UTF-8"?><a/>\' AS xml)', 9402,
    /^XML parsing: line 1, character \d+, unable to switch the encoding$/),
  errorCase('keyword where an expression belongs', 'select from ETABLISS', 156,
    /^Incorrect syntax near the keyword 'from'\.$/),
  errorCase('unknown word at the start of a batch is a procedure call', 'selec 1', 2812,
    /^Could not find stored procedure 'selec'\.$/),
  errorCase('unknown table', 'SELECT * FROM NOPE', 208, /^Invalid object name 'NOPE'\.$/),
  errorCase('unknown column', 'SELECT NOPE FROM ETABLISS', 207, /^Invalid column name 'NOPE'\.$/),
  errorCase('duplicate primary key', "INSERT INTO ETABLISS VALUES (N'L1', NULL)", 2627,
    /^Violation of PRIMARY KEY constraint '.+'\. Cannot insert duplicate key in object 'dbo\.ETABLISS'\./),
  {
    name: 'batch after error: a duplicate key ends the statement, the batch goes on',
    seed: "INSERT INTO ETABLISS VALUES (N'L1', NULL)",
    async run(s) {
      const out = await onBatch(s, "INSERT INTO ETABLISS VALUES (N'L1', NULL); "
        + "INSERT INTO ETABLISS VALUES (N'L2', NULL); SELECT count(*) AS n FROM ETABLISS");
      assert.equal(errorNumbers(out)[0], 2627);
      assert.deepEqual(out.sets.map((set) => set.rows), [[[2]]]);
      assert.deepEqual(await s.query('SELECT ET_ETABLISSEMENT FROM ETABLISS ORDER BY 1'), [['L1'], ['L2']]);
    },
  },
]);
