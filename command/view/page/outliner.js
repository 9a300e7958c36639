// The scene's hierarchy as a list; each row carries the object's id and the placement
// the host reports, so a reader (or a test) sees exactly what the server said.

export function renderOutliner(list, state, referenceId, onPick) {
  const children = new Map();
  for (const object of state.objects) {
    const key = object.parent ?? 'top';
    if (!children.has(key)) children.set(key, []);
    children.get(key).push(object);
  }
  const build = (key) => {
    const ul = document.createElement('ul');
    for (const object of children.get(key) ?? []) {
      const li = document.createElement('li');
      const row = document.createElement('span');
      row.className = 'row';
      row.classList.toggle('selected', object.selected);
      row.classList.toggle('reference', object.id === referenceId);
      row.textContent = object.name;
      row.title = `${object.path}\nposition ${object.position.map((v) => v.toFixed(3)).join(', ')}`;
      row.dataset.id = object.id;
      row.dataset.path = object.path;
      row.dataset.position = JSON.stringify(object.position);
      row.dataset.rotation = JSON.stringify(object.rotation);
      row.addEventListener('click', (event) => onPick(object.id, event.shiftKey));
      li.append(row);
      if (children.has(object.id)) li.append(build(object.id));
      ul.append(li);
    }
    return ul;
  };
  list.replaceChildren(...build('top').children);
}
