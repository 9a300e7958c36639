// Names over the 3D view for the few objects worth naming (the links, the hovered object,
// the first of the selection): a fixed pool of DOM labels, placed at each box's top
// corner on every frame, so a scene of any size has the same handful of nodes.
import * as THREE from 'three';
import { kColours } from './colours.js';
import { writeIfChanged } from './dom_writes.js';

export class Labels {
  static kMax = 8;

  constructor(element) {
    this.pool = [];
    for (let i = 0; i < Labels.kMax; ++i) {
      const label = document.createElement('div');
      label.className = 'label';
      label.hidden = true;
      element.append(label);
      this.pool.push(label);
    }
    this.sizes = new Array(Labels.kMax).fill(null);  // [width, height] of each label's name
    this.point = new THREE.Vector3();
  }

  // `shown`: [{index, role}], at most kMax are named; `width` and `height`: the view's
  // size. A label's size is measured once per name: measuring asks the page for its
  // layout, which each frame would otherwise do once per label.
  place(store, shown, camera, width, height) {
    const w = store.worlds;
    const h = store.halfSizes;
    const labelled = [];
    this.pool.forEach((label, n) => {
      const entry = shown[n];
      if (!entry) {
        label.hidden = true;
        return;
      }
      const i = entry.index;
      // A top corner: a centre may lie inside another box.
      const corner = [-h[3 * i], h[3 * i + 1], -h[3 * i + 2]];
      for (let k = 0; k < 3; ++k) {
        let value = w[12 * i + k];
        for (let axis = 0; axis < 3; ++axis) value += w[12 * i + 3 + 3 * axis + k] * corner[axis];
        this.point.setComponent(k, value);
      }
      this.point.project(camera);
      label.hidden = this.point.z > 1;  // behind the camera
      if (writeIfChanged(label, 'textContent', store.names[i])) this.sizes[n] = null;
      writeIfChanged(label.dataset, 'index', String(i));
      label.style.color = `#${kColours[entry.role].toString(16).padStart(6, '0')}`;
      if (!label.hidden) labelled.push([n, this.point.x, this.point.y]);
    });
    for (const [n] of labelled) this.sizes[n] ??= [this.pool[n].offsetWidth, this.pool[n].offsetHeight];
    // Boxes close together would put their names on top of each other: a label that
    // would cover an earlier one goes above it.
    const placed = [];  // [x, y, width, height] of the labels placed so far
    for (const [n, x, y] of labelled) {
      const box = [((x + 1) / 2) * width, 0, ...this.sizes[n]];
      box[1] = ((1 - y) / 2) * height - box[3];
      const covers = (other) => box[0] < other[0] + other[2] && other[0] < box[0] + box[2] &&
                                box[1] < other[1] + other[3] && other[1] < box[1] + box[3];
      for (let other = placed.find(covers); other; other = placed.find(covers))
        box[1] = other[1] - box[3];
      placed.push(box);
      this.pool[n].style.transform = `translate(${box[0]}px, ${box[1]}px)`;
    }
  }
}
