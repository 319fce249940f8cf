// What the browser tests share: where things are, Debian's Chromium driven by playwright-core, the page
// served from 127.0.0.1, what it shows and what the browser spends, a PNG reader, and the instrument's
// frames compared pixel for pixel.
import { chromium } from 'playwright-core';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { inflateSync } from 'node:zlib';
import { serve } from '../../src/web/serve.mjs';

export const ROOT = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const SITE = resolve(process.env.ZT30_SITE || join(ROOT, 'build-web/site'));
export const HEADLESS = resolve(process.env.ZT30_HEADLESS || join(ROOT, 'build/zt30-headless'));
const CHROMIUM = process.env.ZT30_CHROMIUM || '/usr/bin/chromium';

// As root Chromium needs --no-sandbox; the rest keep it off this closed network and quiet.
const FLAGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
               '--disable-component-update', '--disable-sync'];

export const W = 450, H = 550, FRAME_W = 128, FRAME_H = 160, FRAME_X = 165, FRAME_Y = 107;

// A browser (playwright gives it a fresh profile folder of its own) and the page's server; close() ends
// both.
export async function start() {
  const server = await serve(SITE, 0);
  const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: FLAGS }).catch((e) => {
    server.close();
    throw e;
  });
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    browser,
    async close() {
      await browser.close();
      server.close();
    },
  };
}

// A new page (own context) at url, its console errors and warnings, failed requests and uncaught errors
// collected in `problems`. Waits until the instrument runs.
export async function open(env, options = {}, query = '') {
  const context = await env.browser.newContext({ viewport: { width: 800, height: 700 }, deviceScaleFactor: 1,
                                                 acceptDownloads: true, ...options });
  const page = await context.newPage();
  const problems = [];
  page.on('console', (m) => {
    if (m.type() === 'error' || m.type() === 'warning') problems.push(`console ${m.type()}: ${m.text()}`);
  });
  page.on('pageerror', (e) => problems.push(`uncaught: ${e.message}`));
  page.on('requestfailed', (r) => problems.push(`request failed: ${r.url()}`));
  page.on('response', (r) => {
    if (r.status() >= 400) problems.push(`HTTP ${r.status()}: ${r.url()}`);
  });
  if (options.initScript) await page.addInitScript(options.initScript);
  await page.goto(env.url + query);
  await page.evaluate(() => window.zt30.ready);
  return { page, context, problems };
}

export const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Waits until the live instrument's ticks (of a page or a frame) have run to at least ms. Polled here:
// waitForFunction takes the promise that stats() returns for a true value.
export async function untilTicks(page, ms) {
  for (const end = Date.now() + 30000; (await page.evaluate(() => window.zt30.stats())).ranUntilMs < ms; await sleep(50))
    if (Date.now() > end) throw new Error(`the ticks did not reach ${ms} ms within 30 s`);
}

// What the page shows of the picture, laid out 1:1, as 0xRRGGBB values top row first: a screenshot of
// the picture's box, with the display composited over it as on the screen.
export async function shownPixels(page) {
  const box = await page.locator('#zt30-picture').boundingBox();
  const shot = readPng(await page.screenshot({ clip: box }));
  if (shot.width !== W || shot.height !== H) throw new Error(`the picture is shown ${shot.width} x ${shot.height}, not 1:1`);
  return shot;
}

// The pids of the browser's renderer processes, and the CPU seconds that each of the browser's
// processes (all of them, or of one type) has used.
export async function processes(env) {
  const cdp = await env.browser.newBrowserCDPSession();
  const { processInfo } = await cdp.send('SystemInfo.getProcessInfo');
  await cdp.detach();
  return processInfo;
}

// CPU seconds that the processes of a type (all, without one) used from one list to a later one.
export function cpuBetween(before, after, type) {
  let n = 0;
  for (const p of after.filter((q) => !type || q.type === type))
    n += p.cpuTime - (before.find((q) => q.id === p.id)?.cpuTime ?? 0);
  return n;
}

// The display's 128 x 160 pixels (0xRRGGBB) cut from a 450 x 550 picture.
export function displayOf(picture) {
  const out = new Uint32Array(FRAME_W * FRAME_H);
  for (let y = 0; y < FRAME_H; ++y)
    for (let x = 0; x < FRAME_W; ++x) out[y * FRAME_W + x] = picture.pixels[(FRAME_Y + y) * picture.width + FRAME_X + x];
  return out;
}

// A run of a script in the page's script runner, with its last frame as 0xRRGGBB values.
export async function scripted(page, text, localTime = '10:10:30') {
  const r = await page.evaluate(([t, lt]) => {
    const res = window.zt30.runScript(t, { localTime: lt });
    const f = window.zt30.frame();
    return { ...res, frame: f ? Array.from(f) : null };
  }, [text, localTime]);
  if (r.frame) r.frame = Uint32Array.from(r.frame, (c) => c & 0xFFFFFF);
  return r;
}

// The first pixel in which two pictures of the same size differ, or null.
export function firstDifference(a, b, width) {
  if (a.length !== b.length) return `sizes ${a.length} and ${b.length}`;
  for (let i = 0; i < a.length; ++i)
    if (a[i] !== b[i])
      return `(${i % width}, ${Math.floor(i / width)}): 0x${a[i].toString(16)} against 0x${b[i].toString(16)}`;
  return null;
}

// ---- PNG ---------------------------------------------------------------------------------------------

const CRC_TABLE = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});

function crc32(bytes) {
  let c = 0xFFFFFFFF;
  for (const b of bytes) c = CRC_TABLE[(c ^ b) & 0xFF] ^ (c >>> 8);
  return (c ^ 0xFFFFFFFF) >>> 0;
}

// Reads an 8-bit RGB or RGBA PNG, checking its signature and every chunk's CRC; pixels as 0xRRGGBB.
export function readPng(buf) {
  const bytes = new Uint8Array(buf);
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const SIGNATURE = [0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A];
  if (!SIGNATURE.every((b, i) => bytes[i] === b)) throw new Error('not a PNG: bad signature');
  let at = 8, width = 0, height = 0, type = 0, ended = false;
  const idat = [];
  while (at < bytes.length && !ended) {
    const len = view.getUint32(at);
    const name = String.fromCharCode(...bytes.subarray(at + 4, at + 8));
    const body = bytes.subarray(at + 8, at + 8 + len);
    if (crc32(bytes.subarray(at + 4, at + 8 + len)) !== view.getUint32(at + 8 + len)) throw new Error(`bad CRC in ${name}`);
    if (name === 'IHDR') {
      width = view.getUint32(at + 8);
      height = view.getUint32(at + 12);
      type = body[9];
      if (body[8] !== 8 || (type !== 2 && type !== 6) || body[12] !== 0) throw new Error('not an 8-bit RGB(A) PNG');
    } else if (name === 'IDAT') idat.push(body);
    else if (name === 'IEND') ended = true;
    at += 12 + len;
  }
  if (!ended || !width) throw new Error('PNG without IHDR or IEND');
  const bpp = type === 6 ? 4 : 3, stride = width * bpp;
  const raw = inflateSync(Buffer.concat(idat));
  if (raw.length !== (stride + 1) * height) throw new Error(`PNG data of ${raw.length} bytes for ${width} x ${height}`);
  const cur = new Uint8Array(stride), prev = new Uint8Array(stride);
  const pixels = new Uint32Array(width * height);
  for (let y = 0; y < height; ++y) {
    const f = raw[y * (stride + 1)], row = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const pred = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][f];
      if (pred === undefined) throw new Error(`bad filter ${f}`);
      cur[i] = (row[i] + pred) & 0xFF;
    }
    for (let x = 0; x < width; ++x) pixels[y * width + x] = (cur[x * bpp] << 16) | (cur[x * bpp + 1] << 8) | cur[x * bpp + 2];
    prev.set(cur);
  }
  return { width, height, pixels };
}
