// Requests to the kestrum view server. The token travels in the cookie the first page
// load set; every change is a POST with a JSON body, answered with the new state.

export async function getState() {
  return answer(await fetch('/api/state'));
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

async function answer(response) {
  const body = await response.json();
  if (!response.ok) throw new Error(body.error || `HTTP ${response.status}`);
  return body;
}
