'use strict';
// A named instance: the client asks the browser service on UDP port 1434 of the stand-in's own loopback
// address for the instance's TCP port, then logs in there.
const { defineCases, assert } = require('./harness');
const { connect, close, batch } = require('./client');

const ARGS = ['--host', 'auto', '--instance', 'SQLEXPRESS'];

defineCases([
  {
    name: 'named instance: HOST\\SQLEXPRESS found through the browser service',
    args: ARGS,
    async run(s) {
      assert.notEqual(s.host, '127.0.0.1', 'the stand-in did not take an address of its own');
      const connection = await connect(s, { instanceName: 'sqlexpress' });
      try {
        const out = await batch(connection, 'SELECT 1 AS one');
        assert.deepEqual(out.sets[0].rows, [[1]]);
      } finally {
        await close(connection);
      }
    },
  },
  {
    name: 'named instance: an unknown instance gets no port',
    args: ARGS,
    async run(s) {
      const err = await connect(s, { instanceName: 'OUTRA' }).then((c) => close(c), (e) => e);
      assert.ok(err instanceof Error, 'connected to an instance the stand-in does not serve');
      assert.match(err.message, /Port for OUTRA not found|Failed to get response from SQL Server Browser/);
    },
  },
]);
