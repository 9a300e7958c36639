// The server's compact answers (docs/view.md): the head's length (uint32), the head as
// JSON, zeros up to a multiple of 8, then the float64 arrays the head lists, in order.

export function decodeFrame(buffer) {
  const length = new DataView(buffer).getUint32(0, true);
  const head = JSON.parse(new TextDecoder().decode(new Uint8Array(buffer, 4, length)));
  const arrays = {};
  let at = Math.ceil((4 + length) / 8) * 8;
  for (const array of head.arrays) {
    arrays[array.name] = new Float64Array(buffer, at, array.length);
    at += 8 * array.length;
  }
  return { head, arrays };
}
