// The scene as the page holds it: one typed array per quantity, indexed by the object's
// place in the server's list, so nothing grows per object but these arrays (and the
// names and paths). Built from the first load; each later answer says what changed, and
// applying it says which objects the view must redraw.

export class SceneStore {
  // `frame`: the decoded answer of GET /api/scene.
  constructor({ head, arrays }) {
    const objects = head.objects;
    const n = objects.ids.length;
    this.count = n;
    this.ids = Float64Array.from(objects.ids);
    this.names = objects.names;
    this.paths = objects.paths;
    this.parents = Int32Array.from(objects.parents);
    this.meshes = Int32Array.from(objects.meshes);
    this.selected = new Uint8Array(n);
    for (const i of objects.selected) this.selected[i] = 1;
    // world: offset, axis X, axis Y, axis Z of the matrix of the box's centre
    this.worlds = arrays.world;
    this.halfSizes = arrays.halfSize;
    this.boxCentres = arrays.boxCenter;
    this.positions = arrays.position;
    this.rotations = arrays.rotation;
    this.indexOfId = new Map();
    this.ids.forEach((id, i) => this.indexOfId.set(id, i));
  }

  // Takes an action's answer; the indices of the objects that moved and of those whose
  // selection changed.
  apply({ head, arrays }) {
    head.moved.forEach((i, k) => {
      this.worlds.set(arrays.world.subarray(12 * k, 12 * k + 12), 12 * i);
      for (const [mine, name] of [[this.halfSizes, 'halfSize'], [this.positions, 'position'],
                                  [this.rotations, 'rotation']])
        mine.set(arrays[name].subarray(3 * k, 3 * k + 3), 3 * i);
    });
    for (const i of head.selected) this.selected[i] = 1;
    for (const i of head.deselected) this.selected[i] = 0;
    return { moved: head.moved, reselected: [...head.selected, ...head.deselected] };
  }

  index(id) { return this.indexOfId.get(id) ?? -1; }
}
