// The page's codec against the shared wire examples, and the decoder's hard cases.
import assert from "node:assert/strict";
import { test } from "node:test";
import { toHex } from "../../src/protocol/bytes";
import {
  MsgType,
  decodeMessage,
  encodeButton,
  encodeConnect,
  encodeDisconnect,
  encodeKey,
  encodeListBox,
  encodeListRequest,
  encodeSelect,
  encodeSync,
} from "../../src/protocol/messages";
import { decodeSlideRecord } from "../../src/protocol/slideRecord";
import { WireExample, all, num, one, readExamples } from "./wireExamples";

const examples = readExamples();

// What the page sends, built from the example's fields.
function encode(e: WireExample): Uint8Array | null {
  switch (e.bytes[0]) {
    case MsgType.Connect:
      return encodeConnect(one(e, "version"));
    case MsgType.Disconnect:
      return encodeDisconnect(num(one(e, "reason")));
    case MsgType.Select:
      return encodeSelect(num(one(e, "id")), one(e, "name"));
    case MsgType.ListRequest:
      return encodeListRequest();
    case MsgType.Sync:
      return encodeSync();
    case MsgType.Key:
      return encodeKey(num(one(e, "kind")), num(one(e, "code")));
    case MsgType.Button:
      return encodeButton(num(one(e, "control")), num(one(e, "value")));
    case MsgType.ListBox:
      return encodeListBox(num(one(e, "control")), num(one(e, "index")), one(e, "text"));
    default:
      return null;
  }
}

// What the page reads from the server, as the example writes it.
function expected(e: WireExample): unknown {
  switch (e.bytes[0]) {
    case MsgType.Connect:
      return { type: "connect", version: one(e, "version") };
    case MsgType.Disconnect:
      return { type: "disconnect", reason: num(one(e, "reason")) };
    case MsgType.Select:
      return { type: "select", appId: num(one(e, "id")), name: one(e, "name") };
    case MsgType.Sync:
      return { type: "sync" };
    case MsgType.List: {
      const names = all(e, "app_name");
      assert.equal(names.length, num(one(e, "count")));
      return {
        type: "list",
        entries: names.map((name, i) => ({
          appId: num(all(e, "app_id")[i]),
          appType: num(all(e, "app_type")[i]),
          active: all(e, "app_active")[i] === "1",
          name,
        })),
      };
    }
    case MsgType.AppData:
      return { type: "appData", appId: num(one(e, "app_id")), appType: num(one(e, "app_type")) };
    default:
      throw new Error(`${e.name}: the server does not send type ${e.bytes[0]}`);
  }
}

test("the shared wire examples are there", () => {
  assert.ok(examples.length >= 20, "tests/wire/examples.txt is missing or cut short");
});

test("every example the phone sends is encoded byte for byte", () => {
  for (const e of examples.filter((x) => x.from === "phone")) {
    const bytes = encode(e);
    assert.ok(bytes, `${e.name}: the page cannot encode type ${e.bytes[0]}`);
    assert.equal(toHex(bytes), toHex(e.bytes), e.name);
  }
});

test("every example the server sends is decoded field for field", () => {
  for (const e of examples.filter((x) => x.from === "server")) {
    const message = decodeMessage(e.bytes);
    const { payload, ...fields } = message as { payload?: Uint8Array };
    assert.deepEqual(fields, expected(e), e.name);
    if (message.type === "appData") {
      const titles = all(e, "title");
      assert.deepEqual(
        decodeSlideRecord(message.payload),
        {
          currentSlide: num(one(e, "current")),
          totalSlides: num(one(e, "total")),
          running: one(e, "running") === "1",
          showName: one(e, "show"),
          notes: one(e, "notes"),
          titles,
        },
        e.name,
      );
      assert.equal(payload?.length, e.bytes.length - 9);
    }
  }
});

function units(text: string): number[] {
  return Array.from({ length: text.length }, (_, i) => text.charCodeAt(i));
}

function record(current: number, total: number, running: boolean, texts: string[]): Uint8Array {
  const out = [current & 0xff, current >> 8, total & 0xff, total >> 8, running ? 1 : 0];
  for (const text of texts) for (const u of [...units(text), 0]) out.push(u & 0xff, u >> 8);
  return Uint8Array.from(out);
}

test("slide records cut by the server, or cut short, keep what is whole", () => {
  const emoji = "\uD83D\uDE00";
  const cases: [string, Uint8Array, Partial<ReturnType<typeof decodeSlideRecord>>][] = [
    ["surrogate pairs stay two code units", record(0, 1, true, ["N" + emoji, emoji, "T" + emoji]), { showName: "N" + emoji, notes: emoji, titles: ["T" + emoji] }],
    ["fewer titles than the count", record(1, 5, true, ["n", "", "a", "b"]), { totalSlides: 5, titles: ["a", "b"] }],
    ["a title without its terminator", record(0, 2, true, ["n", "", "a"]).slice(0, -2), { titles: ["a"] }],
    ["half a code unit at the end", Uint8Array.from([...record(0, 1, false, ["n", "", ""]).slice(0, -2), 0x41]), { titles: [] }],
    ["the header alone", Uint8Array.from([0xff, 0xff]), { currentSlide: 0xffff, totalSlides: 0, showName: "", titles: [] }],
  ];
  for (const [what, payload, fields] of cases) {
    const decoded = decodeSlideRecord(payload);
    for (const [key, value] of Object.entries(fields)) assert.deepEqual(decoded[key as keyof typeof decoded], value, `${what}: ${key}`);
  }
});

test("a 9999-byte record decodes every whole title and the cut one as far as it goes", () => {
  // 5 bytes, a 99-unit name and 2999-unit notes with terminators (6205 bytes), then titles
  // of 74 units (150 bytes each) until the payload is cut at 9999 bytes.
  const titles = Array.from({ length: 61 }, (_, i) => `${i} `.padEnd(74, "\u00e9"));
  const full = record(60, 61, true, ["x".repeat(99), "y".repeat(2996) + "...", ...titles]);
  const decoded = decodeSlideRecord(full.slice(0, 9999));
  assert.equal(decoded.showName.length, 99);
  assert.equal(decoded.notes.length, 2999);
  assert.deepEqual(decoded.titles.slice(0, 25), titles.slice(0, 25));
  assert.equal(decoded.titles.length, 26);
  assert.ok(titles[25].startsWith(decoded.titles[25]) && decoded.titles[25].length === 22);
});

test("short bodies read missing fields as zero and text only up to the end", () => {
  const cases: [string, number[], unknown][] = [
    ["disconnect without its reason", [2, 0, 0], { type: "disconnect", reason: 0 }],
    ["select with a cut id", [3, 2, 0, 1, 2], { type: "select", appId: 0x0201, name: "" }],
    ["connect with an odd length", [1, 5, 0, 0x41, 0, 0x42, 0, 0x43], { type: "connect", version: "A" }],
    ["connect longer than its bytes", [1, 9, 0, 0x41, 0], { type: "connect", version: "A" }],
    ["a list promising more entries", [5, 0x0c, 0, 3, 7, 0, 0, 0, 0xff, 0xff, 0, 0x41, 0, 0, 0, 9], { type: "list", entries: [{ appId: 7, appType: 0xffff, active: false, name: "A" }] }],
    ["a key event the server should not send", [16, 3, 0, 0, 9, 0xf8], { type: "other", code: 16 }],
  ];
  for (const [what, bytes, want] of cases) assert.deepEqual(decodeMessage(Uint8Array.from(bytes)), want, what);
});
