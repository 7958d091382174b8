// Plays a Flash file in a real player (the web player from npm, in headless
// Chromium) and saves a screenshot of chosen frames.
//
//   node play.js FILE.swf OUTDIR [FRAME ...]
//
// Frames are 0-based; "last" names the last frame; without frames, the first
// and the last are taken. Writes OUTDIR/frame_<n>.png and prints one JSON
// line with what the player reported (stage size, frame rate, frame count).
// Exit codes: 0 done, 1 the player failed, 77 the browser cannot start.
//
// The player has no call to stop at a frame (and a movie loops), so the
// file itself is played once to read what the player makes of it (frame
// count, size), and each chosen frame is taken from a one-frame copy that
// holds the frames up to it folded into one. The drawing is not touched.
'use strict';

const fs = require('fs');
const http = require('http');
const path = require('path');

const kChromium = process.env.PW_CHROMIUM || '/usr/bin/chromium';
// The player's WebGL renderer draws shapes as the format says (the 2D-canvas
// one ignores a shape's fill rule); Chromium runs it in software when headless.
const kRenderer = process.env.PW_RUFFLE_RENDERER || 'webgl';

function fail(code, message) {
  process.stderr.write(`play.js: ${message}\n`);
  process.exit(code);
}

// Offset of the 16-bit frame rate in an uncompressed file: after the
// 8-byte header start and the bit-packed stage rectangle.
function frameRateOffset(bytes) {
  const bits = bytes[8] >> 3;
  return 8 + Math.ceil((5 + 4 * bits) / 8);
}

function parseMovie(bytes) {
  if (bytes.length < 12 || String.fromCharCode(bytes[0], bytes[1], bytes[2]) !== 'FWS') {
    fail(1, 'not an uncompressed Flash file');
  }
  const at = frameRateOffset(bytes);
  return { frameRate: bytes.readUInt16LE(at) / 256, frameCount: bytes.readUInt16LE(at + 2), tagsAt: at + 4 };
}

// A one-frame copy showing `frame` (0-based): every tag of the frames up to
// it in order, without their show-frame tags, so the display list is built
// exactly as playing the movie to that frame builds it.
function frameAlone(bytes, tagsAt, frame) {
  const parts = [Buffer.from(bytes.subarray(0, tagsAt))];
  let p = tagsAt;
  let shown = 0;
  while (p + 2 <= bytes.length) {
    const word = bytes.readUInt16LE(p);
    const code = word >> 6;
    let len = word & 0x3f;
    let head = 2;
    if (len === 0x3f) {
      len = bytes.readUInt32LE(p + 2);
      head = 6;
    }
    const tag = bytes.subarray(p, p + head + len);
    p += head + len;
    if (code === 0) break;
    if (code !== 1) {
      parts.push(tag);
    } else if (shown++ === frame) {
      parts.push(tag, Buffer.from([0, 0]));
      const copy = Buffer.concat(parts);
      copy.writeUInt32LE(copy.length, 4);
      copy.writeUInt16LE(1, tagsAt - 2);
      return copy;
    }
  }
  fail(1, `the file has no frame ${frame}`);
}

function serve(root, movies) {
  const page = `<!doctype html><html><head><style>
    html, body { margin: 0; padding: 0; background: #808080; overflow: hidden; }
    #stage { position: absolute; left: 0; top: 0; }
  </style><script src="/ruffle/ruffle.js"></script></head><body><div id="stage"></div></body></html>`;
  const types = { '.js': 'text/javascript', '.wasm': 'application/wasm', '.map': 'application/json' };
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(req.url.split('?')[0]);
    if (url === '/' || url === '/index.html') {
      res.writeHead(200, { 'Content-Type': 'text/html' });
      return res.end(page);
    }
    const m = /^\/movie_(-?\d+)\.swf$/.exec(url);
    if (m && movies.has(Number(m[1]))) {
      res.writeHead(200, { 'Content-Type': 'application/x-shockwave-flash' });
      return res.end(movies.get(Number(m[1])));
    }
    if (url.startsWith('/ruffle/')) {
      const file = path.join(root, path.normalize(url.slice('/ruffle/'.length)).replace(/^(\.\.[/\\])+/, ''));
      if (fs.existsSync(file) && fs.statSync(file).isFile()) {
        res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
        return res.end(fs.readFileSync(file));
      }
    }
    res.writeHead(404);
    res.end();
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function main() {
  const [file, outDir, ...frameArgs] = process.argv.slice(2);
  if (!file || !outDir) fail(2, 'usage: node play.js FILE.swf OUTDIR [FRAME ...]');
  const original = fs.readFileSync(file);
  const { frameCount, tagsAt } = parseMovie(original);
  const last = Math.max(frameCount - 1, 0);
  const frames = (frameArgs.length ? frameArgs : ['0', 'last']).map((f) => (f === 'last' ? last : Number(f)));
  if (frames.some((f) => !Number.isInteger(f) || f < 0 || f > last)) fail(2, `frames must lie in 0..${last}`);
  fs.mkdirSync(outDir, { recursive: true });

  let chromium;
  try {
    ({ chromium } = require('playwright-core'));
  } catch (e) {
    fail(77, `playwright-core is not installed (${e.message}); run scripts/install-deps`);
  }
  let browser;
  try {
    browser = await chromium.launch({ executablePath: kChromium, args: ['--no-sandbox', '--disable-gpu'] });
  } catch (e) {
    fail(77, `cannot start ${kChromium}: ${e.message.split('\n')[0]}`);
  }
  const movies = new Map(frames.map((f) => [f, frameAlone(original, tagsAt, f)]));
  movies.set(-1, original);
  const server = await serve(path.join(__dirname, 'node_modules/@ruffle-rs/ruffle'), movies);
  const errors = [];
  try {
    let meta;
    let whole;
    for (const f of [-1, ...frames]) {
      const page = await browser.newPage({ viewport: { width: 64, height: 64 }, deviceScaleFactor: 1 });
      page.on('pageerror', (e) => errors.push(String(e)));
      await page.goto(`http://127.0.0.1:${server.address().port}/`);
      // Load the movie and wait for its size; the element then gets exactly
      // the stage's size so that one stage pixel is one screen pixel.
      meta = await page.evaluate(
        ([renderer, url]) =>
          new Promise((resolve, reject) => {
            const player = window.RufflePlayer.newest().createPlayer();
            player.id = 'player';
            document.getElementById('stage').appendChild(player);
            player.addEventListener('loadedmetadata', () => {
              const m = player.metadata;
              player.style.width = `${m.width}px`;
              player.style.height = `${m.height}px`;
              resolve({ width: m.width, height: m.height, numFrames: m.numFrames, frameRate: m.frameRate });
            });
            player.addEventListener('loadeddata', () => {});
            player
              .load({
                url,
                autoplay: 'on',
                unmuteOverlay: 'hidden',
                splashScreen: false,
                letterbox: 'off',
                contextMenu: 'off',
                preferredRenderer: renderer,
                quality: 'high',
                scale: 'noScale',
                allowScriptAccess: false,
                warnOnUnsupportedContent: false,
              })
              .catch(reject);
            setTimeout(() => reject(new Error('the player reported no movie within 30 s')), 30000);
          }),
        [kRenderer, `/movie_${f}.swf`],
      );
      await page.setViewportSize({ width: meta.width, height: meta.height });
      if (f < 0) {
        whole = meta;
        await page.close();
        continue;
      }
      await new Promise((r) => setTimeout(r, 1500));
      await page.screenshot({ path: path.join(outDir, `frame_${f}.png`), clip: { x: 0, y: 0, width: meta.width, height: meta.height } });
      await page.close();
    }
    if (errors.length) fail(1, `the page reported: ${errors.join('; ')}`);
    process.stdout.write(
      JSON.stringify({ width: whole.width, height: whole.height, frames: whole.numFrames, headerFrames: frameCount, frameRate: whole.frameRate }) + '\n',
    );
  } finally {
    server.closeAllConnections();
    server.close();
    await browser.close();
  }
}

main()
  .then(() => process.exit(0))
  .catch((e) => fail(1, e.stack || String(e)));
