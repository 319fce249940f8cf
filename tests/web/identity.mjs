// The page's script runner against zt30-headless: the same scripts give the same exit status, message,
// probe output, last frame and files, byte for byte (PNG files pixel for pixel: two encoders).
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, rmSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, join } from 'node:path';
import { HEADLESS, ROOT, start, open, readPng, firstDifference, FRAME_W } from './browser.mjs';

const LOCAL_TIME = '10:10:30';
const FINAL = 'zt30-identity-final.raw';

// Files a script writes: the word after shot, window or dump, unquoted as the script language does.
function filesOf(text) {
  const names = new Set();
  for (const line of text.split('\n')) {
    const m = /^\s*(shot|window|dump)\s+("(?:[^"\\]|\\.)*"|[^\s#]+)/.exec(line);
    if (m) names.add(m[2].startsWith('"') ? m[2].slice(1, -1).replace(/\\(["\\])/g, '$1') : m[2]);
  }
  return [...names];
}

function desktop(text, dir, args = ['--local-time', LOCAL_TIME]) {
  const r = spawnSync(HEADLESS, [...args, '-'], { input: text, cwd: dir, encoding: 'latin1' });
  // A bad option ends the program before it reads its input: the pipe may close under the writer.
  if (r.error && !(r.error.code === 'EPIPE' && r.status !== null)) throw r.error;
  return { status: r.status, message: r.stderr.replace(/\n$/, ''), output: r.stdout };
}

const scripts = [
  ...readdirSync(join(ROOT, 'tests/scripts')).filter((f) => f.endsWith('.zts')).map((f) => join(ROOT, 'tests/scripts', f)),
  join(ROOT, 'docs/headless-example.zts'),
  join(ROOT, 'tests/web/scripts/every_screen.zts'),
].sort();

// Scripts that stop early, each on another failure, and one with a long output.
const edges = {
  'unknown command': 'wait 100ms\nbogus 1 2\n',
  'bad duration': 'wait 10 parsecs\n',
  'expect sees another colour': 'wait 1500ms\nprobe 115 150\nexpect 115 150 0xFF123456\nwait 1s\n',
  'name too long to write': `wait 100ms\nshot ${'n'.repeat(300)}.png\n`,
  'many probes': 'wait 1500ms\n' + Array.from({ length: 4000 }, (_, i) => `probe ${i % 128} ${i % 160}`).join('\n') + '\n',
};

describe('the page runs scripts as zt30-headless does', () => {
  let env, page, dir;
  before(async () => {
    assert.ok(existsSync(HEADLESS), `${HEADLESS} not built (make test-web builds it)`);
    env = await start();
    ({ page } = await open(env));
    dir = mkdtempSync(join(tmpdir(), 'zt30-identity-'));
  });
  after(async () => {
    await env?.close();
    if (dir) rmSync(dir, { recursive: true, force: true });
  });

  for (const path of scripts) {
    it(`${basename(path)}: same status, output, frames and files`, async () => {
      const text = readFileSync(path, 'latin1') + `\ndump ${FINAL}\n`;
      const names = filesOf(text);
      const want = desktop(text, dir);
      const got = await page.evaluate(([t, lt, names]) => {
        const r = window.zt30.runScript(t, { localTime: lt });
        const files = {};
        for (const n of names) {
          const f = window.zt30.file(n);
          files[n] = f && Array.from(f);
        }
        return { ...r, frame: Array.from(window.zt30.frame()), files };
      }, [text, LOCAL_TIME, names]);
      assert.deepEqual({ status: got.status, message: got.message, output: got.output }, want);
      assert.equal(want.status, 0, `${basename(path)} should run to its end: ${want.message}`);

      // The last frame, as ARGB words, against the desktop's dump of it.
      const dump = readFileSync(join(dir, FINAL));
      const frame = new Uint32Array(dump.buffer, dump.byteOffset, dump.length / 4);
      assert.equal(firstDifference(Uint32Array.from(got.frame), frame, FRAME_W), null, 'last frame');

      for (const name of names) {
        const mine = Buffer.from(got.files[name] || []), theirs = readFileSync(join(dir, name));
        assert.ok(got.files[name], `${name} kept`);
        if (name.endsWith('.png')) {
          const a = readPng(mine), b = readPng(theirs);
          assert.deepEqual([a.width, a.height], [b.width, b.height], `${name} size`);
          assert.equal(firstDifference(a.pixels, b.pixels, a.width), null, `${name} pixels`);
        } else {
          assert.ok(mine.equals(theirs), `${name} bytes`);
        }
        rmSync(join(dir, name));
      }
    });
  }

  for (const [name, text] of Object.entries(edges)) {
    it(`a script with ${name}: same status, message and output`, async () => {
      const want = desktop(text, dir);
      const got = await page.evaluate((t) => window.zt30.runScript(t, { localTime: '10:10:30' }), text);
      assert.equal(want.status === 0, name === 'many probes', want.message);
      assert.deepEqual(got, want);
    });
  }

  it('a bad local time and a script over 16 MiB: the command line\'s messages', async () => {
    const bad = desktop('wait 10ms\n', dir, ['--local-time', '24:00:00']);
    const got = await page.evaluate(() => window.zt30.runScript('wait 10ms\n', { localTime: '24:00:00' }));
    assert.deepEqual(got, bad);
    const huge = await page.evaluate(() => {
      const r = window.zt30.runScript(new Uint8Array((16 << 20) + 1).fill(0x0A));
      return { ...r, frame: window.zt30.frame() };
    });
    const big = desktop(Buffer.alloc((16 << 20) + 1, 0x0A), dir, []);
    assert.deepEqual(huge, { ...big, frame: null });
  });

  it('misuse of the interface: one clear error each', async () => {
    const errors = await page.evaluate(() => {
      const e = (f) => {
        try {
          f();
          return 'no error';
        } catch (err) {
          return `${err.name}: ${err.message}`;
        }
      };
      return [e(() => window.zt30.runScript(42)), e(() => window.zt30.runScript('', { localTime: 5 })),
              e(() => window.zt30.file(7)), String(window.zt30.file('never-written.png'))];
    });
    assert.deepEqual(errors, [
      'TypeError: zt30.runScript: the script must be a string or bytes',
      'TypeError: zt30.runScript: localTime must be a string "HH:MM:SS"',
      'TypeError: zt30.file: the name must be a string',
      'null',
    ]);
  });
});
