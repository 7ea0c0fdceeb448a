'use strict';
// Every statement of the retail module, sent with the parameter types the tool's data layer uses.
const { defineCases, assert } = require('./harness');
const { connect, close, batch, call, positional, ftString, ftWideMemo } = require('./client');
const { readStatements } = require('./retail-statements');

const STATEMENTS = readStatements();

const SEED = `
INSERT INTO piece VALUES ('FFO', 'S1', 1, 0, 'REF1', 'TIC', 'L1');
INSERT INTO piece VALUES ('FFO', 'S1', 2, 0, 'REF2', 'TIC', 'L1');
INSERT INTO piece VALUES ('FFO', 'S1', 3, 0, 'REF3', 'TIC', 'L1');
INSERT INTO piece VALUES ('FFO', 'S2', 4, 0, 'REF''4', 'TIC', 'L1');
INSERT INTO LIGNE VALUES ('L1', 'S1', 1, 1, 2.5);
INSERT INTO LIGNE VALUES ('L1', 'S1', 2, 1, 1);
INSERT INTO LIGNE VALUES ('L1', 'S1', 3, 1, 0);
INSERT INTO LIGNE VALUES ('L1', 'S2', 4, 1, 1);
INSERT INTO MPIECEOLE VALUES ('FFO', 'S1', 2, 0, 'XYZ', N'<nota/>');
INSERT INTO ETABLISS VALUES (N'L1', N'Loja 1');
INSERT INTO ETABLISS VALUES (N'L2', NULL);
INSERT INTO MJOURSCAISSEOLE VALUES ('L1', 'PRZ', 17, N'<reducaoZ><dt_movimento>24/04/2016</dt_movimento></reducaoZ>');
INSERT INTO MJOURSCAISSEOLE VALUES ('L1', 'PRZ', 9000000,
  N'<reducaoZ><dt_movimento>25/04/2016</dt_movimento></reducaoZ>');
`;

/// Runs a retail statement the way the tool does: parameterless as a batch, else through sp_executesql with
/// one positional parameter per marker.
async function runStatement(standIn, name, values = {}, types = {}) {
  const connection = await connect(standIn);
  try {
    const sql = STATEMENTS[name];
    if (!/:\w/.test(sql)) return await batch(connection, sql);
    const { text, params } = positional(sql, values, (marker, value) => (types[marker] || ftString)(value));
    return await call(connection, text, params);
  } finally {
    await close(connection);
  }
}

function ok(outcome) {
  assert.equal(outcome.error, null, outcome.error && outcome.error.message);
  return outcome;
}

const XML = '<?xml version="1.0" encoding="UTF-16"?><nfeProc><xNome>Ação ✓ 漢字 €</xNome>'
  + `${'<det>x</det>'.repeat(800)}</nfeProc>`;

const CASES = [
  {
    name: 'retail RefInternSemMpieceOle: pending references only',
    statement: 'RefInternSemMpieceOle',
    async run(s) {
      const out = ok(await runStatement(s, 'RefInternSemMpieceOle'));
      assert.deepEqual(out.sets[0].rows.map((r) => r[0]).sort(), ['REF1', "REF'4"].sort());
      assert.equal(out.sets[0].columns[0].type.name, 'VarChar');
      assert.equal(out.sets[0].columns[0].dataLength, 35);
    },
  },
  {
    name: 'retail InsertCupomFiscal: varchar, nvarchar(max) over 8000 bytes, varchar; once only',
    statement: 'InsertCupomFiscal',
    async run(s) {
      const values = { MBP_QUALIFIANTOLE: 'PRR', MBP_BLOCNOTE: XML, GP_REFINTERNE: 'REF1' };
      const types = { MBP_BLOCNOTE: ftWideMemo };
      assert.ok(Buffer.byteLength(XML, 'utf16le') > 8000);
      assert.deepEqual(ok(await runStatement(s, 'InsertCupomFiscal', values, types)).counts, [1]);
      assert.deepEqual(ok(await runStatement(s, 'InsertCupomFiscal', values, types)).counts, [0]);
      const rows = await s.query("SELECT MBP_QUALIFIANTOLE, MBP_BLOCNOTE FROM MPIECEOLE WHERE MBP_NUMERO = 1");
      assert.deepEqual(rows, [['PRR', XML]]);
    },
  },
  {
    name: 'retail Lojas: nvarchar(6) store ids',
    statement: 'Lojas',
    async run(s) {
      const out = ok(await runStatement(s, 'Lojas'));
      assert.deepEqual(out.sets[0].rows.map((r) => r[0]).sort(), ['L1', 'L2']);
      assert.equal(out.sets[0].columns[0].type.name, 'NVarChar');
      assert.equal(out.sets[0].columns[0].dataLength, 12);
    },
  },
  {
    name: 'retail ContarLoja: existing and unknown store',
    statement: 'ContarLoja',
    async run(s) {
      assert.deepEqual(ok(await runStatement(s, 'ContarLoja', { IDLOJA: 'L1' })).sets[0].rows, [[1]]);
      assert.deepEqual(ok(await runStatement(s, 'ContarLoja', { IDLOJA: 'L9' })).sets[0].rows, [[0]]);
    },
  },
  {
    name: 'retail ContarReducaoZ: day compared as text through the xml value',
    statement: 'ContarReducaoZ',
    async run(s) {
      const count = async (day) =>
        ok(await runStatement(s, 'ContarReducaoZ', { IDLOJA: 'L1', DT_MOVIMENTO: day })).sets[0].rows[0][0];
      assert.equal(await count('25/04/2016'), 1);
      assert.equal(await count('24/04/2016'), 1);
      assert.equal(await count('25-04-2016'), 0);
    },
  },
  {
    name: 'retail InsertReducaoZ: next number above 9000000, store id bound twice',
    statement: 'InsertReducaoZ',
    async run(s) {
      const values = { IDLOJA: 'L1', TIPO: 'PRZ', XML: '<reducaoZ><dt_movimento>26/04/2016</dt_movimento></reducaoZ>' };
      assert.deepEqual(ok(await runStatement(s, 'InsertReducaoZ', values)).counts, [1]);
      assert.deepEqual(ok(await runStatement(s, 'InsertReducaoZ', { ...values, IDLOJA: 'L2' })).counts, [1]);
      const rows = await s.query(
        'SELECT MBJ_CAISSE, MBJ_NUMZCAISSE FROM MJOURSCAISSEOLE WHERE MBJ_NUMZCAISSE > 9000000');
      assert.deepEqual(rows.sort(), [['L1', 9000001], ['L2', 9000001]]);
    },
  },
];

defineCases(CASES.map((c) => ({ seed: SEED, ...c })));

require('node:test').test('every statement of the retail module has a case', () => {
  assert.deepEqual(CASES.map((c) => c.statement).sort(), Object.keys(STATEMENTS).sort());
});
