// The scene's hierarchy as a list, indented by depth. Only the rows on screen exist: the
// list is a tall spacer and a few reused rows placed where the scroll says, so a scene
// of any size costs the same DOM. Each row carries the object's id and the placement
// the host reports, so a reader (or a test) sees exactly what the server said.
import { writeIfChanged } from './dom_writes.js';

const kRowHeight = 20;
const kSpare = 10;  // rows drawn beyond the visible ones, so a fast scroll shows no gap

// The objects in hierarchy order (parents before their children, siblings in the
// server's order) and each one's depth.
function treeOrder(parents) {
  const n = parents.length;
  const first = new Int32Array(n + 1).fill(-1);  // first child; slot n for the top level
  const next = new Int32Array(n).fill(-1);
  for (let i = n - 1; i >= 0; --i) {
    const parent = parents[i] < 0 ? n : parents[i];
    next[i] = first[parent];
    first[parent] = i;
  }
  const order = new Int32Array(n);
  const depth = new Uint16Array(n);
  const stack = [];
  let written = 0;
  for (let top = first[n]; top >= 0; top = next[top]) {
    stack.push(top);
    while (stack.length) {
      const i = stack.pop();
      order[written++] = i;
      const children = [];
      for (let c = first[i]; c >= 0; c = next[c]) children.push(c);
      for (let c = children.length - 1; c >= 0; --c) {
        depth[children[c]] = depth[i] + 1;
        stack.push(children[c]);
      }
    }
  }
  return { order: order.subarray(0, written), depth };
}

export class Outliner {
  // onPick(id, add); onSelectShown(ids, add) selects every row the filter keeps.
  constructor(element, onPick, onSelectShown) {
    this.filter = element.querySelector('input[type=search]');
    this.scroller = element.querySelector('.rows');
    this.spacer = this.scroller.querySelector('.spacer');
    this.count = element.querySelector('.shown');
    this.pool = [];
    this.store = null;
    this.reference = -1;
    // The scroll and the list's height as last seen, so that drawing the rows, right
    // after the list has changed, does not ask the page for its layout.
    this.scrollTop = 0;
    this.height = 0;
    this.scroller.addEventListener('scroll', () => {
      this.scrollTop = this.scroller.scrollTop;
      this.#draw();
    });
    new ResizeObserver(() => {
      this.height = this.scroller.clientHeight;
      this.#draw();
    }).observe(this.scroller);
    let typing = null;
    this.filter.addEventListener('input', () => {
      clearTimeout(typing);
      typing = setTimeout(() => this.#applyFilter(), 80);
    });
    this.spacer.addEventListener('click', (event) => {
      const row = event.target.closest('.row');
      if (row) onPick(Number(row.dataset.id), event.shiftKey);
    });
    element.querySelector('.select-shown').addEventListener('click', (event) => {
      const ids = Array.from(this.shown, (i) => this.store.ids[i]);
      onSelectShown(ids, event.shiftKey);
    });
  }

  setScene(store) {
    this.store = store;
    ({ order: this.order, depth: this.depth } = treeOrder(store.parents));
    this.#applyFilter();
  }

  // Redraws the rows on screen with the store's current values.
  refresh(reference) {
    this.reference = reference;
    this.#draw();
  }

  #applyFilter() {
    const query = this.filter.value.trim().toLowerCase();
    if (!query) {
      this.shown = this.order;
    } else {
      const kept = new Int32Array(this.order.length);
      let n = 0;
      for (const i of this.order)
        if (this.store.names[i].toLowerCase().includes(query) ||
            this.store.paths[i].toLowerCase().includes(query)) kept[n++] = i;
      this.shown = kept.subarray(0, n);
    }
    this.count.textContent = query ? `${this.shown.length} of ${this.order.length}`
                                   : `${this.order.length}`;
    this.spacer.style.height = `${this.shown.length * kRowHeight}px`;
    this.#draw();
  }

  #draw() {
    if (!this.store) return;
    const from = Math.max(0, Math.floor(this.scrollTop / kRowHeight) - kSpare);
    const to = Math.min(this.shown.length,
                        Math.ceil((this.scrollTop + this.height) / kRowHeight) + kSpare);
    while (this.pool.length < to - from) {
      const row = document.createElement('span');
      row.className = 'row';
      this.spacer.append(row);
      this.pool.push(row);
    }
    // Rows past the end leave the list, so every row in it is a real one.
    while (this.pool.length > Math.max(to - from, 0)) this.pool.pop().remove();
    this.pool.forEach((row, n) => this.#fill(row, this.shown[from + n], from + n));
  }

  #fill(row, i, line) {
    const s = this.store;
    const position = Array.from(s.positions.subarray(3 * i, 3 * i + 3));
    const set = writeIfChanged;
    set(row.style, 'top', `${line * kRowHeight}px`);
    set(row.style, 'paddingLeft', `${6 + 14 * (this.filter.value ? 0 : this.depth[i])}px`);
    row.classList.toggle('selected', s.selected[i] === 1);
    row.classList.toggle('reference', i === this.reference);
    set(row, 'textContent', s.names[i]);
    set(row, 'title', `${s.paths[i]}\nposition ${position.map((v) => v.toFixed(3)).join(', ')}`);
    set(row.dataset, 'id', String(s.ids[i]));
    set(row.dataset, 'path', s.paths[i]);
    set(row.dataset, 'position', JSON.stringify(position));
    set(row.dataset, 'rotation', JSON.stringify(Array.from(s.rotations.subarray(3 * i, 3 * i + 3))));
  }
}
