// `kestrum view` in Debian's headless chromium (software WebGL, as the page test uses),
// on generated scenes, next to its peer in the same run: a plain three.js page loading
// the same scene converted to .glb with three's own GLTFLoader. One table row per size:
//   node bench/view_browser.mjs BUILD_FOLDER [SIZES...] [--rounds K] [--screenshot FILE@SIZE]
// Each size is opened K times on each side (3 by default), the sides taking turns to go
// first, and every column is the median of its rounds: on these shared cores one load of a
// small scene varies by a third from the next.
// First frame: from navigation to the first frame drawing every object (the view says
// so on its viewport; the peer once its scene is added and two frames are drawn).
// Press: from the click on "Align selected" to the first frame drawn after the answer.
// One frame: the same page redrawing the same scene (the Fit button), for scale: the mean
// of three redraws in a row, so that each includes compositing the one before.
// One frame after the press: the same, of the pressed scene (a wheel step too small to see).
// Select by filter: the outliner's Select on the objects a filter keeps, to the frame.
// Every time is read after reading back a pixel, so the software renderer has really drawn.
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const args = process.argv.slice(2);
const shotAt = args.indexOf('--screenshot');
const [shotFile, shotSize] = shotAt >= 0 ? args.splice(shotAt, 2)[1].split('@') : [];
const roundsAt = args.indexOf('--rounds');
const rounds = roundsAt >= 0 ? Number(args.splice(roundsAt, 2)[1]) : 3;
const [build, ...sizeArgs] = args;
const sizes = (sizeArgs.length ? sizeArgs : ['100', '1000', '10000', '100000']).map(Number);
const root = path.dirname(path.dirname(fileURLToPath(import.meta.url)));
const command = path.join(build, 'command/kestrum');
const generator = path.join(build, 'bench/kestrum_generate_scene');
const work = mkdtempSync(path.join(os.tmpdir(), 'kestrum-view-bench-'));
const kTimeout = 600_000;

const residentMb = (pid) => {
  const status = readFileSync(`/proc/${pid}/status`, 'utf8');
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]) / 1024;
};

// Objects in a scene file, children nested under their parents.
const objectCount = (objects) => objects.reduce((sum, o) => sum + 1 + objectCount(o.children ?? []), 0);

async function startView(scene) {
  const view = spawn(command, ['view', scene], { stdio: ['ignore', 'pipe', 'inherit'] });
  const address = await new Promise((resolve, reject) => {
    let output = '';
    view.stdout.on('data', (chunk) => {
      output += chunk;
      if (output.includes('\n')) resolve(output.split('\n')[0]);
    });
    view.on('exit', (code) => reject(new Error(`kestrum view ended early (${code})`)));
  });
  return { view, address };
}

// The peer: three's GLTFLoader on the .glb, from a static server of three's files.
function startPeer(glb) {
  const three = path.join(root, 'node_modules/three');
  const page = `<!doctype html><body style="margin:0"><script type="importmap">
    { "imports": { "three": "/three/build/three.module.js" } }</script>
    <script type="module">
    import * as THREE from 'three';
    import { GLTFLoader } from '/three/examples/jsm/loaders/GLTFLoader.js';
    const renderer = new THREE.WebGLRenderer({ antialias: true });
    renderer.setSize(innerWidth, innerHeight);
    document.body.append(renderer.domElement);
    const scene = new THREE.Scene();
    scene.add(new THREE.HemisphereLight(0xffffff, 0x303840, 2));
    const camera = new THREE.PerspectiveCamera(45, innerWidth / innerHeight, 1, 1e7);
    new GLTFLoader().load('/scene.glb', (gltf) => {
      scene.add(gltf.scene);
      const box = new THREE.Box3().setFromObject(gltf.scene);
      const radius = box.getSize(new THREE.Vector3()).length() / 2 || 1;
      camera.position.copy(box.getCenter(new THREE.Vector3())).add(new THREE.Vector3(1, 0.8, 1.3).setLength(2.5 * radius));
      camera.lookAt(box.getCenter(new THREE.Vector3()));
      let frames = 0;
      const frame = () => {
        renderer.render(scene, camera);
        if (++frames < 2) return requestAnimationFrame(frame);
        const gl = renderer.getContext();
        gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
        document.body.dataset.ready = 'true';
      };
      requestAnimationFrame(frame);
    });
    </script></body>`;
  const types = { '.js': 'text/javascript' };
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://x').pathname;
    try {
      if (url === '/') return response.end(page);
      if (url === '/scene.glb') return response.end(readFileSync(glb));
      if (url.startsWith('/three/') && !url.includes('..')) {
        response.setHeader('Content-Type', types[path.extname(url)] ?? 'application/octet-stream');
        return response.end(readFileSync(path.join(three, url.slice('/three/'.length))));
      }
    } catch { /* answered below */ }
    response.statusCode = 404;
    response.end();
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () =>
    resolve({ server, address: `http://127.0.0.1:${server.address().port}/` })));
}

// The JS heap after a collection, and beside it the array buffers' stores it points to
// (typed arrays keep their bytes outside the heap), in MB.
async function heapMb(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('HeapProfiler.collectGarbage');
  const { usedSize, backingStorageSize = 0 } = await cdp.send('Runtime.getHeapUsage');
  await cdp.detach();
  return { heap: usedSize / 1e6, buffers: backingStorageSize / 1e6 };
}

// Per field, the median of the rounds' results (for an even count, the lower middle).
function medians(results) {
  const middle = (values) => [...values].sort((a, b) => a - b)[(values.length - 1) >> 1];
  const of = (key) => (typeof results[0][key] === 'object'
    ? Object.fromEntries(Object.keys(results[0][key]).map((k) => [k, middle(results.map((r) => r[key][k]))]))
    : middle(results.map((r) => r[key])));
  return Object.fromEntries(Object.keys(results[0]).map((key) => [key, of(key)]));
}

// Runs in the page before its own scripts: the first time `drawn` (an expression) holds
// after a change to the page, a pixel is read back and the time since navigation kept.
// Both pages are timed alike, in the page: polling from here would add a frame or more
// and a round trip, by chance more to one side than to the other.
function stampFirstFrame(drawn) {
  const holds = new Function(`return ${drawn}`);
  const observer = new MutationObserver(() => {
    if (!holds()) return;
    const gl = document.querySelector('canvas').getContext('webgl2');
    gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
    window.kestrumFirstFrame = performance.now();
    observer.disconnect();
  });
  observer.observe(document, { attributes: true, childList: true, subtree: true });
}

async function firstFrameSeconds(page) {
  await page.waitForFunction(() => window.kestrumFirstFrame !== undefined, null, { timeout: kTimeout });
  return page.evaluate(() => window.kestrumFirstFrame / 1000);
}

// `count`: the objects the view must draw; `screenshot`: a file for the pressed view.
async function measureView(browser, scene, count, screenshot) {
  const { view, address } = await startView(scene);
  const page = await browser.newPage({ viewport: { width: 1280, height: 760 } });
  try {
    await page.addInitScript(stampFirstFrame, `document.body.dataset.ready &&
      Number(document.querySelector('#viewport').dataset.drawn) === ${count}`);
    await page.goto(address);
    const firstFrame = await firstFrameSeconds(page);
    const sceneBytes = await page.evaluate(() =>
      performance.getEntriesByType('resource').find((e) => e.name.endsWith('/api/scene')).encodedBodySize);
    // Seconds from clicking `button` (or a wheel step on the view: 'wheel') until the view
    // has drawn a frame once `done()` holds.
    // Checked at each change to the page, as the first frame is: polling on animation
    // frames would see the frame only one frame later, and the press and the redraw
    // of the same scene would not wait alike.
    const timeClick = (button, done) => page.evaluate(([selector, test]) => new Promise((resolve) => {
      const viewport = document.querySelector('#viewport');
      const gl = viewport.querySelector('canvas').getContext('webgl2');
      const finished = new Function(`return ${test}`);
      let frames = Infinity;
      const t0 = performance.now();
      const check = () => {
        if (frames === Infinity && finished()) frames = Number(viewport.dataset.frames);
        if (Number(viewport.dataset.frames) <= frames) return;
        gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
        observer.disconnect();
        resolve((performance.now() - t0) / 1000);
      };
      const observer = new MutationObserver(check);
      observer.observe(document, { attributes: true, childList: true, characterData: true, subtree: true });
      if (selector === 'wheel') {
        viewport.querySelector('canvas')
          .dispatchEvent(new WheelEvent('wheel', { deltaY: 1, bubbles: true, cancelable: true }));
      } else {
        document.querySelector(selector).click();
      }
      check();
    }), [button, done]);
    // A frame is only on the screen once the compositor has drawn it too, which the
    // next frame waits for: the mean of a few redraws in a row, each after the one before.
    await timeClick('#fit', 'true');
    const redraws = [];
    for (let i = 0; i < 3; ++i) redraws.push(await timeClick('#fit', 'true'));
    const frame = redraws.reduce((sum, t) => sum + t, 0) / redraws.length;
    const press = await timeClick('#panel button[data-control="10001"]',
                                  "document.querySelector('#status').textContent.includes('the tool answered')");
    // The pressed scene is another scene (every box on the reference's face): one frame
    // of it, drawn for a wheel step too small to see.
    const pressedFrame = await timeClick('wheel', 'true');
    // Selecting what a filter keeps (about a ninth of the objects) with its Select button.
    await page.fill('#outliner input[type=search]', 'Object 1');
    await page.waitForFunction(() => document.querySelector('#outliner .shown').textContent.includes(' of '));
    const select = await timeClick('#outliner .select-shown', "!document.body.classList.contains('busy')");
    const pressBytes = await page.evaluate(() =>
      performance.getEntriesByType('resource').filter((e) => e.name.endsWith('/api/press'))
        .pop().encodedBodySize);
    if (screenshot) {
      // The pressed objects gather at the reference: fitted, their names can be read.
      await timeClick('#fit', 'true');
      await page.screenshot({ path: screenshot });
    }
    const dom = await page.evaluate(() => document.getElementsByTagName('*').length);
    return { firstFrame, frame, press, pressedFrame, select, dom, heap: await heapMb(page), server: residentMb(view.pid),
             sceneBytes, pressBytes };
  } finally {
    await page.close();
    view.kill('SIGTERM');
  }
}

async function measurePeer(browser, glb) {
  const { server, address } = await startPeer(glb);
  const page = await browser.newPage({ viewport: { width: 1280, height: 760 } });
  try {
    await page.addInitScript(stampFirstFrame, 'document.body.dataset.ready');
    await page.goto(address);
    return { firstFrame: await firstFrameSeconds(page), heap: await heapMb(page),
             dom: await page.evaluate(() => document.getElementsByTagName('*').length) };
  } finally {
    await page.close();
    server.close();
  }
}

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
// The browser's first page pays for starting its renderer and GPU processes and the
// software GL; a user's browser is running already. One throwaway WebGL page first, so
// neither side of the first row pays that, and the two sides take turns going first.
async function warmUp(browser) {
  const page = await browser.newPage();
  // Multisampled, as both pages draw, and beside some text, as a user's browser has
  // drawn before.
  await page.setContent('<p>kestrum</p><canvas width="64" height="64"></canvas>');
  await page.evaluate(() => {
    const gl = document.querySelector('canvas').getContext('webgl2', { antialias: true });
    gl.clearColor(0, 0, 0, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
  });
  await page.close();
}

try {
  await warmUp(browser);
  console.log('\nkestrum view in headless chromium (SwiftShader), next to three.js GLTFLoader on the same scene as .glb:\n');
  console.log(`Medians of ${rounds} round(s) a side, the sides taking turns to go first.\n`);
  console.log('| Objects | View: first frame s | Peer: first frame s | View / peer | Each round\'s view / peer | View: one frame s | ' +
              'Press to redrawn frame s | Press / frame | One frame after the press s | Select by filter to redrawn frame s | View: JS heap + buffers MB | Peer: JS heap + buffers MB | ' +
              'View: DOM nodes | Server RSS MB | First load MB | Press answer MB |');
  console.log('|---:|---:|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|');
  for (const n of sizes) {
    const scene = path.join(work, `scene-${n}.json`);
    const glb = path.join(work, `scene-${n}.glb`);
    execFileSync(generator, ['--objects', String(n), '--output', scene]);
    execFileSync(command, ['convert', scene, glb], { stdio: 'ignore' });
    const count = objectCount(JSON.parse(readFileSync(scene, 'utf8')).objects);
    const views = [];
    const peers = [];
    for (let round = 0; round < rounds; ++round) {
      const screenshot = round === 0 && Number(shotSize) === n ? shotFile : null;
      const view = async () => views.push(await measureView(browser, scene, count, screenshot));
      const peer = async () => peers.push(await measurePeer(browser, glb));
      const viewFirst = (sizes.indexOf(n) + round) % 2 === 0;
      await (viewFirst ? view() : peer());
      await (viewFirst ? peer() : view());
    }
    const [v, p] = [medians(views), medians(peers)];
    const f = (x, digits = 2) => x.toFixed(digits);
    const heap = ({ heap, buffers }) => `${f(heap, 0)} + ${f(buffers, 0)}`;
    console.log(`| ${n} | ${f(v.firstFrame)} | ${f(p.firstFrame)} | ${f(v.firstFrame / p.firstFrame)} | ` +
                `${views.map((each, i) => f(each.firstFrame / peers[i].firstFrame)).join(' ')} | ` +
                `${f(v.frame, 3)} | ${f(v.press)} | ${f(v.press / v.frame, 1)} | ${f(v.pressedFrame, 3)} | ${f(v.select)} | ${heap(v.heap)} | ` +
                `${heap(p.heap)} | ${v.dom} | ${f(v.server, 0)} | ${f(v.sceneBytes / 1e6, 1)} | ` +
                `${f(v.pressBytes / 1e6, 2)} |`);
    rmSync(scene);
    rmSync(glb);
  }
} finally {
  await browser.close();
  rmSync(work, { recursive: true, force: true });
}
