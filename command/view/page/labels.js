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
    this.point = new THREE.Vector3();
  }

  // `shown`: [{index, role}], at most kMax are named.
  place(store, shown, camera, element) {
    const w = store.worlds;
    const h = store.halfSizes;
    const width = element.clientWidth;
    const height = element.clientHeight;
    const placed = [];  // [x, y, width, height] of the labels placed so far
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
      const behind = this.point.z > 1;
      label.hidden = behind;
      writeIfChanged(label, 'textContent', store.names[i]);
      label.dataset.index = i;
      label.style.color = `#${kColours[entry.role].toString(16).padStart(6, '0')}`;
      // Boxes close together would put their names on top of each other: a label that
      // would cover an earlier one goes above it.
      const box = [((this.point.x + 1) / 2) * width, 0, label.offsetWidth, label.offsetHeight];
      box[1] = ((1 - this.point.y) / 2) * height - box[3];
      const covers = (other) => box[0] < other[0] + other[2] && other[0] < box[0] + box[2] &&
                                box[1] < other[1] + other[3] && other[1] < box[1] + box[3];
      for (let other = placed.find(covers); other; other = placed.find(covers))
        box[1] = other[1] - box[3];
      if (!behind) placed.push(box);
      label.style.transform = `translate(${box[0]}px, ${box[1]}px)`;
    });
  }
}
