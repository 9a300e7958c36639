// Writes to the page that skip a value already there: in software WebGL every repaint
// of the page costs about a frame, and writing the same text or style again lays it
// out and paints it again. True when it wrote.
export function writeIfChanged(target, key, value) {
  if (target[key] === value) return false;
  target[key] = value;
  return true;
}
