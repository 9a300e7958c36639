// The view's compact form: a client that loads the scene once and then applies every
// action's answer must end with what a fresh full load gives, and with the positions
// the readable state reports. Uses the page's own decoder and store.
//
// Environment: KESTRUM_COMMAND, KESTRUM_SOURCE_DIR, KESTRUM_ARTIFACTS, and
// KESTRUM_GENERATE_SCENE (the scene generator, when built: a nested scene is tried too).
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { copyFileSync, mkdirSync } from 'node:fs';
import path from 'node:path';

const source = process.env.KESTRUM_SOURCE_DIR;
const artifacts = process.env.KESTRUM_ARTIFACTS;
const page = path.join(source, 'view/page');
const { decodeFrame } = await import(path.join(page, 'frame.js'));
const { SceneStore } = await import(path.join(page, 'scene_store.js'));

mkdirSync(artifacts, { recursive: true });
const demo = path.join(artifacts, 'transfer-demo.json');
copyFileSync(path.join(source, 'examples/demo.json'), demo);
const scenes = [demo];
if (process.env.KESTRUM_GENERATE_SCENE) {
  scenes.push(path.join(artifacts, 'transfer-generated.json'));
  execFileSync(process.env.KESTRUM_GENERATE_SCENE,
               ['--objects', '300', '--per-group', '7', '--output', scenes[1]]);
}

async function check(scene) {
  const view = spawn(process.env.KESTRUM_COMMAND, ['view', scene],
                     { stdio: ['ignore', 'pipe', 'inherit'] });
  const address = await new Promise((resolve) => {
    let output = '';
    view.stdout.on('data', (chunk) => {
      output += chunk;
      if (output.includes('\n')) resolve(new URL(output.split('\n')[0]));
    });
  });
  const headers = { 'X-Kestrum-Token': address.searchParams.get('token') };
  const get = async (route) => (await fetch(new URL(route, address), { headers }));
  const scene0 = async () => decodeFrame(await (await get('/api/scene')).arrayBuffer());
  const post = async (action, body) => {
    const response = await fetch(new URL(`/api/${action}`, address), {
      method: 'POST', headers: { ...headers, 'Content-Type': 'application/json' },
      body: JSON.stringify(body) });
    assert.equal(response.status, 200, `${action} ${JSON.stringify(body)}`);
    return decodeFrame(await response.arrayBuffer());
  };
  try {
    const store = new SceneStore(await scene0());
    const id = (i) => store.ids[i];
    const n = store.count;
    const actions = [
      ['select', { objects: [id(2), id(3)] }, 'selects two'],
      ['set', { control: 10002, value: id(1) }, 'links the reference'],
      ['set', { control: 10004, value: 10007 }, 'sets a choice'],
      ['press', { control: 10001 }, 'moves the selection'],
      ['select', { objects: [id(n - 1)], add: true }, 'adds to the selection'],
      ['press', { control: 10001 }, 'moves again'],
      ['undo', {}, 'undoes'],
      ['select', { objects: [id(0)] }, 'replaces the selection'],
      ['redo', {}, 'redoes'],
      ['stack', { objects: [id(3), id(2)] }, 'stacks two on the reference'],
    ];
    let last = null;
    let moves = 0;
    for (const [action, body, what] of actions) {
      last = await post(action, body);
      if (action === 'select') assert.deepEqual(last.head.moved, [], `${what}: nothing moved`);
      moves += last.head.moved.length;
      store.apply(last);
    }
    assert.ok(moves > 0, 'the presses moved something');

    const full = new SceneStore(await scene0());
    for (const name of ['worlds', 'halfSizes', 'positions', 'rotations', 'selected'])
      assert.deepEqual(store[name], full[name], `${scene}: ${name}`);
    const { objects, arrays, ...summary } = (await scene0()).head;
    const { moved, selected, deselected, arrays: _, ...changed } = last.head;
    assert.deepEqual(changed, summary, `${scene}: panel, undo and redo as a full load has them`);

    const readable = await (await get('/api/state')).json();
    readable.objects.forEach((object, i) =>
      assert.deepEqual(Array.from(store.positions.subarray(3 * i, 3 * i + 3)), object.position,
                       `${scene}: ${object.path}`));
  } finally {
    view.kill('SIGTERM');
  }
}

for (const scene of scenes) await check(scene);
console.log('every answer applied in turn ends where a full load starts');
