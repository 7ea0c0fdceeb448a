'use strict';
// A named instance: the client asks the browser service on UDP port 1434 of the stand-in's own loopback
// address for the instance's TCP port, then logs in there.
const dgram = require('node:dgram');
const { defineCases, assert } = require('./harness');
const { connect, close, batch } = require('./client');

const ARGS = ['--host', 'auto', '--instance', 'SQLEXPRESS'];
const NO_ANSWER_MS = 1500;

/// Sends one datagram to the browser port of the stand-in's address; resolves with the reply or null.
function askBrowser(standIn, request) {
  return new Promise((resolve, reject) => {
    const socket = dgram.createSocket('udp4');
    const timer = setTimeout(() => { socket.close(); resolve(null); }, NO_ANSWER_MS);
    socket.on('error', (err) => { clearTimeout(timer); socket.close(); reject(err); });
    socket.on('message', (reply) => { clearTimeout(timer); socket.close(); resolve(reply); });
    socket.send(request, 1434, standIn.host);
  });
}

function browserCase(name, request, answered) {
  return {
    name: `browser service: ${name}`,
    args: ARGS,
    async run(s) {
      const reply = await askBrowser(s, request);
      if (!answered) {
        assert.equal(reply, null, `answered: ${reply && reply.toString('latin1')}`);
        return;
      }
      assert.ok(reply, 'no answer');
      assert.equal(reply[0], 0x05);
      assert.equal(reply.readUInt16LE(1), reply.length - 3);
      assert.equal(reply.toString('latin1', 3), 'ServerName;STANDIN;InstanceName;SQLEXPRESS;IsClustered;No;'
        + `Version;13.0.4001.0;tcp;${s.port};;`);
    },
  };
}

const inst = (name) => Buffer.concat([Buffer.from([0x04]), Buffer.from(name, 'latin1'), Buffer.from([0])]);

defineCases([
  browserCase('CLNT_UCAST_INST for the instance', inst('SQLEXPRESS'), true),
  browserCase('CLNT_UCAST_INST for the instance in lower case', inst('sqlexpress'), true),
  browserCase('CLNT_UCAST_INST for another instance gets no answer', inst('OUTRA'), false),
  browserCase('CLNT_UCAST_EX lists the instance', Buffer.from([0x03]), true),
  browserCase('CLNT_BCAST_EX lists the instance', Buffer.from([0x02]), true),
  browserCase('an unknown request gets no answer', Buffer.from([0x0f, 0x01]), false),
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
