// kestrum view: asks the server for the scene and panel state, sends each action to it,
// and redraws from the state it answers. Nothing here places an object.
import { getMeshBytes, getMeshes, getState, post } from './api.js';
import { renderOutliner } from './outliner.js';
import { renderPanel } from './panel.js';
import { meshGeometry, Viewport } from './viewport.js';

const $ = (selector) => document.querySelector(selector);
let state = null;
let picking = null;  // the link control waiting for an object, or null
let messagesSeen = null;
let pagesSeen = null;
let picked = [];  // the selected objects' ids in the order they were picked, for Stack

const viewport = new Viewport($('#viewport'), (id, add) => pick(id, add));

const actions = {
  set: (control, value) => act('set', { control, value }),
  press: (control) => act('press', { control }),
  startPick: (control) => { picking = picking === control ? null : control; draw(); },
};

function referenceId() {
  const first = state.panel?.groups.flatMap((group) => group.elements)
    .find((control) => control.kind === 'link');
  return first ? first.value : null;
}

async function pick(id, add) {
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
  const selected = state.objects.filter((object) => object.selected).map((object) => object.id);
  picked = picked.filter((id) => selected.includes(id));
  return picked.concat(selected.filter((id) => !picked.includes(id)));
}

async function act(action, body) {
  try {
    show(await post(action, body));
    status(describe(action, body));
  } catch (error) {
    status(error.message, true);
  }
}

function describe(action, body) {
  if (action === 'press') {
    const label = state.panel.groups.flatMap((group) => group.elements)
      .find((control) => control.id === body.control)?.label;
    return `pressed “${label}” (${body.control}): the tool answered ${state.lastPress.answer}`;
  }
  if (action === 'save') return `saved to ${state.saved}`;
  if (action === 'stack') return `stacked ${body.objects.length} object(s), in one undo step`;
  return '';
}

function status(text, error = false) {
  $('#status').textContent = text;
  $('#status').classList.toggle('error', error);
}

function show(next) {
  state = next;
  draw();
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

function draw() {
  const reference = referenceId();
  $('#file').textContent = state.output ? `${state.file} → ${state.output}` : state.file;
  $('#stack').disabled = !state.objects.some((object) => object.selected);
  $('#undo').disabled = state.undoSteps === 0;
  $('#redo').disabled = state.redoSteps === 0;
  $('#viewport').classList.toggle('picking', picking !== null);
  viewport.update(state, reference);
  renderOutliner($('#outliner ul'), state, reference, (id, add) => pick(id, add));
  renderPanel($('#panel'), state, picking, actions);
  $('#console').textContent = state.console.join('\n');
}

$('#fit').addEventListener('click', () => viewport.fit());
$('#stack').addEventListener('click', () => act('stack', { objects: pickedSelection() }));
$('#undo').addEventListener('click', () => act('undo'));
$('#redo').addEventListener('click', () => act('redo'));
$('#save').addEventListener('click', () => {
  if (state.output) return act('save', {});
  if (confirm(`Save over ${state.file}?`)) return act('save', { confirm: true });
});

// One mesh after the other, so a large scene never holds every download at once.
async function loadMeshes() {
  const index = await getMeshes();
  const geometries = [];
  for (const [i, mesh] of index.meshes.entries())
    geometries.push(meshGeometry(await getMeshBytes(i), mesh.vertices, mesh.triangles));
  viewport.setMeshes(geometries);
  if (index.compressedPrimitives > 0)
    status(`${index.compressedPrimitives} compressed primitive(s) (Draco or meshopt) are not ` +
           'decoded here: their boxes stand for them');
  if (index.leftOutMeshes > 0)
    status(`${index.leftOutMeshes} mesh(es) too large to draw: their boxes stand for them`);
}

getState().then(async (first) => {
  show(first);
  await loadMeshes().catch((error) => status(error.message, true));
  document.body.dataset.ready = 'true';
}, (error) => status(error.message, true));
