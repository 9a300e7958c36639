// The tool's panel as the plug-in registered it: its groups and controls with their
// labels, the values the tool's settings hold, and the tool's own enable rule.

// What each panel element last showed, and its controls with whether each is enabled.
const rendered = new WeakMap();

// pathOf(id): the path of the object with that id, for the link fields. A panel that
// would look the same is kept, not made again: only the controls' enabled state, which
// the page turns off while it waits for an answer, is given back.
export function renderPanel(element, state, pathOf, picking, actions) {
  const linkPaths = (state.panel?.groups ?? []).flatMap((group) => group.controls)
    .filter((control) => control.kind === 'link' && control.value !== null)
    .map((control) => pathOf(control.value));
  const key = JSON.stringify([state.tool, state.panel, picking, linkPaths]);
  const last = rendered.get(element);
  if (last?.key === key) {
    for (const [node, enabled] of last.controls) node.disabled = !enabled;
    return;
  }
  const heading = document.createElement('h2');
  heading.textContent = state.tool.name;
  const help = document.createElement('p');
  help.className = 'tool-help';
  help.textContent = state.tool.help;
  const parts = [heading, help];
  if (!state.panel) {
    const none = document.createElement('p');
    none.textContent = 'The tool registered no panel.';
    parts.push(none);
  }
  for (const group of state.panel?.groups ?? []) {
    const fieldset = document.createElement('fieldset');
    const legend = document.createElement('legend');
    legend.textContent = group.label;
    fieldset.append(legend);
    const buttons = document.createElement('div');
    buttons.className = 'buttons';
    for (const control of group.controls) {
      if (control.kind === 'button') {
        buttons.append(button(control.label, control, () => actions.press(control.id)));
        continue;
      }
      const row = document.createElement('label');
      row.className = 'control';
      const caption = document.createElement('span');
      caption.textContent = control.label;
      row.append(caption, field(control, pathOf, picking, actions));
      fieldset.append(row);
    }
    if (buttons.children.length) fieldset.append(buttons);
    parts.push(fieldset);
  }
  element.replaceChildren(...parts);
  rendered.set(element, { key, controls: [...element.querySelectorAll('[data-control]')]
    .filter((node) => 'disabled' in node).map((node) => [node, !node.disabled]) });
}

function button(text, control, onClick) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = text;
  b.dataset.control = control.id;
  b.disabled = !control.enabled;
  b.addEventListener('click', onClick);
  return b;
}

function field(control, pathOf, picking, actions) {
  if (control.kind === 'choice') {
    const select = document.createElement('select');
    select.dataset.control = control.id;
    select.disabled = !control.enabled;
    for (const value of control.values) select.add(new Option(value.label, value.id));
    select.value = String(control.value);
    select.addEventListener('change', () => actions.set(control.id, Number(select.value)));
    return select;
  }
  if (control.kind === 'flag') {
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.dataset.control = control.id;
    box.disabled = !control.enabled;
    box.checked = control.value;
    box.addEventListener('change', () => actions.set(control.id, box.checked));
    return box;
  }
  // A link: the linked object's path, picked in the view or the outliner.
  const link = document.createElement('span');
  link.className = 'link';
  const shown = document.createElement('output');
  shown.dataset.control = control.id;
  shown.textContent = control.value === null ? '—' : pathOf(control.value);
  const pick = button('Pick', control, () => actions.startPick(control.id));
  pick.classList.toggle('active', picking === control.id);
  pick.title = 'Then click an object in the view or the list';
  const clear = button('×', control, () => actions.set(control.id, null));
  clear.title = 'No object';
  link.append(shown, pick, clear);
  return link;
}
