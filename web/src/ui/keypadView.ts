// The keypad of an application driven by a profile: every phone key, each held for as long as
// the finger stays on it. Holding a direction keeps one press down, which is what moves the
// PC's pointer continuously; nothing is repeated.
import { keyCode } from "../protocol/keys";
import { h } from "./dom";
import { buzz } from "./feedback";
import { Holds } from "./holds";

export interface KeySink {
  keyDown(code: number): void;
  keyUp(code: number): void;
}

// name as the key table has it, then what the key shows.
type KeySpec = [name: string, label?: string];

const SOFT: KeySpec[] = [["Menu"], ["Clear"]];
const PAD: (KeySpec | null)[] = [null, ["Up", "▲"], null, ["Left", "◀"], ["Button", "OK"], ["Right", "▶"], null, ["Down", "▼"], null];
const DIGITS: KeySpec[] = [["1"], ["2"], ["3"], ["4"], ["5"], ["6"], ["7"], ["8"], ["9"], ["Star", "*"], ["0"], ["Hash", "#"]];
const MORE: KeySpec[] = [["Connect"], ["Disconnect"], ["Power"], ["Speaker"], ["Case Open"], ["Case Close"]];

export function keypadView(sink: KeySink, holds: Holds): HTMLElement {
  const key = ([name, label]: KeySpec, extra = "") => {
    const code = keyCode(name);
    const el = h("button", { type: "button", class: `key ${extra}`.trim(), "aria-label": name }, label ?? name);
    holds.bind(
      el,
      () => {
        buzz();
        sink.keyDown(code);
      },
      () => sink.keyUp(code),
    );
    return el;
  };
  return h(
    "div",
    { class: "keypad" },
    h("div", { class: "keys soft" }, ...SOFT.map((k) => key(k))),
    h("div", { class: "keys pad" }, ...PAD.map((k) => (k ? key(k, k[0] === "Button" ? "select" : "arrow") : h("span")))),
    h("div", { class: "keys digits" }, ...DIGITS.map((k) => key(k))),
    h("div", { class: "keys more" }, ...MORE.map((k) => key(k, "small"))),
  );
}
