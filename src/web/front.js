// The page's front end, appended to the generated module loader. The page compiles the program once and
// runs two instances of it: the live instrument, driven from the browser's clock and input and drawn on
// the canvases, and a script runner for window.zt30.runScript, so that a scripted run never disturbs the
// live one. Where the browser can hand a canvas to a worker, this same file is loaded again as a worker
// that runs the live instrument and draws on both canvases there: the page's own thread then only
// passes input on, and never spends a display frame on drawing. Elsewhere the live instrument runs in
// the page itself. All instrument logic is in the program; this file only decides when to call it.
(() => {
  'use strict';

  const W = 450, H = 550, FRAME_W = 128, FRAME_H = 160, FRAME_X = 165, FRAME_Y = 107;
  const MAX_TICK_BACKLOG = 8; // 10 ms ticks that may run late after a stall, as on the desktop
  const BATCH_MS = 1000;      // while the picture cannot be seen, the ticks run in batches this far apart
  const MOVING_MS = 20;       // while the picture changes, the ticks run this often between its frames
  const STILL_MS = 100;       // once it has held still for STILL_AFTER_MS, this often, on the 100 ms ticks
  const STILL_AFTER_MS = 500;
  const TICK_MS = 10;
  const SCALE_MAX = 4;        // largest enlargement, in CSS pixels
  const ICON_SIZE = 64;
  // front/keys.h: HostKey and the modifier bits.
  const KEYS = { v: 1, b: 2, ArrowUp: 4, ArrowDown: 5, ArrowLeft: 6, ArrowRight: 7, ' ': 8, F1: 10, '?': 12 };
  const KEY_COUNT = 16, MOD_SHIFT = 1, MOD_CTRL = 2, MOD_ALT = 4, MOD_COMBINATIONS = 8;

  const inWorker = typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope;

  function instantiate(module) {
    return zt30Program({
      instantiateWasm(imports, done) {
        WebAssembly.instantiate(module, imports).then((instance) => done(instance));
        return {};
      },
    });
  }

  // ---- The live instrument: in the worker, or in the page where there is none ----------------------

  // Runs the live instance mod, drawing on canvas (the picture) and small (the display over it, at
  // 1:1 or larger), both HTML or offscreen canvases.
  function liveInstrument(mod, canvas, small) {
    // Pixels are only ever put on them.
    const ctx = canvas.getContext('2d', { alpha: false });
    const smallCtx = small.getContext('2d', { alpha: false });
    const frameLater = typeof requestAnimationFrame === 'function' ? requestAnimationFrame : (f) => setTimeout(f, 16);
    const cancelFrame = typeof cancelAnimationFrame === 'function' ? cancelAnimationFrame : clearTimeout;
    let t0 = 0;            // performance.now() when the instrument started: time zero of its ticks
    let seen = null;       // the page is visible and the picture on screen; null: not yet told
    let excuse = false;    // the next run may be far behind by our own doing (batches, a save, a script)
    let planned = 0;       // performance.now() the pending tick timer was set for
    let lastChange = 0;    // performance.now() the picture last changed or input came
    let frameRequest = 0, tickTimer = 0, batchTimer = 0;
    let image = null;      // the canvas pixels in the instance's memory
    let dirty = null;      // the canvas pixels changed there since the last draw
    let view = null, viewPtr = 0;

    // ---- Time ----

    // Ticks that a timer of ours put off are never a stall: they run up to the time it was set for
    // (timers may also come a little early), and only the ticks past that count as late.
    function advance() {
      const now = performance.now();
      if (excuse || !seen) {
        mod._web_advance(now - t0, -1);
      } else {
        if (planned) mod._web_advance(Math.min(now, planned) - t0, -1);
        mod._web_advance(now - t0, MAX_TICK_BACKLOG);
      }
      excuse = false;
    }

    function tickLater(ms) {
      planned = performance.now() + ms;
      tickTimer = setTimeout(onTicks, ms);
    }

    // The ticks run on a timer; when they changed the picture, the next animation frame draws it and
    // sets the timer again (the ticks due meanwhile were put off by us, not late). A moving picture is
    // so drawn on every other display frame or so. A still one costs no frames, and once it has held
    // still a while its timer runs just after each 100 ms tick, so that what those ticks and the 1 s
    // ticks change shows at once, and anything else at most STILL_MS late.
    function onFrame() {
      frameRequest = 0;
      if (!seen) return;
      draw();
      tickLater(MOVING_MS);
    }

    function onTicks() {
      tickTimer = 0;
      if (!seen) return;
      advance();
      if (update()) {
        frameRequest = frameLater(onFrame);
        return;
      }
      const now = performance.now();
      if (now - lastChange < STILL_AFTER_MS) tickLater(MOVING_MS);
      else tickLater(STILL_MS - ((now - t0) % STILL_MS) + 2);
    }

    // Input: its effect shows on the next tick, not STILL_MS later.
    function hurry() {
      lastChange = performance.now();
      if (tickTimer && planned > lastChange + TICK_MS) {
        clearTimeout(tickTimer);
        tickLater(TICK_MS);
      }
    }

    function onBatch() {
      batchTimer = 0;
      if (seen) return;
      advance();
      batchTimer = setTimeout(onBatch, BATCH_MS);
    }

    // Drawn on animation frames while seen; otherwise the ticks run in batches and nothing is drawn.
    function setSeen(now) {
      if (now === seen) return;
      seen = now;
      clearTimeout(batchTimer);
      clearTimeout(tickTimer);
      cancelFrame(frameRequest);
      batchTimer = tickTimer = frameRequest = 0;
      if (seen) {
        excuse = true;
        lastChange = performance.now();
        onTicks();
      } else {
        batchTimer = setTimeout(onBatch, BATCH_MS);
      }
    }

    // ---- Picture ----

    function readView(ptr) {
      const v = mod.HEAP32.subarray(ptr >> 2, (ptr >> 2) + 10);
      return { up: v[0], down: v[1], w: v[2], h: v[3], canvasW: v[4], canvasH: v[5],
               dirtyX: v[6], dirtyY: v[7], dirtyW: v[8], dirtyH: v[9] };
    }

    // Brings the canvas pixels in the instance's memory up to date; true when some changed.
    function update() {
      if (!mod._web_present()) return false;
      lastChange = performance.now();
      const v = view = readView(viewPtr);
      if (dirty) {
        const x1 = Math.max(dirty.x + dirty.w, v.dirtyX + v.dirtyW), y1 = Math.max(dirty.y + dirty.h, v.dirtyY + v.dirtyH);
        dirty.x = Math.min(dirty.x, v.dirtyX);
        dirty.y = Math.min(dirty.y, v.dirtyY);
        dirty.w = x1 - dirty.x;
        dirty.h = y1 - dirty.y;
      } else {
        dirty = { x: v.dirtyX, y: v.dirtyY, w: v.dirtyW, h: v.dirtyH };
      }
      return true;
    }

    // Puts what changed on the canvases; false when nothing had.
    function draw() {
      if (!dirty) return false;
      const v = view, buffer = mod.HEAPU8.buffer;
      if (!image || image.data.buffer !== buffer || image.width !== v.canvasW || image.height !== v.canvasH) {
        const bytes = new Uint8ClampedArray(buffer, mod._web_canvas_pixels(), v.canvasW * v.canvasH * 4);
        image = new ImageData(bytes, v.canvasW, v.canvasH);
      }
      const d = dirty;
      const inDisplay = d.x >= FRAME_X && d.y >= FRAME_Y && d.x + d.w <= FRAME_X + FRAME_W && d.y + d.h <= FRAME_Y + FRAME_H;
      if (v.down > 1 || !inDisplay) ctx.putImageData(image, 0, 0, d.x, d.y, d.w, d.h);
      if (v.down === 1) smallCtx.putImageData(image, -FRAME_X, -FRAME_Y, FRAME_X, FRAME_Y, FRAME_W, FRAME_H);
      dirty = null;
      return true;
    }

    // Lays the picture out at the largest whole enlargement up to maxUp that fits areaW x areaH device
    // pixels, sizes the canvas for it and draws it whole; returns the view.
    function layout(areaW, areaH, maxUp) {
      viewPtr = mod._web_layout(areaW, areaH, maxUp);
      const v = view = readView(viewPtr);
      if (canvas.width !== v.canvasW || canvas.height !== v.canvasH) {
        canvas.width = v.canvasW;
        canvas.height = v.canvasH;
      }
      dirty = null;
      update();
      draw();
      return { up: v.up, down: v.down, w: v.w, h: v.h, canvasW: v.canvasW, canvasH: v.canvasH };
    }

    // ---- Input ----

    function pointer(id, down, x, y) {
      advance();
      mod._web_pointer(id, down ? 1 : 0, x, y);
      hurry();
    }

    function key(k, mods, down, repeat) {
      advance();
      mod._web_key(k, mods, down ? 1 : 0, repeat ? 1 : 0);
      hurry();
    }

    function keysRelease() {
      advance();
      mod._web_keys_release();
      hurry();
    }

    function helpToggle() {
      mod._web_help_toggle();
      hurry();
    }

    // Which keys (by HostKey and modifier bits) the instrument or its help takes.
    function keysHandled() {
      const handled = new Uint8Array(KEY_COUNT * MOD_COMBINATIONS);
      for (let i = 0; i < handled.length; ++i) handled[i] = mod._web_key_handled(i >> 3, i & 7);
      return handled;
    }

    // The window picture, or the display alone at 4x, as PNG bytes; null when it could not be encoded.
    function save(displayOnly) {
      advance();
      const n = mod._web_save_png(displayOnly ? 1 : 0);
      excuse = true; // encoding held the ticks up: they catch up, not a stall
      if (!n) return null;
      const p = mod._web_png();
      return mod.HEAPU8.slice(p, p + n);
    }

    function stats() {
      const p = mod._web_stats() >> 3;
      const s = mod.HEAPF64.subarray(p, p + 6);
      return { ticks10ms: s[0], ticks100ms: s[1], ticks1s: s[2], ticksDropped: s[3], ranUntilMs: s[4],
               framesRendered: s[5], nowMs: performance.now() - t0, seen, inWorker };
    }

    // The instrument's front, ICON_SIZE square, bytes R, G, B, A.
    function icon() {
      const p = mod._web_icon(ICON_SIZE);
      return mod.HEAPU8.slice(p, p + ICON_SIZE * ICON_SIZE * 4);
    }

    // Starts the instrument (localTime: [h, m, s] the CLOCK page reads instead of the computer's, or
    // null). Its picture shows once it is laid out, its ticks run once it is told whether it is seen.
    function begin(localTime) {
      if (localTime) mod._web_set_local_time(...localTime);
      mod._web_begin();
      t0 = lastChange = performance.now();
    }

    return { begin, layout, setSeen, pointer, key, keysRelease, helpToggle, keysHandled, save, stats, icon,
             excuse: () => { excuse = true; } };
  }

  // ---- The worker ----------------------------------------------------------------------------------

  // Messages from the page: {start: module, picture, small, localTime, layout}, then {call, args,
  // reply}, where reply numbers a call whose result the page waits for.
  if (inWorker) {
    let live = null;
    self.onmessage = async (e) => {
      const m = e.data;
      if (m.start) {
        try {
          const mod = await instantiate(m.start);
          live = liveInstrument(mod, m.picture, m.small);
          live.begin(m.localTime);
          const view = live.layout(...m.layout);
          self.postMessage({ started: { keys: live.keysHandled(), icon: live.icon(), view } });
        } catch (err) {
          self.postMessage({ failed: String(err && err.message || err) });
        }
        return;
      }
      const result = live[m.call](...m.args);
      if (m.reply) {
        const transfer = result instanceof Uint8Array ? [result.buffer] : [];
        self.postMessage({ reply: m.reply, result }, transfer);
      }
    };
    return;
  }

  // ---- The page ------------------------------------------------------------------------------------

  const script = document.currentScript;
  const scriptUrl = script && script.src ? script.src : new URL('zt30.js', location.href).href;
  const wasmUrl = new URL('zt30.wasm', scriptUrl).href;
  const canvas = document.getElementById('zt30-picture');
  const line = document.getElementById('zt30-line');
  const note = document.getElementById('zt30-note');
  const small = document.getElementById('zt30-display');
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();

  let runner = null;
  let keysTaken = null;    // from the live instrument once it runs: which keys it takes
  let onScreen = true, seen = null;
  let zoom = 0;            // the enlargement asked for with + and - (device pixels), 0: the largest that fits
  let view = null;
  const pointers = new Map(); // pointer id -> where it went down, for a cancelled pointer
  const heldKeys = new Map(); // KeyboardEvent.code -> HostKey sent down

  function say(text) {
    note.textContent = text ? text + ' · ' : '';
  }

  // The live instrument, in a worker that owns both canvases where the browser can hand them over,
  // else here. send() passes a call on; call() also returns a promise of its result.
  const worker = offscreenWorker();
  let live = null;         // the instrument itself, when it runs here
  const replies = new Map();
  let lastReply = 0;

  function offscreenWorker() {
    try {
      if (typeof Worker !== 'function' || typeof OffscreenCanvas !== 'function' ||
          !('transferControlToOffscreen' in HTMLCanvasElement.prototype) || !new OffscreenCanvas(1, 1).getContext('2d'))
        return null;
      return new Worker(scriptUrl);
    } catch {
      return null; // a browser that lets no worker run here: the page draws itself
    }
  }

  function send(name, ...args) {
    if (worker) worker.postMessage({ call: name, args });
    else live[name](...args);
  }

  function call(name, ...args) {
    if (!worker) return Promise.resolve(live[name](...args));
    return new Promise((resolve) => {
      const reply = ++lastReply;
      replies.set(reply, resolve);
      worker.postMessage({ call: name, args, reply });
    });
  }

  const running = () => keysTaken !== null;

  // ---- Picture ----

  // The largest whole enlargement that fits (or the one asked for), in device pixels, centred above
  // the line of controls.
  function area() {
    const dpr = window.devicePixelRatio || 1;
    const lineH = line.getBoundingClientRect().height;
    const areaW = Math.floor(document.documentElement.clientWidth * dpr);
    const areaH = Math.max(1, Math.floor((window.innerHeight - lineH) * dpr));
    const maxUp = Math.max(1, Math.floor(SCALE_MAX * dpr + 1e-6));
    return { dpr, areaW, areaH, layout: [areaW, areaH, zoom ? Math.min(zoom, maxUp) : maxUp] };
  }

  function layout() {
    const a = area();
    return call('layout', ...a.layout).then((v) => place(v, a));
  }

  // Places the canvases as laid out; the first time, they show the first picture, drawn whole by the
  // layout.
  function place(v, { areaW, areaH, dpr }) {
    if (!view) {
      canvas.style.visibility = small.style.visibility = 'visible';
      performance.mark('zt30-first-picture');
    }
    view = v;
    // The canvas keeps its own size in CSS pixels and is scaled by a transform: a size such as 1100 / 3
    // CSS pixels cannot be laid out exactly, a scale can, so every picture pixel stays whole.
    const left = Math.max(0, Math.floor((areaW - v.w) / 2)), top = Math.max(0, Math.floor((areaH - v.h) / 2));
    canvas.style.width = v.canvasW + 'px';
    canvas.style.height = v.canvasH + 'px';
    const scale = v.w / v.canvasW / dpr;
    canvas.style.transform = `translate(${left / dpr}px, ${top / dpr}px) scale(${scale})`;
    small.style.display = v.down > 1 ? 'none' : '';
    small.style.width = FRAME_W + 'px';
    small.style.height = FRAME_H + 'px';
    small.style.transform = `translate(${(left + FRAME_X * v.up) / dpr}px, ${(top + FRAME_Y * v.up) / dpr}px) scale(${scale})`;
    line.style.top = (top + v.h) / dpr + 'px';
  }

  function zoomBy(step) {
    if (!view) return;
    const now = view.down > 1 ? 1 : view.up;
    zoom = step === 0 ? 0 : Math.max(1, now + step);
    // + stops at the largest that fits: remember no more than that.
    layout().then(() => {
      if (zoom > view.up) zoom = view.down > 1 ? 1 : view.up;
    });
  }

  function watchResolution() {
    const query = matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
    query.addEventListener('change', () => {
      layout();
      watchResolution();
    }, { once: true });
  }

  function updateSeen() {
    const now = document.visibilityState === 'visible' && onScreen;
    if (now === seen) return;
    seen = now;
    if (!seen) releaseKeys();
    send('setSeen', seen);
  }

  // ---- Input ----

  function toPicture(e) {
    const r = canvas.getBoundingClientRect();
    return [Math.floor((e.clientX - r.left) * W / r.width), Math.floor((e.clientY - r.top) * H / r.height)];
  }

  function pointerDown(e) {
    const [x, y] = toPicture(e);
    pointers.set(e.pointerId, [x, y]);
    canvas.setPointerCapture(e.pointerId); // the release comes here wherever it happens
    send('pointer', e.pointerId, true, x, y);
  }

  function pointerUp(e, where) {
    if (!pointers.has(e.pointerId)) return;
    const [x, y] = where || toPicture(e);
    pointers.delete(e.pointerId);
    send('pointer', e.pointerId, false, x, y);
  }

  canvas.addEventListener('pointerdown', (e) => {
    if (!running() || (e.pointerType === 'mouse' && e.button !== 0)) return;
    e.preventDefault();
    canvas.focus({ preventScroll: true });
    pointerDown(e);
  });
  canvas.addEventListener('pointerup', (e) => {
    if (e.pointerType === 'mouse' && e.button !== 0) return;
    pointerUp(e);
  });
  // The left mouse button pressed or let go while another is held comes as a move.
  canvas.addEventListener('pointermove', (e) => {
    if (!running() || e.pointerType !== 'mouse' || e.button !== 0) return;
    if (e.buttons & 1) pointerDown(e);
    else pointerUp(e);
  });
  // A pointer the browser took away lets go where it went down, so that no button stays held by it.
  const cancel = (e) => pointerUp(e, pointers.get(e.pointerId));
  canvas.addEventListener('pointercancel', cancel);
  canvas.addEventListener('lostpointercapture', cancel);
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());

  function modsOf(e) {
    return (e.shiftKey ? MOD_SHIFT : 0) | (e.ctrlKey ? MOD_CTRL : 0) | (e.altKey || e.metaKey ? MOD_ALT : 0);
  }

  function releaseKeys() {
    if (!running() || heldKeys.size === 0) return;
    heldKeys.clear();
    send('keysRelease');
  }

  document.addEventListener('keydown', (e) => {
    if (!running()) return;
    const k = KEYS[e.key.length === 1 ? e.key.toLowerCase() : e.key];
    const mods = modsOf(e);
    if (k) {
      send('key', k, mods, true, e.repeat);
      if (keysTaken[k * MOD_COMBINATIONS + mods]) {
        e.preventDefault();
        if (k !== KEYS.F1 && k !== KEYS['?'] && !heldKeys.has(e.code)) heldKeys.set(e.code, k);
      }
      return;
    }
    if (mods & (MOD_CTRL | MOD_ALT)) return; // the browser's own keys
    if (e.key === '+' || e.key === '=') zoomBy(1);
    else if (e.key === '-') zoomBy(-1);
    else if (e.key === '0') zoomBy(0);
    else if (e.key === 's' || e.key === 'S') {
      if (!e.repeat) save(e.shiftKey);
    } else return;
    e.preventDefault();
  });
  document.addEventListener('keyup', (e) => {
    const k = heldKeys.get(e.code);
    if (!running() || !k) return;
    heldKeys.delete(e.code);
    send('key', k, modsOf(e), false, false);
    e.preventDefault();
  });
  window.addEventListener('blur', releaseKeys);

  document.getElementById('zt30-help').addEventListener('click', (e) => {
    e.preventDefault();
    if (running()) send('helpToggle');
  });

  // ---- Saving ----

  function two(n) {
    return String(n).padStart(2, '0');
  }

  function save(displayOnly) {
    const d = new Date(); // named by when the key was pressed
    const name = `zt30-${d.getFullYear()}${two(d.getMonth() + 1)}${two(d.getDate())}-` +
                 `${two(d.getHours())}${two(d.getMinutes())}${two(d.getSeconds())}.png`;
    call('save', displayOnly).then((bytes) => {
      if (!bytes) {
        say('The picture could not be saved');
        return;
      }
      const a = document.createElement('a');
      a.href = URL.createObjectURL(new Blob([bytes], { type: 'image/png' }));
      a.download = name;
      document.body.appendChild(a);
      a.click();
      a.remove();
      setTimeout(() => URL.revokeObjectURL(a.href), 60000);
      say(`Saved ${name}`);
      setTimeout(() => say(''), 4000);
    });
  }

  // ---- The scripting interface ----

  function notReady(what) {
    return new Error(`zt30.${what}: the simulator is not ready yet (await zt30.ready first)`);
  }

  function cString(mod, text) {
    const bytes = encoder.encode(text + '\0');
    const p = mod._malloc(bytes.length);
    mod.HEAPU8.set(bytes, p);
    return p;
  }

  function runScript(text, options) {
    if (!runner) throw notReady('runScript');
    let bytes;
    if (typeof text === 'string') bytes = encoder.encode(text);
    else if (text instanceof Uint8Array) bytes = text;
    else if (text instanceof ArrayBuffer) bytes = new Uint8Array(text);
    else throw new TypeError('zt30.runScript: the script must be a string or bytes');
    const localTime = options == null ? undefined : options.localTime;
    if (localTime !== undefined && typeof localTime !== 'string')
      throw new TypeError('zt30.runScript: localTime must be a string "HH:MM:SS"');
    const textPtr = runner._malloc(Math.max(1, bytes.length));
    runner.HEAPU8.set(bytes, textPtr);
    const timePtr = localTime === undefined ? 0 : cString(runner, localTime);
    let status;
    try {
      status = runner._web_run_script(textPtr, bytes.length, timePtr);
    } finally {
      runner._free(textPtr);
      if (timePtr) runner._free(timePtr);
    }
    if (live) live.excuse(); // the live instrument here waited meanwhile
    const text_of = (p, n) => decoder.decode(runner.HEAPU8.subarray(p, p + n));
    return {
      status,
      message: text_of(runner._web_run_message(), runner._web_run_message_size()).replace(/\n$/, ''),
      output: text_of(runner._web_run_output(), runner._web_run_output_size()),
    };
  }

  function frame() {
    if (!runner) throw notReady('frame');
    const p = runner._web_run_frame();
    return p ? new Uint32Array(runner.HEAPU8.buffer, p, FRAME_W * FRAME_H).slice() : null;
  }

  function file(name) {
    if (!runner) throw notReady('file');
    if (typeof name !== 'string') throw new TypeError('zt30.file: the name must be a string');
    const namePtr = cString(runner, name);
    const sizePtr = runner._malloc(4);
    try {
      const p = runner._web_run_file(namePtr, sizePtr);
      return p ? runner.HEAPU8.slice(p, p + runner.HEAPU32[sizePtr >> 2]) : null;
    } finally {
      runner._free(namePtr);
      runner._free(sizePtr);
    }
  }

  // The live instrument's clock and how it is shown; a promise, as the instrument may run in a worker.
  async function stats() {
    if (!running()) throw notReady('stats');
    const s = await call('stats');
    return { ...s, scale: view.down > 1 ? 1 / view.down : view.up, devicePixelRatio: window.devicePixelRatio || 1 };
  }

  // ---- Start ----

  function setIcon(rgba) {
    const c = document.createElement('canvas');
    c.width = c.height = ICON_SIZE;
    c.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(rgba.buffer), ICON_SIZE, ICON_SIZE), 0, 0);
    document.querySelector('link[rel="icon"]').href = c.toDataURL('image/png');
  }

  // ?local-time=HH:MM:SS: the local time of day the CLOCK page reads, instead of the browser's.
  function fixedLocalTime() {
    const text = new URLSearchParams(location.search).get('local-time');
    if (text === null) return null;
    const m = /^(\d\d):(\d\d):(\d\d)$/.exec(text);
    if (!m || +m[1] > 23 || +m[2] > 59 || +m[3] > 59) {
      say(`local-time=${text} ignored (HH:MM:SS, hours 0-23)`);
      return null;
    }
    return [+m[1], +m[2], +m[3]];
  }

  // Starts the live instrument in the worker, laid out; resolves with which keys it takes, its icon and
  // its view.
  function startWorker(module, localTime, layout) {
    return new Promise((resolve, reject) => {
      worker.onmessage = (e) => {
        const m = e.data;
        if (m.reply) {
          const done = replies.get(m.reply);
          replies.delete(m.reply);
          done(m.result);
        } else if (m.started) {
          resolve(m.started);
        } else if (m.failed) {
          reject(new Error(m.failed));
        }
      };
      worker.onerror = (e) => {
        e.preventDefault();
        reject(new Error(e.message || 'the worker stopped'));
      };
      const picture = canvas.transferControlToOffscreen(), display = small.transferControlToOffscreen();
      worker.postMessage({ start: module, picture, small: display, localTime, layout }, [picture, display]);
    });
  }

  async function start() {
    const response = await fetch(wasmUrl);
    if (!response.ok) throw new Error(`${wasmUrl}: ${response.status} ${response.statusText}`);
    const module = await WebAssembly.compile(await response.arrayBuffer());
    const localTime = fixedLocalTime(), a = area();
    let started;
    if (worker) {
      started = await startWorker(module, localTime, a.layout);
    } else {
      live = liveInstrument(await instantiate(module), canvas, small);
      live.begin(localTime);
      started = { keys: live.keysHandled(), icon: live.icon(), view: live.layout(...a.layout) };
    }
    keysTaken = started.keys;
    place(started.view, a);
    window.addEventListener('resize', layout);
    watchResolution();
    document.addEventListener('visibilitychange', updateSeen);
    new IntersectionObserver((entries) => {
      onScreen = entries[entries.length - 1].isIntersecting;
      updateSeen();
    }).observe(canvas);
    updateSeen();
    canvas.focus({ preventScroll: true });
    setIcon(started.icon);
    runner = await instantiate(module);
  }

  const ready = start().catch((err) => {
    const why = location.protocol === 'file:' ? ' (open it from a web server: make web-serve)' : '';
    say(`The simulator could not start: ${err.message}${why}`);
    throw err;
  });
  ready.catch(() => {}); // reported on the page; a caller awaiting it still sees the error

  window.zt30 = Object.freeze({ ready: ready.then(() => undefined), runScript, frame, file, stats });
})();
