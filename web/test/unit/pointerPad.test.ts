// Which pointer code a touch on the pointer pad holds.
import assert from "node:assert/strict";
import { test } from "node:test";
import { POINTER_DOWN, POINTER_LEFT, POINTER_RIGHT, POINTER_UP } from "../../src/protocol/keys";
import { directionAt } from "../../src/ui/pointerPad";

test("the side of the centre a finger is on picks the direction, the middle none", () => {
  // (dx, dy) from the centre, in halves of the pad's size; y grows downwards as on screen.
  const cases: [number, number, number | null][] = [
    [0, 0, null],
    [0.1, -0.15, null],
    [-0.9, 0.2, POINTER_LEFT],
    [0.5, -0.4, POINTER_RIGHT],
    [0.3, -0.8, POINTER_UP],
    [-0.3, 0.6, POINTER_DOWN],
    [0.5, 0.5, POINTER_RIGHT], // a diagonal goes across
  ];
  for (const [dx, dy, want] of cases) assert.equal(directionAt(dx, dy), want, `${dx}, ${dy}`);
});
