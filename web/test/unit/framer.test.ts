// Cutting the server's byte stream into messages, however it is split or damaged.
import assert from "node:assert/strict";
import { test } from "node:test";
import { toHex } from "../../src/protocol/bytes";
import { Framer, FramerOutput, STALL_MS } from "../../src/protocol/framer";
import { encodeConnect, encodeSync } from "../../src/protocol/messages";

const hex = (text: string) => Uint8Array.from(text.split(" ").map((b) => parseInt(b, 16)));
const SYNC = encodeSync();
const LIST = hex("05 0C 00 01 07 00 00 00 FF FF 00 41 00 00 00");
const DATA = hex("12 08 00 04 03 02 01 10 00 AA BB");

function describe(out: FramerOutput[]): string[] {
  return out.map((o) => (o.kind === "message" ? toHex(o.bytes) : `garbage ${o.type}`));
}

test("a stream split at every point gives the same messages", () => {
  const stream = Uint8Array.from([...encodeConnect(), ...LIST, ...SYNC, ...DATA]);
  const whole = describe(new Framer().feed(stream, 0));
  assert.deepEqual(whole, [toHex(encodeConnect()), toHex(LIST), toHex(SYNC), toHex(DATA)]);
  for (let a = 1; a < stream.length; a++) {
    for (let b = a; b < stream.length; b += 3) {
      const framer = new Framer();
      const got = [stream.subarray(0, a), stream.subarray(a, b), stream.subarray(b)].flatMap((part) => describe(framer.feed(part, 0)));
      assert.deepEqual(got, whole, `split at ${a} and ${b}`);
    }
  }
});

test("one byte at a time completes each message on its last byte", () => {
  const framer = new Framer();
  const stream = Uint8Array.from([...SYNC, ...DATA]);
  const completedAt = [...stream].flatMap((byte, i) => (framer.feed(Uint8Array.of(byte), 0).length ? [i] : []));
  assert.deepEqual(completedAt, [2, stream.length - 1]);
});

test("garbage drops the rest of its read and framing starts again with the next read", () => {
  const cases: [string, Uint8Array][] = [
    ["an unknown type", hex("07 00 00 06 00 00")],
    ["a type of zero", hex("00 01 00 41")],
    ["a sync with a body", hex("06 01 00 00 06 00 00")],
    ["a disconnect longer than one byte", hex("02 FF FF 02")],
    ["application data past the largest record", hex("12 17 27 00")],
  ];
  for (const [what, bytes] of cases) {
    const framer = new Framer();
    const out = framer.feed(Uint8Array.from([...SYNC, ...bytes]), 0);
    assert.deepEqual(describe(out), [toHex(SYNC), `garbage ${bytes[0]}`], what);
    assert.equal(out[1].kind === "garbage" && out[1].dropped, bytes.length, what);
    assert.deepEqual(describe(framer.feed(LIST, 1)), [toHex(LIST)], `${what}: next read`);
  }
});

test("a message whose rest never comes is given up after a silence, not waited for", () => {
  const framer = new Framer();
  // An application list that claims 65535 bytes.
  assert.deepEqual(framer.feed(hex("05 FF FF 01 02"), 0), []);
  assert.ok(framer.hasPartial);
  // Bytes that keep coming are still taken as its body...
  assert.deepEqual(framer.feed(SYNC, STALL_MS), []);
  // ...but after a silence the next bytes start afresh.
  assert.deepEqual(describe(framer.feed(SYNC, 2 * STALL_MS + 1)), [toHex(SYNC)]);
});

test("the largest application data the server sends arrives whole in small reads", () => {
  const body = 6 + 10000;
  const message = new Uint8Array(3 + body);
  message.set([0x12, body & 0xff, body >> 8]);
  for (let i = 3; i < message.length; i++) message[i] = i % 251;
  const framer = new Framer();
  const out: FramerOutput[] = [];
  for (let p = 0; p < message.length; p += 61) out.push(...framer.feed(message.subarray(p, p + 61), p));
  assert.equal(out.length, 1);
  assert.equal(out[0].kind === "message" && toHex(out[0].bytes), toHex(message));
});
