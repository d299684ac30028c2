// The phone's side of a connection: the handshake and its outcomes, answering the server's
// synchronisation, and keys that never stay held.
import assert from "node:assert/strict";
import { test } from "node:test";
import { toHex } from "../../src/protocol/bytes";
import { CONNECT_ATTEMPTS, CONNECT_RETRY_MS, Session, SessionState, Timers } from "../../src/link/session";
import { encodeConnect, encodeDisconnect, encodeKey, encodeListRequest, encodeSync } from "../../src/protocol/messages";

class FakeTimers implements Timers {
  time = 0;
  private pending: { at: number; fn: () => void }[] = [];
  set(fn: () => void, ms: number) {
    const timer = { at: this.time + ms, fn };
    this.pending.push(timer);
    return timer;
  }
  clear(handle: unknown) {
    this.pending = this.pending.filter((t) => t !== handle);
  }
  now() {
    return this.time;
  }
  advance(ms: number) {
    const end = this.time + ms;
    for (let next = this.earliest(end); next; next = this.earliest(end)) {
      this.pending = this.pending.filter((t) => t !== next);
      this.time = next.at;
      next.fn();
    }
    this.time = end;
  }
  private earliest(end: number) {
    return this.pending.filter((t) => t.at <= end).sort((a, b) => a.at - b.at)[0];
  }
}

function start() {
  const timers = new FakeTimers();
  const sent: string[] = [];
  const states: SessionState[] = [];
  const lists: unknown[] = [];
  const session = new Session((bytes) => sent.push(toHex(bytes)), {
    state: (s) => states.push(s),
    list: (entries) => lists.push(entries),
    selected: () => undefined,
    appData: () => undefined,
  }, timers);
  session.start();
  return { session, timers, sent, states, lists, last: () => states[states.length - 1].kind };
}

const hex = (bytes: Uint8Array) => toHex(bytes);
const UP = 0xf809;
const STAR = 0x002a;

test("a matching answer connects and asks for the list; other answers say why not", () => {
  const cases: [string, Uint8Array | null, SessionState][] = [
    ["same version", encodeConnect("01.01.00"), { kind: "connected" }],
    ["disconnect with reason 1", encodeDisconnect(1), { kind: "versionMismatch", serverVersion: null }],
    ["another version in the answer", encodeConnect("01.02.00"), { kind: "versionMismatch", serverVersion: "01.02.00" }],
    ["the server refuses", encodeDisconnect(2), { kind: "closedByServer" }],
    ["nothing at all", null, { kind: "noAnswer" }],
  ];
  for (const [what, answer, want] of cases) {
    const s = start();
    if (answer) s.session.receive(answer);
    s.timers.advance(CONNECT_ATTEMPTS * CONNECT_RETRY_MS);
    assert.deepEqual(s.states[s.states.length - 1], want, what);
    const connects = s.sent.filter((m) => m === hex(encodeConnect()));
    assert.equal(connects.length, answer ? 1 : CONNECT_ATTEMPTS, `${what}: connects sent`);
    assert.equal(s.sent.includes(hex(encodeListRequest())), want.kind === "connected", `${what}: list request`);
  }
});

test("the server's sync is answered at once, in the same read as other messages", () => {
  const s = start();
  s.session.receive(Uint8Array.from([...encodeConnect(), ...encodeSync()]));
  assert.deepEqual(s.sent.slice(-2), [hex(encodeListRequest()), hex(encodeSync())]);
  s.session.receive(encodeSync().subarray(0, 2));
  assert.equal(s.sent.length, 3);
  s.session.receive(encodeSync().subarray(2));
  assert.deepEqual(s.sent.slice(3), [hex(encodeSync())]);
});

test("held keys come up newest first before the disconnect, and each only once", () => {
  const s = start();
  s.session.receive(encodeConnect());
  const before = s.sent.length;
  s.session.keyDown(UP);
  s.session.keyDown(UP); // a second finger on the same key
  s.session.keyDown(STAR);
  s.session.keyUp(0x0030); // never pressed
  s.session.disconnect();
  s.session.keyUp(UP);
  assert.deepEqual(s.sent.slice(before), [
    hex(encodeKey(0, UP)),
    hex(encodeKey(0, STAR)),
    hex(encodeKey(1, STAR)),
    hex(encodeKey(1, UP)),
    hex(encodeDisconnect(0)),
  ]);
  assert.equal(s.last(), "ended");
});

test("nothing is sent before the connection or after it ends", () => {
  const s = start();
  s.session.keyDown(UP);
  s.session.select(7, "A");
  assert.deepEqual(s.sent, [hex(encodeConnect())]);
  s.session.receive(encodeConnect());
  s.session.keyDown(UP);
  s.session.receive(encodeDisconnect(2)); // the server lets go of held input itself
  const after = s.sent.length;
  s.session.releaseAll();
  s.session.keyDown(STAR);
  assert.equal(s.sent.length, after);
  assert.equal(s.last(), "closedByServer");
  assert.equal(s.session.listBox(1, 0, "x"), false);
});

test("slide indexes beyond one byte are refused rather than sent wrapped", () => {
  const s = start();
  s.session.receive(encodeConnect());
  assert.equal(s.session.listBox(1, 255, "last"), true);
  assert.equal(s.session.listBox(1, 256, "too far"), false);
  assert.equal(s.sent.filter((m) => m.startsWith("15")).length, 1);
});
