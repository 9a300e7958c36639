// Requests to the kestrum view server. The token travels in the cookie the first page
// load set; every change is a POST with a JSON body, answered with what it changed.

import { decodeFrame } from './frame.js';

// GET /api/scene, decoded; onBytes(received) is called as it arrives, so a large scene
// shows progress.
export async function getScene(onBytes = () => {}) {
  const response = await fetch('/api/scene');
  if (!response.ok || !response.body) return answer(response);
  const reader = response.body.getReader();
  const chunks = [];
  let received = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    received += value.length;
    onBytes(received);
  }
  return decodeFrame(await new Blob(chunks).arrayBuffer());
}

export async function getMeshes() {
  return answer(await fetch('/api/meshes'));
}

export async function getMeshBytes(index) {
  const response = await fetch(`/api/meshes/${index}`);
  if (!response.ok) throw new Error(`mesh ${index}: HTTP ${response.status}`);
  return response.arrayBuffer();
}

export async function post(action, body = {}) {
  return answer(await fetch(`/api/${action}`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
  }));
}

// A change is answered with what it changed, decoded; a refusal with its reason.
async function answer(response) {
  if (response.ok && response.headers.get('Content-Type') === 'application/octet-stream')
    return decodeFrame(await response.arrayBuffer());
  const body = await response.json();
  if (!response.ok) throw new Error(body.error || `HTTP ${response.status}`);
  return body;
}
