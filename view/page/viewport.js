// The 3D view: every object as its bounding box, and a glTF node's mesh inside it, placed
// by the world matrix the host reports. It draws what the server says and computes no
// placement of its own. Boxes are instanced, one draw call per role for their faces and
// edges together, all of one shader program, so a scene of any size costs a few draw
// calls and a press rewrites only the matrices of what moved.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { kColours } from './colours.js';
import { Labels } from './labels.js';

const kRoles = ['plain', 'selected', 'reference'];
const kPlain = 0;
const kSelected = 1;
const kReference = 2;

// A mesh as the server sends it: float32 positions, then uint32 triangle indices.
export function meshGeometry(bytes, vertices, triangles) {
  const geometry = new THREE.BufferGeometry();
  geometry.setAttribute('position',
                        new THREE.BufferAttribute(new Float32Array(bytes, 0, 3 * vertices), 3));
  geometry.setIndex(new THREE.BufferAttribute(
    new Uint32Array(bytes, 12 * vertices, 3 * triangles), 1));
  geometry.computeBoundingSphere();
  return geometry;
}

// Faces, their edges and the axes are drawn by one small shader program: in software
// WebGL each program takes about a frame to compile, and the first frame would wait for
// each. Every part is an instanced draw placed by `boxMatrix`; colours are given as they
// are shown (sRGB), so the shader writes them unchanged. A box's edges are drawn by its
// faces, a pixel wide where the face meets the next: a box costs its faces and nothing
// more, where lines cost as much again.
const kBoxVertexShader = `in vec3 position;
in vec3 normal;
in mat4 boxMatrix;
uniform mat4 modelViewMatrix;
uniform mat4 projectionMatrix;
out vec3 local;
flat out vec3 faceAxis;
void main() {
  local = position;
  faceAxis = abs(normal);
  gl_Position = projectionMatrix * modelViewMatrix * boxMatrix * vec4(position, 1.0);
}`;
const kBoxFragmentShader = `precision highp float;
uniform vec4 colour;
uniform vec4 edgeColour;  // no edges where its alpha is 0
in vec3 local;
flat in vec3 faceAxis;
out vec4 shown;
void main() {
  if (edgeColour.a == 0.0) { shown = colour; return; }
  // Pixels to the face's nearest edge, where another coordinate of the unit box reaches
  // its half; the face's own axis is no edge.
  vec3 pixels = (0.5 - abs(local)) / max(fwidth(local), 1e-6) + faceAxis * 1e6;
  float edge = clamp(1.0 - min(min(pixels.x, pixels.y), pixels.z), 0.0, 1.0);
  shown = mix(colour, edgeColour, edge);
}`;

// `edgeHex`: the colour of a box's edges, drawn opaque; none for a line.
function boxMaterial(hex, opacity, edgeHex) {
  const vector = (h, alpha) => new THREE.Vector4(((h >> 16) & 255) / 255, ((h >> 8) & 255) / 255,
                                                 (h & 255) / 255, alpha);
  return new THREE.RawShaderMaterial({
    glslVersion: THREE.GLSL3, vertexShader: kBoxVertexShader, fragmentShader: kBoxFragmentShader,
    uniforms: { colour: { value: vector(hex, opacity) },
                edgeColour: { value: edgeHex === undefined ? new THREE.Vector4(0, 0, 0, 0) : vector(edgeHex, 1) } },
    transparent: true, depthWrite: opacity === 1, side: THREE.DoubleSide, forceSinglePass: true });
}

// Instances of `shape` (its positions and index), each placed by its matrix in `matrices`;
// the count drawn is set on the part's geometry.
function instancedPart(kind, shape, matrices, material) {
  const geometry = new THREE.InstancedBufferGeometry();
  for (const name of ['position', 'normal'])
    if (shape.getAttribute(name)) geometry.setAttribute(name, shape.getAttribute(name));
  if (shape.index) geometry.setIndex(shape.index);
  geometry.setAttribute('boxMatrix', matrices);
  const part = new kind(geometry, material);
  part.frustumCulled = false;  // the instances, not the unit shape, say where it is
  part.raycast = () => {};
  if (kind === THREE.LineSegments) part.renderOrder = -1;
  return part;
}

// The world axes, 60 units long, red, green and blue.
function axes(parent) {
  const line = new THREE.BufferGeometry();
  line.setAttribute('position', new THREE.Float32BufferAttribute([0, 0, 0, 1, 0, 0], 3));
  [0xff0000, 0x00ff00, 0x0000ff].forEach((hex, axis) => {
    // Takes the line's end (1, 0, 0) to 60 along the axis.
    const columns = new Float32Array(16);
    columns[axis] = 60;
    columns[15] = 1;
    const matrix = new THREE.InstancedBufferAttribute(columns, 16);
    const part = instancedPart(THREE.LineSegments, line, matrix, boxMaterial(hex, 1));
    part.geometry.instanceCount = 1;
    parent.add(part);
  });
}

// The instances written since the last upload, so that a change uploads only their span
// of the attribute, not every instance of the scene.
class Written {
  constructor(attribute) {
    this.attribute = attribute;
    this.low = Infinity;
    this.high = -1;
  }

  mark(slot) {
    this.low = Math.min(this.low, slot);
    this.high = Math.max(this.high, slot);
  }

  upload() {
    if (this.high < this.low) return;
    const size = this.attribute.itemSize;
    // Ranges add up until the renderer uploads them, however many changes came first.
    this.attribute.addUpdateRange(size * this.low, size * (this.high - this.low + 1));
    this.attribute.needsUpdate = true;
    this.low = Infinity;
    this.high = -1;
  }
}

// The boxes of one role: one matrix per instance, the box's world matrix scaled by its
// size. Slots are kept packed, so `count` instances are drawn.
class RoleLayer {
  constructor(role, capacity, parent) {
    const box = new THREE.BoxGeometry(1, 1, 1);
    // Never drawn: it holds the instances' matrices and finds the box under the pointer.
    this.faces = new THREE.InstancedMesh(box, undefined, Math.max(capacity, 1));
    this.faces.visible = false;
    this.faces.instanceMatrix.setUsage(THREE.DynamicDrawUsage);
    this.matrices = this.faces.instanceMatrix.array;
    const matrices = this.faces.instanceMatrix;
    this.drawn = [instancedPart(THREE.Mesh, box, matrices,
                                boxMaterial(kColours[role], role === 'plain' ? 0.08 : 0.28, kColours[role]))];
    for (const part of [this.faces, ...this.drawn]) parent.add(part);
    this.objects = new Int32Array(Math.max(capacity, 1));  // slot -> object index
    this.written = new Written(this.faces.instanceMatrix);
    this.setCount(0);
  }

  setCount(count) {
    this.count = count;
    this.faces.count = count;
    for (const part of this.drawn) part.geometry.instanceCount = count;
  }

  changed() {
    this.written.upload();
    this.faces.boundingSphere = null;  // picking recomputes it from the new matrices
  }
}

export class Viewport {
  constructor(element, onPick) {
    this.element = element;
    // The canvas starts at the size it is shown at, so that its buffers are made once
    // and not again at the first resize: in software WebGL that costs as much as a frame.
    const canvas = document.createElement('canvas');
    // Kept, so that a frame need not ask the page for its layout.
    this.width = element.clientWidth;
    this.height = element.clientHeight;
    canvas.width = Math.max(1, Math.floor(this.width * window.devicePixelRatio));
    canvas.height = Math.max(1, Math.floor(this.height * window.devicePixelRatio));
    element.appendChild(canvas);
    this.renderer = new THREE.WebGLRenderer({ antialias: true, canvas });
    this.renderer.setPixelRatio(window.devicePixelRatio);
    this.scene = new THREE.Scene();
    this.scene.background = new THREE.Color(0x15181b);
    this.camera = new THREE.PerspectiveCamera(45, 1, 1, 100000);
    this.camera.position.set(600, 500, 700);
    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.addEventListener('change', () => this.render());
    this.boxes = new THREE.Group();
    this.scene.add(this.boxes);
    axes(this.scene);
    // Flat shading needs no normals: meshes are lit by a sky light and one from the eye.
    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x303840, 1));
    this.camera.add(new THREE.DirectionalLight(0xffffff, 2));
    this.scene.add(this.camera);
    this.meshMaterial = new THREE.MeshLambertMaterial({ flatShading: true, side: THREE.DoubleSide });
    this.meshColours = kRoles.map((role) =>
      new THREE.Color(kColours[role]).lerp(new THREE.Color(0xffffff), 0.45));
    this.store = null;
    this.links = [-1, -1];  // the reference and the object to align, as indices
    this.hovered = -1;
    this.geometries = [];
    this.meshLayers = [];
    this.fitted = false;
    this.frame = 0;
    this.labels = new Labels(element);
    this.#compileEarly();
    this.#listenForPointer(onPick);
    new ResizeObserver(() => this.#resize()).observe(element);
  }

  // Builds the instances for every object of `store`; later changes go through update().
  setScene(store, links) {
    this.store = store;
    this.links = links;
    const n = store.count;
    this.roles = new Uint8Array(n);
    this.slots = new Int32Array(n);
    this.layers = kRoles.map((role) => new RoleLayer(role, role === 'reference' ? 1 : n, this.boxes));
    for (let i = 0; i < n; ++i) {
      const role = this.#roleOf(i);
      this.roles[i] = role;
      this.#append(role, i);
    }
    for (const layer of this.layers) layer.changed();
    this.#buildMeshes();
    if (!this.fitted) this.fit();
    this.render();
  }

  // The meshes objects name by index, one instanced mesh each.
  setMeshes(geometries) {
    this.geometries = geometries;
    this.#buildMeshes();
    this.render();
  }

  // Redraws the objects in `moved` at their new placements, and gives every object in
  // `touched` (selection or link changed) its role's look. Nothing else is rewritten.
  update(moved, touched, links) {
    const before = this.links;
    this.links = links;
    const recoloured = new Set(touched);
    for (const index of [...before, ...links]) if (index >= 0) recoloured.add(index);
    for (const i of recoloured) {
      const role = this.#roleOf(i);
      if (role === this.roles[i]) continue;
      this.#remove(i);
      this.roles[i] = role;
      this.#append(role, i);
      this.#colourMesh(i);
    }
    for (const i of moved) {
      this.#writeBox(i);
      this.#writeMesh(i);
    }
    for (const layer of this.layers) layer.changed();
    for (const layer of this.meshLayers) for (const written of layer.userData.written) written.upload();
    this.render();
  }

  fit() {
    const bounds = this.#bounds();
    if (bounds.isEmpty()) return;
    this.fitted = true;
    const centre = bounds.getCenter(new THREE.Vector3());
    const radius = bounds.getSize(new THREE.Vector3()).length() / 2 || 1;
    const distance = radius / Math.sin(THREE.MathUtils.degToRad(this.camera.fov / 2));
    const direction = new THREE.Vector3(0.55, 0.45, 0.7).normalize();
    this.camera.position.copy(centre).addScaledVector(direction, distance);
    this.camera.near = distance / 100;
    this.camera.far = distance * 10;
    this.camera.updateProjectionMatrix();
    this.controls.target.copy(centre);
    this.controls.update();
    this.render();
  }

  // Draws on the next animation frame, once however many changes asked for it: a frame
  // of a large scene in software WebGL takes long enough to count.
  render() {
    // Before the scene arrives there is nothing to draw, and a first frame compiles the
    // shaders: in software WebGL that is worth spending once, on the scene.
    if (this.frame || !this.store) return;
    this.frame = requestAnimationFrame(() => {
      this.frame = 0;
      this.#draw();
    });
  }

  #draw() {
    this.renderer.render(this.scene, this.camera);
    if (this.store) this.labels.place(this.store, this.#labelled(), this.camera, this.width, this.height);
    this.element.dataset.drawn = this.store ? this.store.count : 0;
    this.element.dataset.frames = Number(this.element.dataset.frames ?? 0) + 1;
  }

  #roleOf(i) {
    if (i === this.links[0]) return kReference;
    return this.store.selected[i] ? kSelected : kPlain;
  }

  // The objects worth a name: the links, the hovered one and the first few selected.
  #labelled() {
    const shown = [];
    const add = (i, role) => { if (i >= 0 && !shown.some((s) => s.index === i)) shown.push({ index: i, role }); };
    add(this.links[0], 'reference');
    add(this.links[1], 'selected');
    add(this.hovered, kRoles[this.roles[this.hovered] ?? kPlain]);
    const selected = this.layers[kSelected];
    for (let slot = 0; slot < selected.count && shown.length < Labels.kMax; ++slot)
      add(selected.objects[slot], 'selected');
    return shown;
  }

  #append(role, i) {
    const layer = this.layers[role];
    if (layer.count === layer.objects.length) return;  // a second reference is never drawn
    this.slots[i] = layer.count;
    layer.objects[layer.count] = i;
    layer.setCount(layer.count + 1);
    this.#writeBox(i);
  }

  // Moves the last instance of the role into i's slot, so the slots stay packed.
  #remove(i) {
    const layer = this.layers[this.roles[i]];
    const slot = this.slots[i];
    const last = layer.count - 1;
    if (layer.objects[slot] !== i) return;
    const moving = layer.objects[last];
    layer.objects[slot] = moving;
    this.slots[moving] = slot;
    layer.matrices.copyWithin(16 * slot, 16 * last, 16 * last + 16);
    layer.written.mark(slot);
    layer.setCount(last);
  }

  #writeBox(i) {
    const layer = this.layers[this.roles[i]];
    if (layer.objects[this.slots[i]] !== i) return;
    const w = this.store.worlds;
    const m = layer.matrices;
    const at = 16 * this.slots[i];
    layer.written.mark(this.slots[i]);
    for (let axis = 0; axis < 3; ++axis) {
      // A flat box still needs some thickness to have faces.
      const scale = Math.max(2 * this.store.halfSizes[3 * i + axis], 0.01);
      for (let k = 0; k < 3; ++k) m[at + 4 * axis + k] = w[12 * i + 3 + 3 * axis + k] * scale;
      m[at + 4 * axis + 3] = 0;
    }
    for (let k = 0; k < 3; ++k) m[at + 12 + k] = w[12 * i + k];
    m[at + 15] = 1;
  }

  // One instanced mesh per glTF mesh, holding every node that draws it.
  #buildMeshes() {
    for (const layer of this.meshLayers) {
      this.boxes.remove(layer);
      layer.dispose();
    }
    this.meshLayers = [];
    if (!this.store || this.geometries.length === 0) return;
    const users = new Int32Array(this.geometries.length);
    for (let i = 0; i < this.store.count; ++i)
      if (this.geometries[this.store.meshes[i]]) ++users[this.store.meshes[i]];
    this.meshSlots = new Int32Array(this.store.count).fill(-1);
    this.meshLayers = this.geometries.map((geometry, m) => {
      const layer = new THREE.InstancedMesh(geometry, this.meshMaterial, Math.max(users[m], 1));
      layer.instanceColor = new THREE.InstancedBufferAttribute(new Float32Array(3 * layer.count), 3);
      layer.userData.written = [new Written(layer.instanceMatrix), new Written(layer.instanceColor)];
      layer.count = 0;
      layer.frustumCulled = false;
      layer.raycast = () => {};  // the box takes the click
      this.boxes.add(layer);
      return layer;
    });
    let drawn = 0;
    for (let i = 0; i < this.store.count; ++i) {
      const layer = this.meshLayers[this.store.meshes[i]];
      if (!layer) continue;
      this.meshSlots[i] = layer.count++;
      this.#writeMesh(i);
      this.#colourMesh(i);
      ++drawn;
    }
    this.element.dataset.meshesDrawn = drawn;
  }

  // The mesh is drawn in the node's frame: the world matrix moved back by the box centre.
  #writeMesh(i) {
    const layer = this.meshLayers[this.store.meshes[i]];
    if (!layer) return;
    const w = this.store.worlds;
    const c = this.store.boxCentres;
    const m = layer.instanceMatrix.array;
    const at = 16 * this.meshSlots[i];
    layer.userData.written[0].mark(this.meshSlots[i]);
    for (let axis = 0; axis < 3; ++axis) {
      for (let k = 0; k < 3; ++k) m[at + 4 * axis + k] = w[12 * i + 3 + 3 * axis + k];
      m[at + 4 * axis + 3] = 0;
    }
    for (let k = 0; k < 3; ++k) {
      let offset = w[12 * i + k];
      for (let axis = 0; axis < 3; ++axis) offset -= w[12 * i + 3 + 3 * axis + k] * c[3 * i + axis];
      m[at + 12 + k] = offset;
    }
    m[at + 15] = 1;
  }

  #colourMesh(i) {
    const layer = this.meshLayers[this.store.meshes[i]];
    if (!layer) return;
    layer.setColorAt(this.meshSlots[i], this.meshColours[this.roles[i]]);
    layer.userData.written[1].mark(this.meshSlots[i]);
  }

  #bounds() {
    const bounds = new THREE.Box3();
    if (!this.store) return bounds;
    const w = this.store.worlds;
    const h = this.store.halfSizes;
    const low = new THREE.Vector3();
    const high = new THREE.Vector3();
    for (let i = 0; i < this.store.count; ++i) {
      for (let k = 0; k < 3; ++k) {
        // How far the box reaches from its centre along world axis k.
        let reach = 0;
        for (let axis = 0; axis < 3; ++axis) reach += Math.abs(w[12 * i + 3 + 3 * axis + k]) * h[3 * i + axis];
        low.setComponent(k, w[12 * i + k] - reach);
        high.setComponent(k, w[12 * i + k] + reach);
      }
      bounds.expandByPoint(low).expandByPoint(high);
    }
    return bounds;
  }

  // The box program compiles while the scene is on its way, not in the first frame; the
  // layers made later share it. Drawing one box of no size (the scene's background,
  // nothing else) compiles it, and has the software renderer link it and make its
  // drawing code now too.
  #compileEarly() {
    const scene = new THREE.Scene();
    scene.background = this.scene.background;
    const layer = new RoleLayer('plain', 1, scene);
    layer.matrices.fill(0);
    layer.setCount(1);
    layer.changed();
    this.renderer.render(scene, this.camera);
  }

  #resize() {
    const { clientWidth: width, clientHeight: height } = this.element;
    if (!width || !height) return;
    this.width = width;
    this.height = height;
    const size = this.renderer.getSize(new THREE.Vector2());
    if (size.x !== width || size.y !== height) this.renderer.setSize(width, height, false);
    this.camera.aspect = width / height;
    this.camera.updateProjectionMatrix();
    this.render();
  }

  // The nearest box under the pointer, as an object index, or -1.
  #hit(event) {
    const rect = this.renderer.domElement.getBoundingClientRect();
    const pointer = new THREE.Vector2(((event.clientX - rect.left) / rect.width) * 2 - 1,
                                      -((event.clientY - rect.top) / rect.height) * 2 + 1);
    const ray = new THREE.Raycaster();
    ray.setFromCamera(pointer, this.camera);
    const faces = this.layers ? this.layers.map((layer) => layer.faces) : [];
    const hit = ray.intersectObjects(faces, false)[0];
    if (!hit) return -1;
    return this.layers[faces.indexOf(hit.object)].objects[hit.instanceId];
  }

  // A click that did not drag the camera picks the nearest box under the pointer; a
  // pointer that rests names the box under it.
  #listenForPointer(onPick) {
    const canvas = this.renderer.domElement;
    let down = null;
    let resting = null;
    canvas.addEventListener('pointerdown', (event) => { down = [event.clientX, event.clientY]; });
    canvas.addEventListener('pointerup', (event) => {
      if (!down || Math.hypot(event.clientX - down[0], event.clientY - down[1]) > 4) return;
      const i = this.#hit(event);
      onPick(i < 0 ? null : this.store.ids[i], event.shiftKey);
    });
    canvas.addEventListener('pointermove', (event) => {
      clearTimeout(resting);
      if (event.buttons) return;
      // Picking walks every instance: wait until the pointer rests.
      resting = setTimeout(() => {
        const i = this.#hit(event);
        if (i === this.hovered) return;
        this.hovered = i;
        this.render();
      }, 150);
    });
  }
}
