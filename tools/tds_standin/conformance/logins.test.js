'use strict';
const { defineCases, assert } = require('./harness');
const { connect, close, batch } = require('./client');

async function loginFails(standIn, login, numbers, message) {
  const err = await connect(standIn, { login }).then(
    (c) => { close(c); return null; },
    (e) => e,
  );
  assert.ok(err, 'the login was accepted');
  assert.equal(err.code, 'ELOGIN');
  assert.deepEqual(err.messages.map((m) => m.number), numbers);
  assert.match(err.messages[0].message, message);
}

async function selectOne(standIn, tdsVersion) {
  const connection = await connect(standIn, { tdsVersion });
  try {
    const out = await batch(connection, "SELECT 1 AS one, N'ação' AS texto");
    assert.equal(out.error, null);
    assert.deepEqual(out.sets[0].rows, [[1, 'ação']]);
  } finally {
    await close(connection);
  }
}

defineCases([
  { name: 'login: good user, password and database', run: (s) => selectOne(s, '7_4') },
  {
    name: 'login: wrong password is 18456',
    run: (s) => loginFails(s, { password: 'wrong' }, [18456], /^Login failed for user 'kvora'\.$/),
  },
  {
    name: 'login: unknown database is 4060 then 18456',
    run: (s) => loginFails(s, { database: 'NOPE' }, [4060, 18456], /Cannot open database "NOPE"/),
  },
  { name: 'login: TDS 7.1', run: (s) => selectOne(s, '7_1') },
  { name: 'login: TDS 7.2', run: (s) => selectOne(s, '7_2') },
  { name: 'login: TDS 7.3A', run: (s) => selectOne(s, '7_3_A') },
  { name: 'login: TDS 7.3B', run: (s) => selectOne(s, '7_3_B') },
  { name: 'login: TDS 7.4', run: (s) => selectOne(s, '7_4') },
]);
