// The live page in headless Chromium: loading, input, zoom, time while hidden and after a stall, saving,
// and how busy it keeps the browser.
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { SITE, W, H, FRAME_W, FRAME_H, FRAME_X, FRAME_Y, start, open, sleep, untilTicks, shownPixels, displayOf,
         processes, cpuBetween, scripted, firstDifference, readPng } from './browser.mjs';

// Where the picture's pixel (x, y) is in the page, in CSS pixels.
async function at(page, x, y) {
  const r = await page.locator('#zt30-picture').boundingBox();
  return [r.x + (x + 0.5) * r.width / W, r.y + (y + 0.5) * r.height / H];
}

async function display(page) {
  return displayOf(await shownPixels(page));
}

// Waits until the page's display shows frame (0xRRGGBB values), for up to two seconds.
async function shows(page, frame, what) {
  let diff = null;
  for (const end = Date.now() + 2000; Date.now() < end; await sleep(50)) {
    diff = firstDifference(await display(page), frame, FRAME_W);
    if (!diff) return;
  }
  assert.fail(`${what}: the display differs at ${diff}`);
}

// The saved picture (S): the window picture as the instrument has it.
async function saved(page, shift = false) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.keyboard.press(shift ? 'Shift+KeyS' : 'KeyS')]);
  return { name: download.suggestedFilename(), png: readPng(readFileSync(await download.path())) };
}

async function key(page, name) {
  await page.keyboard.down(name);
  await sleep(60);
  await page.keyboard.up(name);
}

// A picture shrunk as the instrument shrinks one: each pixel the mean of a down x down block, each
// channel rounded.
function reduced(picture, down) {
  const width = Math.floor(picture.width / down), height = Math.floor(picture.height / down), n = down * down;
  const pixels = new Uint32Array(width * height);
  const mean = (sum) => Math.floor((sum + Math.floor(n / 2)) / n);
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < width; ++x) {
      let r = 0, g = 0, b = 0;
      for (let j = 0; j < down; ++j)
        for (let i = 0; i < down; ++i) {
          const c = picture.pixels[(y * down + j) * picture.width + x * down + i];
          r += c >> 16 & 0xFF;
          g += c >> 8 & 0xFF;
          b += c & 0xFF;
        }
      pixels[y * width + x] = (mean(r) << 16) | (mean(g) << 8) | mean(b);
    }
  return { width, height, pixels };
}

// Over ms: the main thread's busy share, from the DevTools protocol's task durations, and the CPU share
// of the renderer processes (the page's threads, its worker's too) and of all the browser's processes.
async function busy(env, page, ms) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  const task = async () => (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  const p0 = await processes(env), t0 = await task(), w0 = Date.now();
  await sleep(ms);
  const p1 = await processes(env), t1 = await task(), w1 = Date.now();
  await cdp.detach();
  const s = (w1 - w0) / 1000;
  return { main: (t1 - t0) / s, renderer: cpuBetween(p0, p1, 'renderer') / s, all: cpuBetween(p0, p1) / s };
}

const percent = (x) => `${(100 * x).toFixed(2)} %`;

describe('the page', () => {
  let env;
  before(async () => {
    env = await start();
  });
  after(async () => {
    await env?.close();
  });

  it('loads with no error or warning, shows its first picture within 1 s, has its own icon, and works embedded', async () => {
    const { page, context, problems } = await open(env, {}, '?local-time=10:10:30');
    const first = await page.evaluate(() => performance.getEntriesByName('zt30-first-picture')[0]?.startTime);
    console.log(`# first picture ${first.toFixed(0)} ms after navigation`);
    assert.ok(first <= 1000, `first picture after ${first} ms`);
    assert.equal((await page.evaluate(() => window.zt30.stats())).inWorker, true, 'drawn by a worker');
    const icon = await page.evaluate(() => document.querySelector('link[rel="icon"]').href);
    assert.match(icon, /^data:image\/png;base64,/);
    // html + js + wasm within 1 MiB, all from this server.
    const size = ['index.html', 'zt30.js', 'zt30.wasm'].reduce((n, f) => n + readFileSync(join(SITE, f)).length, 0);
    console.log(`# html + js + wasm: ${size} bytes`);
    assert.ok(size <= 1 << 20, `${size} bytes`);

    await untilTicks(page, 1400);
    // The README's picture: the CLOCK page as the page first shows it.
    await page.setViewportSize({ width: 620, height: 640 });
    await sleep(300);
    await page.screenshot({ path: join(dirname(SITE), 'web.png') });

    // Inside another page's frame, from another origin.
    const host = await context.newPage();
    await host.setContent(`<iframe src="${env.url}" width="480" height="600" style="border:0"></iframe>`);
    const frame = host.frames()[1];
    await frame.waitForFunction(() => window.zt30 !== undefined);
    await frame.evaluate(() => window.zt30.ready);
    await untilTicks(frame, 200);
    const embedded = await frame.evaluate(() => window.zt30.stats());
    assert.equal(embedded.scale, 1);
    await context.close();
    assert.deepEqual(problems, []);
  });

  it('without a canvas to hand to a worker, the page runs and draws the instrument itself', async () => {
    const initScript = () => delete HTMLCanvasElement.prototype.transferControlToOffscreen;
    const { page, context, problems } = await open(env, { initScript });
    assert.equal((await page.evaluate(() => window.zt30.stats())).inWorker, false, 'drawn by the page');
    await untilTicks(page, 1400);
    await key(page, 'ArrowLeft');
    await page.mouse.click(...(await at(page, 230, 300)), { delay: 60 });
    await shows(page, (await scripted(page, 'wait 1500ms\nclick left\nclick both\nwait 300ms\n')).frame,
                'the SETUP list after the left arrow and a click on BOTH');
    await context.close();
    assert.deepEqual(problems, []);
  });

  it('a key, a touch and a click on the pictured buttons reach the instrument', async () => {
    const { page, context, problems } = await open(env, { hasTouch: true });
    const script = (s) => scripted(page, `wait 1500ms\n${s}\nwait 300ms\n`).then((r) => r.frame);
    await untilTicks(page, 1400);

    // Left arrow: the page before CLOCK, SETUP.
    await key(page, 'ArrowLeft');
    await shows(page, await script('click left'), 'SETUP after the left arrow');

    // Two fingers, one on each soft key: BOTH, drawn pressed while they hold it, enters the list.
    const cdp = await context.newCDPSession(page);
    const [lx, ly] = await at(page, 120, 220), [rx, ry] = await at(page, 340, 220);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: lx, y: ly, id: 1 }] });
    await sleep(30);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: lx, y: ly, id: 1 }, { x: rx, y: ry, id: 2 }] });
    await sleep(150);
    const held = await page.evaluate(() => {
      window.zt30.runScript('wait 1500ms\nclick left\npress both\nwait 100ms\nwindow held.png\n', { localTime: '10:10:30' });
      return Array.from(window.zt30.file('held.png'));
    });
    const pad = (p) => Array.from({ length: 60 * 50 }, (_, i) => p.pixels[(276 + Math.floor(i / 60)) * W + 200 + (i % 60)]);
    assert.deepEqual(pad(await shownPixels(page)), pad(readPng(Buffer.from(held))), 'BOTH drawn pressed');
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [{ x: lx, y: ly, id: 1 }] });
    await sleep(30);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await shows(page, await script('click left\nclick both'), 'the SETUP list after BOTH by touch');

    // A mouse click on the right soft key opens the selected item; a tap on it goes back.
    await page.mouse.click(...(await at(page, 340, 220)), { delay: 60 });
    await shows(page, await script('click left\nclick both\nclick right'), 'SYSTEM INFO after a click');
    await page.touchscreen.tap(...(await at(page, 340, 220)));
    await shows(page, await script('click left\nclick both\nclick right\nclick right'), 'the list after a tap');
    await context.close();
    assert.deepEqual(problems, []);
  });

  it('every size shows the picture whole, each pixel a square of whole device pixels', async () => {
    for (const [width, height, dpr, want] of [[1920, 1080, 2, 3], [400, 600, 3, 2], [400, 600, 1, 0.5]]) {
      const { page, context, problems } = await open(env, { viewport: { width, height }, deviceScaleFactor: dpr });
      await key(page, 'ArrowLeft'); // SETUP: a screen that holds still
      await untilTicks(page, 1800);
      await sleep(200);
      const s = await page.evaluate(() => window.zt30.stats());
      assert.equal(s.scale, want, `${width} x ${height} at ${dpr}x`);
      // The picture as the instrument has it, reduced as the instrument reduces it where it must be.
      const { png } = await saved(page);
      const picture = want >= 1 ? png : reduced(png, 1 / want);
      const box = await page.locator('#zt30-picture').boundingBox();
      const shot = readPng(await page.screenshot());
      // Where the compositor put it, within a device pixel or two of its CSS box.
      const up = Math.max(1, want);
      const matches = (x0, y0) => {
        for (let y = 0; y < picture.height * up; ++y)
          for (let x = 0; x < picture.width * up; ++x) {
            const c = shot.pixels[(y0 + y) * shot.width + x0 + x];
            const p = picture.pixels[Math.floor(y / up) * picture.width + Math.floor(x / up)];
            if (c !== p) return `device pixel (${x}, ${y}) 0x${c.toString(16)}, picture 0x${p.toString(16)}`;
          }
        return null;
      };
      let bad = 'nowhere';
      for (let dy = -2; dy <= 2 && bad; ++dy)
        for (let dx = -2; dx <= 2 && bad; ++dx) {
          const x0 = Math.round(box.x * dpr) + dx, y0 = Math.round(box.y * dpr) + dy;
          if (x0 < 0 || y0 < 0 || x0 + picture.width * up > shot.width || y0 + picture.height * up > shot.height) continue;
          bad = matches(x0, y0);
        }
      assert.equal(bad, null, `${width} x ${height} at ${dpr}x`);
      if (want === 3) {
        // - makes it smaller, + larger, 0 back to the largest that fits.
        await key(page, '-');
        assert.equal((await page.evaluate(() => window.zt30.stats())).scale, 2);
        await key(page, '+');
        await key(page, '+'); // no further than the largest that fits ...
        assert.equal((await page.evaluate(() => window.zt30.stats())).scale, 3);
        await key(page, '-'); // ... nor remembered further
        assert.equal((await page.evaluate(() => window.zt30.stats())).scale, 2);
        await key(page, '0');
        assert.equal((await page.evaluate(() => window.zt30.stats())).scale, 3);
      }
      await context.close();
      assert.deepEqual(problems, []);
    }
  });

  it('hidden for 10 s, the ticks run in batches and the timers come out exactly 10 s further; a stall drops only 10 ms ticks', async () => {
    // Headless Chromium shows every tab; the page is told it is hidden as a browser would tell it.
    const initScript = () => {
      let hidden = false;
      Object.defineProperty(Document.prototype, 'visibilityState', { get: () => (hidden ? 'hidden' : 'visible') });
      Object.defineProperty(Document.prototype, 'hidden', { get: () => hidden });
      window.setHidden = (h) => {
        hidden = h;
        document.dispatchEvent(new Event('visibilitychange'));
      };
    };
    const { page, context, problems } = await open(env, { initScript });
    const stats = () => page.evaluate(() => window.zt30.stats());
    // Every 100 ms and 1 s tick due by the time the ticks ran to has run, and every 10 ms one ran or was dropped.
    const exact = (s) => s.ticks100ms === Math.floor(s.ranUntilMs / 100) && s.ticks1s === Math.floor(s.ranUntilMs / 1000) &&
                         s.ticks10ms + s.ticksDropped === s.ranUntilMs / 10;
    // TIMER 1 running.
    await untilTicks(page, 1400);
    await key(page, 'ArrowRight');
    await key(page, 'ArrowRight');
    await key(page, 'v');
    const before = await stats();
    await page.evaluate(() => window.setHidden(true));
    await sleep(3500);
    const mid = await stats();
    await sleep(6500);
    await page.evaluate(() => window.setHidden(false));
    await sleep(200);
    const shown = await stats();
    console.log(`# hidden: ticks ran to ${mid.ranUntilMs - before.ranUntilMs} ms after 3.5 s; ` +
                `${shown.ranUntilMs - before.ranUntilMs} ms over the whole time, ${shown.ticksDropped} dropped`);
    assert.ok(!mid.seen && shown.seen);
    assert.ok(mid.nowMs - mid.ranUntilMs >= 400 && mid.nowMs - mid.ranUntilMs <= 1300, 'batches a second apart');
    assert.ok(shown.ranUntilMs - before.ranUntilMs >= 10000);
    assert.ok(exact(before) && exact(mid) && exact(shown));
    assert.equal(shown.ticksDropped, 0);

    // A stall of the whole page, its renderer stopped for 600 ms as an overloaded machine would: the 10 ms
    // ticks more than 8 behind are dropped, no 100 ms or 1 s tick. Ticks the page had put off by its own
    // choice (up to 100 ms on a still picture) are not late, so 40 to 52 of the 60 drop, and a few more
    // for a stop that the signals made longer.
    const renderers = (await processes(env)).filter((p) => p.type === 'renderer').map((p) => p.id);
    try {
      for (const pid of renderers) process.kill(pid, 'SIGSTOP');
      await sleep(600);
    } finally {
      for (const pid of renderers) process.kill(pid, 'SIGCONT');
    }
    await sleep(200);
    const stalled = await stats();
    console.log(`# after a 600 ms stall: ${stalled.ticksDropped} ticks of 10 ms dropped`);
    assert.ok(stalled.ticksDropped >= 40 && stalled.ticksDropped <= 60, `${stalled.ticksDropped} dropped`);
    assert.ok(exact(stalled));
    await context.close();
    assert.deepEqual(problems, []);
  });

  it('S saves the picture and Shift+S the display at 4x, as PNG downloads named by the time', async () => {
    const { page, context, problems } = await open(env);
    await untilTicks(page, 1400);
    await key(page, 'ArrowLeft');
    await untilTicks(page, 1800);
    const shown = await shownPixels(page);
    for (const [shift, width, height] of [[false, W, H], [true, 4 * FRAME_W, 4 * FRAME_H]]) {
      const { name, png } = await saved(page, shift);
      assert.match(name, /^zt30-\d{8}-\d{6}\.png$/);
      assert.deepEqual([png.width, png.height], [width, height]);
      const want = shift ? Uint32Array.from({ length: width * height }, (_, i) =>
        shown.pixels[(FRAME_Y + Math.floor(i / width / 4)) * W + FRAME_X + Math.floor((i % width) / 4)]) : shown.pixels;
      assert.equal(firstDifference(png.pixels, want, width), null);
    }
    await context.close();
    assert.deepEqual(problems, []);
  });

  it("keeps the browser's main thread busy at most 2 % on a still screen and 5 % on ATTITUDE in DEMO 1", async () => {
    const { page, context, problems } = await open(env);
    await untilTicks(page, 1400);
    await key(page, 'ArrowLeft'); // SETUP
    await sleep(500);
    const still = await busy(env, page, 10000);
    await key(page, 'ArrowLeft'); // ATTITUDE, the demo moving it
    await sleep(500);
    const attitude = await busy(env, page, 10000);
    console.log(`# main thread busy: ${percent(still.main)} on a still screen, ${percent(attitude.main)} on ATTITUDE ` +
                `in DEMO 1 (10 s each; the machine may be shared)`);
    console.log(`# CPU of the renderer (all the browser's processes): ${percent(still.renderer)} (${percent(still.all)}) ` +
                `still, ${percent(attitude.renderer)} (${percent(attitude.all)}) on ATTITUDE`);
    assert.ok(still.main <= 0.02, `${percent(still.main)} still`);
    assert.ok(attitude.main <= 0.05, `${percent(attitude.main)} on ATTITUDE`);
    await context.close();
    assert.deepEqual(problems, []);
  });
});
