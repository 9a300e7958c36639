// kestrum view: asks the server for the scene and panel state, sends each action to it,
// and redraws from the state it answers. Nothing here places an object. Actions go one
// after the other, each answer applied in turn; until the last has arrived the page says
// what it waits for and the controls that would send another press are disabled.
import { getMeshBytes, getMeshes, getScene, post } from './api.js';
import { writeIfChanged } from './dom_writes.js';
import { Outliner } from './outliner.js';
import { renderPanel } from './panel.js';
import { SceneStore } from './scene_store.js';
import { meshGeometry, Viewport } from './viewport.js';

const $ = (selector) => document.querySelector(selector);
let state = null;
let store = null;
let picking = null;  // the link control waiting for an object, or null
let waiting = 0;  // actions sent or queued, not answered yet
let queue = Promise.resolve();
let messagesSeen = null;
let pagesSeen = null;
let picked = [];  // the selected objects' ids in the order they were picked, for Stack

const viewport = new Viewport($('#viewport'), (id, add) => pick(id, add));
const outliner = new Outliner($('#outliner'), (id, add) => pick(id, add),
                              (objects, add) => act('select', { objects, add }));

// A changed setting or selection waits its turn behind the answers awaited; a press
// while another is awaited is not sent (nor queued: the first may change what the
// second would do).
const actions = {
  set: (control, value) => act('set', { control, value }),
  press: (control) => held() || act('press', { control }),
  startPick: (control) => { picking = picking === control ? null : control; draw(); },
};

const linkControls = () => (state.panel?.groups ?? []).flatMap((group) => group.controls)
  .filter((control) => control.kind === 'link');

// The reference (the first link) and the object to align (the second), as indices.
function links() {
  const [reference, object] = linkControls().map((control) =>
    control.value === null ? -1 : store.index(control.value));
  return [reference ?? -1, object ?? -1];
}

async function pick(id, add) {
  if (store === null) return;  // a click before the scene has arrived picks nothing
  if (picking !== null) {
    const control = picking;
    picking = null;
    if (id !== null) return act('set', { control, value: id });
    return draw();
  }
  if (!add) picked = [];
  if (id !== null && !picked.includes(id)) picked.push(id);
  return act('select', { objects: id === null ? [] : [id], add });
}

// The selection in the order it was picked; objects selected otherwise follow in list order.
function pickedSelection() {
  const selected = [];
  store.selected.forEach((on, i) => { if (on) selected.push(store.ids[i]); });
  const chosen = new Set(selected);
  picked = picked.filter((id) => chosen.has(id));
  const inPicked = new Set(picked);
  return picked.concat(selected.filter((id) => !inPicked.has(id)));
}

function controlLabel(id) {
  return state.panel.groups.flatMap((group) => group.controls)
    .find((control) => control.id === id)?.label;
}

const kWaiting = {
  press: (body) => `pressing “${controlLabel(body.control)}”…`,
  select: (body) => `selecting ${body.objects.length} object(s)…`,
  set: () => 'setting…', undo: () => 'undoing…', redo: () => 'redoing…', save: () => 'saving…',
  stack: (body) => `stacking ${body.objects.length} object(s)…`,
  group: (body) => `moving ${body.objects.length} object(s) as one…`,
  selection: () => 'aligning against the selection…',
  placement: () => 'setting the placement…',
  distribute: (body) => `spacing ${body.objects.length} object(s) along ${body.axis}…`,
};

// An answer quicker than this changes the page once: in software WebGL each repaint of
// the page costs about a frame. Only after it does the page say what it waits for and
// disable the controls that would send another press; until then presses are ignored.
const kShowWaitingAfterMs = 150;
let waitingTimer = 0;
const kPresses = new Set(['press', 'stack', 'group', 'selection', 'distribute', 'undo', 'redo',
                          'save']);
let pressesAwaited = 0;

const held = () => pressesAwaited > 0;

// Requests stop at a megabyte; a selection of more ids than this goes in several, the
// first replacing or adding as asked and the rest adding, as one action.
const kIdsPerSelect = 5000;

async function send(action, body) {
  if (action !== 'select' || body.objects.length <= kIdsPerSelect) return [await post(action, body)];
  const answers = [];
  try {
    for (let at = 0; at < body.objects.length; at += kIdsPerSelect)
      answers.push(await post(action, { objects: body.objects.slice(at, at + kIdsPerSelect),
                                        add: at === 0 ? body.add : true }));
  } catch (error) {
    error.answers = answers;  // what was taken before it, which later answers build on
    throw error;
  }
  return answers;
}

// Each answer says what changed since the one before, so they are applied in order.
function act(action, body = {}) {
  ++waiting;
  const pressing = kPresses.has(action);
  if (pressing) ++pressesAwaited;
  document.body.classList.add('busy');
  const waitingText = kWaiting[action](body);
  clearTimeout(waitingTimer);
  waitingTimer = setTimeout(() => {
    document.body.classList.add('waited');
    status(waitingText);
    disableControls();
  }, kShowWaitingAfterMs);
  queue = queue.then(async () => {
    try {
      show(await send(action, body));
      if (waiting === 1) status(describe(action, body));
    } catch (error) {
      if (error.answers?.length) show(error.answers);
      status(error.message, true);
    } finally {
      --waiting;
      if (pressing) --pressesAwaited;
      if (waiting === 0) {
        clearTimeout(waitingTimer);
        document.body.classList.remove('busy', 'waited');
      }
      draw();
    }
  });
  return queue;
}

function describe(action, body) {
  if (action === 'press')
    return `pressed “${controlLabel(body.control)}”: ${state.lastPress.summary}`;
  if (action === 'save') return `saved to ${state.saved}`;
  if (action === 'stack')
    return `stacked ${body.objects.length} object(s), in one undo step: ${state.lastPress.summary}`;
  if (action === 'group') return `moved as one group: ${state.lastPress.summary}`;
  if (action === 'selection') return `aligned against the selection: ${state.lastPress.summary}`;
  if (action === 'distribute')
    return `spaced along ${body.axis}, in one undo step: ${state.lastPress.summary}`;
  if (action === 'placement') return `placing in the ${state.placement.frame} frame`;
  return '';
}

function status(text, error = false) {
  writeIfChanged($('#status'), 'textContent', text);
  $('#status').classList.toggle('error', error);
}

function disableControls() {
  for (const control of document.querySelectorAll(
    '#panel button, #panel select, #panel input, #stack, #group, #selection, #undo, #redo, #save, ' +
    '#placement select, #placement input, #placement button, #outliner button'))
    control.disabled = true;
}

// `frames`: the first load, or what an action changed, in one answer or several; the
// view is redrawn once for all. The caller redraws the rest of the page once it knows
// whether more answers are awaited.
function show(frames) {
  const first = store === null;
  const moved = new Set();
  const reselected = new Set();
  for (const frame of frames) {
    if (store === null) {
      store = new SceneStore(frame);
    } else {
      const changed = store.apply(frame);
      for (const i of changed.moved) moved.add(i);
      for (const i of changed.reselected) reselected.add(i);
    }
    // The store holds the objects from here on; the head is the rest of the state.
    const { objects, moved: _, selected, deselected, arrays, ...rest } = frame.head;
    state = rest;
  }
  if (first) {
    status(`drawing ${store.count} objects…`);
    viewport.setScene(store, links());
    outliner.setScene(store);
  } else {
    viewport.update(moved, reselected, links());
  }
  // What the plug-in showed since the last state: its messages, the pages it opened.
  if (messagesSeen !== null) {
    for (const message of state.messages.slice(messagesSeen)) {
      $('#message p').textContent = message.text;
      if (!$('#message').open) $('#message').showModal();
    }
    for (let page = pagesSeen; page < state.openedPages; ++page)
      window.open(`/api/opened/${page}`, '_blank');
  }
  messagesSeen = state.messages.length;
  pagesSeen = state.openedPages;
}

// Everything but the 3D view, which show() updated in place.
function draw() {
  writeIfChanged($('#file'), 'textContent',
                 state.output ? `${state.file} → ${state.output}` : state.file);
  for (const workflow of ['#stack', '#group', '#selection'])
    $(workflow).disabled = !store.selected.includes(1);
  writeIfChanged($('#frame'), 'value', state.placement.frame);
  $('#frame').disabled = false;
  // One number for every axis: the field shows it while all three agree.
  const [gx, gy, gz] = state.placement.gap;
  if (document.activeElement !== $('#gap') && gx === gy && gy === gz)
    writeIfChanged($('#gap'), 'value', String(gx));
  $('#gap').disabled = false;
  const selectedCount = store.selected.reduce((count, on) => count + (on ? 1 : 0), 0);
  for (const axis of ['x', 'y', 'z']) $(`#distribute-${axis}`).disabled = selectedCount < 3;
  $('#undo').disabled = state.undoSteps === 0;
  $('#redo').disabled = state.redoSteps === 0;
  $('#save').disabled = false;
  $('#viewport').classList.toggle('picking', picking !== null);
  outliner.refresh(links()[0]);
  renderPanel($('#panel'), state, (id) => { const i = store.index(id); return i < 0 ? '?' : store.paths[i]; },
              picking, actions);
  writeIfChanged($('#console'), 'textContent', state.console.join('\n'));
  $('#outliner .select-shown').disabled = false;
  if (document.body.classList.contains('waited')) disableControls();
}

$('#fit').addEventListener('click', () => viewport.fit());
// The stack is the selection as it stands: not taken while a change to it is awaited.
$('#stack').addEventListener('click', () => waiting > 0 || act('stack', { objects: pickedSelection() }));
$('#group').addEventListener('click', () => waiting > 0 || act('group', { objects: pickedSelection() }));
$('#selection').addEventListener('click', () => waiting > 0 || act('selection', {}));
$('#frame').addEventListener('change', () => act('placement', { frame: $('#frame').value }));
$('#gap').addEventListener('change', () => {
  const gap = Number($('#gap').value);
  if ($('#gap').value.trim() === '' || !Number.isFinite(gap)) {
    status('Gap: give a number', true);
    return undefined;
  }
  return act('placement', { gap });
});
for (const axis of ['x', 'y', 'z']) {
  $(`#distribute-${axis}`).addEventListener('click', () => {
    if (waiting > 0) return undefined;
    const gap = state.placement.gap[axis.charCodeAt(0) - 'x'.charCodeAt(0)];
    return act('distribute', { axis, objects: pickedSelection(), gap: gap === 0 ? null : gap });
  });
}
$('#undo').addEventListener('click', () => held() || act('undo'));
$('#redo').addEventListener('click', () => held() || act('redo'));
$('#save').addEventListener('click', () => {
  if (held()) return undefined;
  if (state.output) return act('save', {});
  if (confirm(`Save over ${state.file}?`)) return act('save', { confirm: true });
});

// One mesh after the other, so a large scene never holds every download at once.
async function loadMeshes(listed) {
  const index = await listed;
  const geometries = [];
  for (const [i, mesh] of index.meshes.entries()) {
    status(`loading mesh ${i + 1} of ${index.meshes.length}…`);
    geometries.push(meshGeometry(await getMeshBytes(i), mesh.vertices, mesh.triangles));
  }
  viewport.setMeshes(geometries);
  status(`${store.count} objects drawn`);
  if (index.compressedPrimitives > 0)
    status(`${index.compressedPrimitives} compressed primitive(s) (Draco or meshopt) are not ` +
           'decoded here: their boxes stand for them');
  if (index.leftOutMeshes > 0)
    status(`${index.leftOutMeshes} mesh(es) too large to draw: their boxes stand for them`);
}

++waiting;
document.body.classList.add('busy', 'waited');
disableControls();
status('loading the scene…');
// Asked for beside the scene, so neither waits for the other.
const meshList = getMeshes();
meshList.catch(() => {});  // reported when the meshes are loaded
getScene((bytes) => status(`loading the scene: ${(bytes / 1e6).toFixed(1)} MB received`))
  .then(async (first) => {
    show([first]);
    --waiting;
    document.body.classList.remove('busy', 'waited');
    draw();
    await loadMeshes(meshList).catch((error) => status(error.message, true));
    document.body.dataset.ready = 'true';
  }, (error) => status(error.message, true));
