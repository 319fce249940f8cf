// A small static file server for the page, on 127.0.0.1 only: make web-serve, and the browser tests.
//
//   node src/web/serve.mjs [FOLDER [PORT]]     FOLDER: build-web/site; PORT: 8030, 0 for any free one
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { resolve, join, extname, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.svg': 'image/svg+xml',
  '.ico': 'image/x-icon',
};

// Serves folder on 127.0.0.1:port; resolves to the server once it listens (its address().port is the
// port given, or the one chosen for 0).
export function serve(folder, port = 0) {
  const root = resolve(folder);
  const server = createServer(async (req, res) => {
    const send = (code, type, body) => {
      res.writeHead(code, { 'Content-Type': type, 'Cache-Control': 'no-cache', 'X-Content-Type-Options': 'nosniff' });
      res.end(req.method === 'HEAD' ? undefined : body);
    };
    if (req.method !== 'GET' && req.method !== 'HEAD') return send(405, 'text/plain', 'method not allowed\n');
    let path;
    try {
      path = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    } catch {
      return send(400, 'text/plain', 'bad request\n');
    }
    if (path.endsWith('/')) path += 'index.html';
    const file = join(root, path);
    if (file !== root && !file.startsWith(root + sep)) return send(403, 'text/plain', 'forbidden\n');
    try {
      send(200, TYPES[extname(file)] || 'application/octet-stream', await readFile(file));
    } catch {
      send(404, 'text/plain', 'not found\n');
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => done(server));
  });
}

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const folder = process.argv[2] || 'build-web/site';
  const port = process.argv[3] === undefined ? 8030 : Number(process.argv[3]);
  if (!Number.isInteger(port) || port < 0 || port > 65535) {
    console.error(`serve.mjs: bad port '${process.argv[3]}' (0-65535)`);
    process.exit(2);
  }
  serve(folder, port).then(
    (server) => console.log(`Serving ${folder} at http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`),
    (err) => {
      console.error(`serve.mjs: cannot serve on 127.0.0.1:${port}: ${err.message}`);
      process.exit(1);
    });
}
