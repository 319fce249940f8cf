// The page's front end, appended to the generated module loader. It compiles the program once and runs
// two instances of it: the live instrument, driven from the browser's clock and input and drawn on the
// canvas, and a script runner for window.zt30.runScript, so that a scripted run never disturbs the live
// one. All instrument logic is in the program; this file only decides when to call it.
(() => {
  'use strict';

  const W = 450, H = 550, FRAME_W = 128, FRAME_H = 160, FRAME_X = 165, FRAME_Y = 107;
  const MAX_TICK_BACKLOG = 8; // 10 ms ticks that may run late after a stall, as on the desktop
  const BATCH_MS = 1000;      // while the picture cannot be seen, the ticks run in batches this far apart
  const STILL_MS = 20;        // while it holds still, they run this often
  const SCALE_MAX = 4;        // largest enlargement, in CSS pixels
  // front/keys.h: HostKey and the modifier bits.
  const KEYS = { v: 1, b: 2, ArrowUp: 4, ArrowDown: 5, ArrowLeft: 6, ArrowRight: 7, ' ': 8, F1: 10, '?': 12 };
  const MOD_SHIFT = 1, MOD_CTRL = 2, MOD_ALT = 4;

  const script = document.currentScript;
  const wasmUrl = new URL('zt30.wasm', script && script.src ? script.src : location.href).href;
  const canvas = document.getElementById('zt30-picture');
  const line = document.getElementById('zt30-line');
  const note = document.getElementById('zt30-note');
  // Pixels are only ever put on it, and tests and scripts read them back.
  const ctx = canvas.getContext('2d', { alpha: false, willReadFrequently: true });
  // The live display on a small canvas of its own over the picture: a new frame then touches only that.
  const small = document.getElementById('zt30-display');
  const smallCtx = small.getContext('2d', { alpha: false, willReadFrequently: true });
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();

  let live = null, runner = null;
  let t0 = 0;            // performance.now() when the instrument started: time zero of its ticks
  let seen = true;       // the page is visible and the picture on screen
  let onScreen = true;
  let excuse = false;    // the next run may be far behind by our own doing (batches, a save, a script)
  let frameRequest = 0, stillTimer = 0, batchTimer = 0;
  let image = null;      // the canvas pixels in the live instance's memory
  let dirty = null;      // the canvas pixels changed there since the last draw
  let zoom = 0;          // the enlargement asked for with + and - (device pixels), 0: the largest that fits
  let view = null;
  let shownFirst = false;
  const pointers = new Map(); // pointer id -> where it went down, for a cancelled pointer
  const heldKeys = new Map(); // KeyboardEvent.code -> HostKey sent down

  function say(text) {
    note.textContent = text ? text + ' · ' : '';
  }

  // ---- Time ----------------------------------------------------------------------------------------

  function advance() {
    live._web_advance(performance.now() - t0, excuse || !seen ? -1 : MAX_TICK_BACKLOG);
    excuse = false;
  }

  // The ticks run on a timer every STILL_MS; when they changed the picture, the next animation frame
  // draws it. A moving picture is so drawn on every other display frame or so, a still one costs the
  // browser no frames at all.
  function onFrame() {
    frameRequest = 0;
    if (!seen) return;
    advance();
    update();
    draw();
    stillTimer = setTimeout(onStill, STILL_MS);
  }

  function onStill() {
    stillTimer = 0;
    if (!seen) return;
    advance();
    if (update()) frameRequest = requestAnimationFrame(onFrame);
    else stillTimer = setTimeout(onStill, STILL_MS);
  }

  function onBatch() {
    batchTimer = 0;
    if (seen) return;
    advance();
    batchTimer = setTimeout(onBatch, BATCH_MS);
  }

  // Drawn on animation frames while seen; otherwise the ticks run in batches and nothing is drawn.
  function updateSeen() {
    const now = document.visibilityState === 'visible' && onScreen;
    if (now === seen) return;
    seen = now;
    clearTimeout(batchTimer);
    clearTimeout(stillTimer);
    cancelAnimationFrame(frameRequest);
    batchTimer = stillTimer = frameRequest = 0;
    if (seen) {
      excuse = true;
      frameRequest = requestAnimationFrame(onFrame);
    } else {
      releaseKeys();
      batchTimer = setTimeout(onBatch, BATCH_MS);
    }
  }

  // ---- Picture -------------------------------------------------------------------------------------

  function readView(ptr) {
    const v = live.HEAP32.subarray(ptr >> 2, (ptr >> 2) + 10);
    return { up: v[0], down: v[1], w: v[2], h: v[3], canvasW: v[4], canvasH: v[5],
             dirtyX: v[6], dirtyY: v[7], dirtyW: v[8], dirtyH: v[9] };
  }

  // Brings the canvas pixels in the instance's memory up to date; true when some changed.
  function update() {
    if (!live._web_present()) return false;
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

  // Puts what changed on the canvas; false when nothing had.
  function draw() {
    if (!dirty) return false;
    const v = view, buffer = live.HEAPU8.buffer;
    if (!image || image.data.buffer !== buffer || image.width !== v.canvasW || image.height !== v.canvasH) {
      const bytes = new Uint8ClampedArray(buffer, live._web_canvas_pixels(), v.canvasW * v.canvasH * 4);
      image = new ImageData(bytes, v.canvasW, v.canvasH);
    }
    const d = dirty;
    const inDisplay = d.x >= FRAME_X && d.y >= FRAME_Y && d.x + d.w <= FRAME_X + FRAME_W && d.y + d.h <= FRAME_Y + FRAME_H;
    if (v.down > 1 || !inDisplay) ctx.putImageData(image, 0, 0, d.x, d.y, d.w, d.h);
    if (v.down === 1) smallCtx.putImageData(image, -FRAME_X, -FRAME_Y, FRAME_X, FRAME_Y, FRAME_W, FRAME_H);
    dirty = null;
    if (!shownFirst) {
      shownFirst = true;
      performance.mark('zt30-first-picture');
    }
    return true;
  }

  let viewPtr = 0;

  // The largest whole enlargement that fits (or the one asked for), in device pixels, centred above
  // the line of controls.
  function layout() {
    const dpr = window.devicePixelRatio || 1;
    const lineH = line.getBoundingClientRect().height;
    const areaW = Math.floor(document.documentElement.clientWidth * dpr);
    const areaH = Math.max(1, Math.floor((window.innerHeight - lineH) * dpr));
    const maxUp = Math.max(1, Math.floor(SCALE_MAX * dpr + 1e-6));
    viewPtr = live._web_layout(areaW, areaH, zoom ? Math.min(zoom, maxUp) : maxUp);
    const v = view = readView(viewPtr);
    if (canvas.width !== v.canvasW || canvas.height !== v.canvasH) {
      canvas.width = v.canvasW;
      canvas.height = v.canvasH;
    }
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
    dirty = null;
    update();
    draw();
  }

  function zoomBy(step) {
    const now = view.down > 1 ? 1 : view.up;
    zoom = step === 0 ? 0 : Math.max(1, now + step);
    layout();
    // + stops at the largest that fits: remember no more than that.
    if (zoom > view.up) zoom = view.down > 1 ? 1 : view.up;
  }

  function watchResolution() {
    const query = matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
    query.addEventListener('change', () => {
      layout();
      watchResolution();
    }, { once: true });
  }

  // ---- Input ---------------------------------------------------------------------------------------

  function toPicture(e) {
    const r = canvas.getBoundingClientRect();
    return [Math.floor((e.clientX - r.left) * W / r.width), Math.floor((e.clientY - r.top) * H / r.height)];
  }

  function pointerDown(e) {
    const [x, y] = toPicture(e);
    pointers.set(e.pointerId, [x, y]);
    canvas.setPointerCapture(e.pointerId); // the release comes here wherever it happens
    advance();
    live._web_pointer(e.pointerId, 1, x, y);
  }

  function pointerUp(e, where) {
    if (!pointers.has(e.pointerId)) return;
    const [x, y] = where || toPicture(e);
    pointers.delete(e.pointerId);
    advance();
    live._web_pointer(e.pointerId, 0, x, y);
  }

  canvas.addEventListener('pointerdown', (e) => {
    if (!live || (e.pointerType === 'mouse' && e.button !== 0)) return;
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
    if (!live || e.pointerType !== 'mouse' || e.button !== 0) return;
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
    if (!live || heldKeys.size === 0) return;
    advance();
    heldKeys.clear();
    live._web_keys_release();
  }

  document.addEventListener('keydown', (e) => {
    if (!live) return;
    const k = KEYS[e.key.length === 1 ? e.key.toLowerCase() : e.key];
    const mods = modsOf(e);
    if (k) {
      advance();
      if (live._web_key(k, mods, 1, e.repeat ? 1 : 0)) {
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
    if (!live || !k) return;
    heldKeys.delete(e.code);
    advance();
    live._web_key(k, modsOf(e), 0, 0);
    e.preventDefault();
  });
  window.addEventListener('blur', releaseKeys);

  document.getElementById('zt30-help').addEventListener('click', (e) => {
    e.preventDefault();
    if (live) live._web_help_toggle();
  });

  // ---- Saving --------------------------------------------------------------------------------------

  function two(n) {
    return String(n).padStart(2, '0');
  }

  function save(displayOnly) {
    advance();
    const n = live._web_save_png(displayOnly ? 1 : 0);
    excuse = true; // encoding held the ticks up: they catch up, not a stall
    if (!n) {
      say('The picture could not be saved');
      return;
    }
    const p = live._web_png();
    const blob = new Blob([live.HEAPU8.slice(p, p + n)], { type: 'image/png' });
    const d = new Date();
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = `zt30-${d.getFullYear()}${two(d.getMonth() + 1)}${two(d.getDate())}-` +
                 `${two(d.getHours())}${two(d.getMinutes())}${two(d.getSeconds())}.png`;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 60000);
    say(`Saved ${a.download}`);
    setTimeout(() => say(''), 4000);
  }

  // ---- The scripting interface ---------------------------------------------------------------------

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
    excuse = true; // the live instrument waited meanwhile
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

  function stats() {
    if (!live) throw notReady('stats');
    const p = live._web_stats() >> 3;
    const s = live.HEAPF64.subarray(p, p + 6);
    return { ticks10ms: s[0], ticks100ms: s[1], ticks1s: s[2], ticksDropped: s[3], ranUntilMs: s[4],
             framesRendered: s[5], nowMs: performance.now() - t0, seen,
             scale: view.down > 1 ? 1 / view.down : view.up, devicePixelRatio: window.devicePixelRatio || 1 };
  }

  // ---- Start ---------------------------------------------------------------------------------------

  function instantiate(module) {
    return zt30Program({
      instantiateWasm(imports, done) {
        WebAssembly.instantiate(module, imports).then((instance) => done(instance));
        return {};
      },
    });
  }

  function setIcon() {
    const size = 64;
    const p = live._web_icon(size);
    const c = document.createElement('canvas');
    c.width = c.height = size;
    c.getContext('2d', { willReadFrequently: true }).putImageData(
      new ImageData(new Uint8ClampedArray(live.HEAPU8.slice(p, p + size * size * 4).buffer), size, size), 0, 0);
    document.querySelector('link[rel="icon"]').href = c.toDataURL('image/png');
  }

  // ?local-time=HH:MM:SS: the local time of day the CLOCK page reads, instead of the browser's.
  function fixedLocalTime() {
    const text = new URLSearchParams(location.search).get('local-time');
    if (text === null) return;
    const m = /^(\d\d):(\d\d):(\d\d)$/.exec(text);
    if (!m || +m[1] > 23 || +m[2] > 59 || +m[3] > 59) {
      say(`local-time=${text} ignored (HH:MM:SS, hours 0-23)`);
      return;
    }
    live._web_set_local_time(+m[1], +m[2], +m[3]);
  }

  async function start() {
    const response = await fetch(wasmUrl);
    if (!response.ok) throw new Error(`${wasmUrl}: ${response.status} ${response.statusText}`);
    const module = await WebAssembly.compile(await response.arrayBuffer());
    live = await instantiate(module);
    fixedLocalTime();
    live._web_begin();
    t0 = performance.now();
    layout();
    frameRequest = requestAnimationFrame(onFrame);
    window.addEventListener('resize', layout);
    watchResolution();
    document.addEventListener('visibilitychange', updateSeen);
    new IntersectionObserver((entries) => {
      onScreen = entries[entries.length - 1].isIntersecting;
      updateSeen();
    }).observe(canvas);
    updateSeen();
    canvas.focus({ preventScroll: true });
    setIcon();
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
