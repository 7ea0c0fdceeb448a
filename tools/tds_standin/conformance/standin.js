'use strict';
// A private stand-in per case: python3 -m tds_standin on port 0 of a fresh SQLite file, stopped by closing its
// control pipe. The same start-up contract as the C++ fixture: first line "port N", JSON lines on stdin.
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const readline = require('node:readline');

// The folder that holds the tds_standin package.
const TOOLS = path.join(__dirname, '..', '..');
const START_TIMEOUT_MS = 20000;

class StandIn {
  static async start(extraArgs = []) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'standin-conformance-'));
    const logFile = path.join(dir, 'standin.log');
    const args = ['-m', 'tds_standin', '--db', path.join(dir, 'kvora.sqlite'), '--port', '0', '--log', logFile,
      '--control-stdin', '--parent-pid', String(process.pid), ...extraArgs];
    const env = { ...process.env, PYTHONPATH: TOOLS };
    const child = spawn('python3', args, { stdio: ['pipe', 'pipe', 'pipe'], env });
    const standIn = new StandIn(child, dir, logFile);
    await standIn.readStartLine();
    return standIn;
  }

  constructor(child, dir, logFile) {
    this.child = child;
    this.dir = dir;
    this.logFile = logFile;
    this.stderr = '';
    this.lines = [];
    this.waiters = [];
    child.stderr.on('data', (chunk) => { this.stderr += chunk; });
    readline.createInterface({ input: child.stdout }).on('line', (line) => {
      const waiter = this.waiters.shift();
      if (waiter) waiter.resolve(line);
      else this.lines.push(line);
    });
    child.on('exit', (code) => {
      for (const waiter of this.waiters.splice(0)) {
        waiter.reject(new Error(`stand-in exited (${code}): ${this.stderr.trim()}`));
      }
    });
  }

  nextLine(timeoutMs) {
    if (this.lines.length) return Promise.resolve(this.lines.shift());
    if (this.child.exitCode !== null) {
      return Promise.reject(new Error(`stand-in exited (${this.child.exitCode}): ${this.stderr.trim()}`));
    }
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error('no answer from the stand-in')), timeoutMs);
      this.waiters.push({
        resolve: (line) => { clearTimeout(timer); resolve(line); },
        reject: (err) => { clearTimeout(timer); reject(err); },
      });
    });
  }

  async readStartLine() {
    const first = await this.nextLine(START_TIMEOUT_MS);
    const m = /^port (\d+)(?: host (\S+))?$/.exec(first);
    if (!m) throw new Error(`unexpected start-up line: ${first}`);
    this.port = Number(m[1]);
    this.host = m[2] || '127.0.0.1';
  }

  /// One control-pipe command; resolves with the reply object, rejects on {"ok": false}.
  async control(message) {
    this.child.stdin.write(JSON.stringify(message) + '\n');
    const reply = JSON.parse(await this.nextLine(30000));
    if (!reply.ok) {
      const err = new Error(`stand-in error ${reply.number}: ${reply.message}`);
      err.number = reply.number;
      throw err;
    }
    return reply;
  }

  /// Rows of the batch's last result set, run straight against the database (no TDS, no faults).
  async query(sql, params = []) {
    const reply = await this.control({ op: 'exec', sql, params });
    const sets = reply.results.filter((r) => r.columns !== null);
    return sets.length ? sets[sets.length - 1].rows : [];
  }

  exec(sql, params = []) {
    return this.control({ op: 'exec', sql, params });
  }

  fault(kind, ...args) {
    return this.control({ op: 'fault', kind, args });
  }

  log() {
    return fs.existsSync(this.logFile) ? fs.readFileSync(this.logFile, 'utf8') : '';
  }

  async stop() {
    if (this.child.exitCode === null) {
      const exited = new Promise((resolve) => this.child.once('exit', resolve));
      this.child.stdin.end();
      const timer = setTimeout(() => this.child.kill('SIGTERM'), 5000);
      await exited;
      clearTimeout(timer);
    }
    if (process.env.STANDIN_KEEP_LOGS) {
      fs.appendFileSync(process.env.STANDIN_KEEP_LOGS, this.log());
    }
    fs.rmSync(this.dir, { recursive: true, force: true });
  }
}

module.exports = { StandIn };
