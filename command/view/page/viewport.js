// The 3D view: every object as its bounding box, and a glTF node's mesh inside it, placed
// by the world matrix the host reports. It draws what the server says and computes no
// placement of its own.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';

const kColours = { plain: 0x8fa6ba, selected: 0xffb02e, reference: 0xe0533d };

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

// The object's name, drawn at a fixed size on the screen above its box.
function nameLabel(text, colour) {
  const canvas = document.createElement('canvas');
  const context = canvas.getContext('2d');
  context.font = '28px system-ui, sans-serif';
  canvas.width = Math.ceil(context.measureText(text).width) + 8;
  canvas.height = 36;
  context.font = '28px system-ui, sans-serif';
  context.fillStyle = `#${colour.toString(16).padStart(6, '0')}`;
  context.fillText(text, 4, 28);
  const texture = new THREE.CanvasTexture(canvas);
  texture.colorSpace = THREE.SRGBColorSpace;
  const sprite = new THREE.Sprite(new THREE.SpriteMaterial({
    map: texture, sizeAttenuation: false, depthTest: false, transparent: true }));
  sprite.center.set(0, 0);
  sprite.scale.set(0.03 * canvas.width / canvas.height, 0.03, 1);
  sprite.raycast = () => {};  // labels never take a click from the box behind them
  return sprite;
}

export class Viewport {
  constructor(element, onPick) {
    this.element = element;
    this.renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    this.renderer.setPixelRatio(window.devicePixelRatio);
    element.appendChild(this.renderer.domElement);
    this.scene = new THREE.Scene();
    this.scene.background = new THREE.Color(0x15181b);
    this.camera = new THREE.PerspectiveCamera(45, 1, 1, 100000);
    this.camera.position.set(600, 500, 700);
    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.addEventListener('change', () => this.render());
    this.boxes = new THREE.Group();
    this.scene.add(this.boxes);
    this.scene.add(new THREE.AxesHelper(60));
    // Flat shading needs no normals: meshes are lit by a sky light and one from the eye.
    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x303840, 1));
    this.camera.add(new THREE.DirectionalLight(0xffffff, 2));
    this.scene.add(this.camera);
    this.geometries = [];  // one per mesh, shared by every object drawing it
    this.meshMaterials = Object.fromEntries(Object.entries(kColours).map(([role, colour]) =>
      [role, new THREE.MeshLambertMaterial({
        color: new THREE.Color(colour).lerp(new THREE.Color(0xffffff), 0.45),
        flatShading: true, side: THREE.DoubleSide })]));
    this.last = null;
    this.pickables = [];
    this.fitted = false;
    this.#listenForClicks(onPick);
    new ResizeObserver(() => this.#resize()).observe(element);
  }

  // The meshes objects name by index; the view is redrawn with them.
  setMeshes(geometries) {
    this.geometries = geometries;
    if (this.last) this.update(...this.last);
  }

  // Replaces the boxes and meshes with the ones of `state`.
  update(state, referenceId) {
    this.last = [state, referenceId];
    for (const child of [...this.boxes.children]) {
      this.boxes.remove(child);
      child.traverse((part) => {
        if (part.userData.shared) return;
        part.geometry?.dispose();
        part.material?.map?.dispose();
        part.material?.dispose();
      });
    }
    this.pickables = [];
    let meshesDrawn = 0;
    for (const object of state.objects) {
      const role = object.id === referenceId ? 'reference' : object.selected ? 'selected' : 'plain';
      const [hx, hy, hz] = object.halfSize;
      // A flat box still needs some thickness to have edges and faces.
      const geometry = new THREE.BoxGeometry(Math.max(2 * hx, 0.01), Math.max(2 * hy, 0.01),
                                             Math.max(2 * hz, 0.01));
      const group = new THREE.Group();
      const w = object.world;
      group.matrixAutoUpdate = false;
      group.matrix.makeBasis(new THREE.Vector3(...w.axisX), new THREE.Vector3(...w.axisY),
                             new THREE.Vector3(...w.axisZ)).setPosition(...w.offset);
      const fill = new THREE.Mesh(geometry, new THREE.MeshBasicMaterial({
        color: kColours[role], transparent: true, opacity: role === 'plain' ? 0.08 : 0.28,
        depthWrite: false, side: THREE.DoubleSide }));
      fill.userData.id = object.id;
      const edges = new THREE.LineSegments(new THREE.EdgesGeometry(geometry),
                                           new THREE.LineBasicMaterial({ color: kColours[role] }));
      const label = nameLabel(object.name, kColours[role]);
      label.position.set(-hx, hy, -hz);  // a top corner: a centre may lie inside another box
      group.add(fill, edges, label);
      const shape = object.mesh === null ? undefined : this.geometries[object.mesh];
      if (shape) {
        const mesh = new THREE.Mesh(shape, this.meshMaterials[role]);
        // The group's origin is the box's centre; the mesh is drawn in the node's frame.
        const [cx, cy, cz] = object.boxCenter;
        mesh.position.set(-cx, -cy, -cz);
        mesh.userData.shared = true;
        mesh.raycast = () => {};  // the box takes the click
        group.add(mesh);
        ++meshesDrawn;
      }
      this.boxes.add(group);
      this.pickables.push(fill);
    }
    this.element.dataset.meshesDrawn = meshesDrawn;
    this.boxes.updateMatrixWorld(true);
    if (!this.fitted) this.fit();
    this.render();
  }

  fit() {
    const bounds = new THREE.Box3().setFromObject(this.boxes);
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

  render() { this.renderer.render(this.scene, this.camera); }

  #resize() {
    const { clientWidth: width, clientHeight: height } = this.element;
    if (!width || !height) return;
    this.renderer.setSize(width, height, false);
    this.camera.aspect = width / height;
    this.camera.updateProjectionMatrix();
    this.render();
  }

  // A click that did not drag the camera picks the nearest box under the pointer.
  #listenForClicks(onPick) {
    const canvas = this.renderer.domElement;
    let down = null;
    canvas.addEventListener('pointerdown', (event) => { down = [event.clientX, event.clientY]; });
    canvas.addEventListener('pointerup', (event) => {
      if (!down || Math.hypot(event.clientX - down[0], event.clientY - down[1]) > 4) return;
      const rect = canvas.getBoundingClientRect();
      const pointer = new THREE.Vector2(((event.clientX - rect.left) / rect.width) * 2 - 1,
                                        -((event.clientY - rect.top) / rect.height) * 2 + 1);
      const ray = new THREE.Raycaster();
      ray.setFromCamera(pointer, this.camera);
      const hit = ray.intersectObjects(this.pickables, false)[0];
      onPick(hit ? hit.object.userData.id : null, event.shiftKey);
    });
  }
}
