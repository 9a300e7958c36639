// The colour of each role an object can have in the view, the outliner and the labels.
export const kColours = { plain: 0x8fa6ba, selected: 0xffb02e, reference: 0xe0533d };
