// The slide-show view of a presentation: where the show is, the current slide's notes in large
// text, the slide titles to jump to, the pointer pad and pen, and the keys that move the show.
import { keyCode } from "../protocol/keys";
import { CONTROL_PEN, CONTROL_SLIDE_LIST } from "../protocol/messages";
import { NO_SLIDE, SlideRecord } from "../protocol/slideRecord";
import { h } from "./dom";
import { buzz } from "./feedback";
import { Holds } from "./holds";
import { KeySink } from "./keypadView";
import { PointerPad } from "./pointerPad";

export interface SlideControls extends KeySink {
  listBox(control: number, index: number, text: string): boolean;
  button(control: number, value: number): void;
}

// The list-box index is one byte: slides after the 256th cannot be chosen from the list.
const MAX_LISTED = 256;

// The presentation manager's keys: label, accessible name, phone key.
const NAV: [string, string, string][] = [
  ["First", "First", "Up"],
  ["◀", "Previous", "Left"],
  ["▶", "Next", "Right"],
  ["Last", "Last", "Down"],
];

export function slidePosition(record: SlideRecord | null): string {
  if (!record || record.currentSlide === NO_SLIDE || record.totalSlides === 0) return "No slide shown";
  if (record.currentSlide >= record.totalSlides) return "End of the show";
  return `Slide ${record.currentSlide + 1} of ${record.totalSlides}`;
}

export class SlideView {
  readonly element: HTMLElement;
  private readonly name = h("h2", { class: "show-name" });
  private readonly position = h("p", { class: "slide-number", "aria-live": "polite" });
  private readonly state = h("p", { class: "show-state" });
  private readonly notes = h("div", { class: "notes", tabindex: "0" });
  private readonly titles = h("ol", { class: "titles" });
  private readonly pen = h("button", { type: "button", class: "pen", "aria-pressed": "false" }, "Pen");
  private readonly pad = h("div", { class: "pointer-pad", role: "application", "aria-label": "Pointer pad" }, h("span", {}, "Touch and hold to move the pointer"));
  private readonly pointer: PointerPad;
  private readonly tabs = new Map<string, [HTMLButtonElement, HTMLElement]>();
  private record: SlideRecord | null = null;
  private shownTitles = "";

  constructor(private readonly controls: SlideControls, holds: Holds) {
    this.pointer = new PointerPad(this.pad, controls);
    this.pen.addEventListener("click", () => {
      const on = this.pen.getAttribute("aria-pressed") !== "true";
      this.pen.setAttribute("aria-pressed", String(on));
      buzz();
      controls.button(CONTROL_PEN, on ? 1 : 0);
    });
    const nav = NAV.map(([label, name, key]) => this.holdButton(holds, label, name, key, name === "Next" ? "nav next" : "nav"));
    const endShow = this.holdButton(holds, "End show", "End show", "Clear", "end-show");
    const tabList = h("div", { class: "tabs", role: "tablist" });
    const panels = h("div", { class: "panels" });
    for (const [label, panel] of [
      ["Notes", this.notes],
      ["Slides", this.titles],
      ["Pointer", h("div", { class: "pointer" }, this.pad, this.pen)],
    ] as [string, HTMLElement][]) {
      const tab = h("button", { type: "button", role: "tab", class: "tab" }, label);
      tab.addEventListener("click", () => this.showTab(label));
      const wrapper = h("div", { role: "tabpanel", class: "panel", "aria-label": label }, panel);
      this.tabs.set(label, [tab, wrapper]);
      tabList.append(tab);
      panels.append(wrapper);
    }
    this.element = h(
      "div",
      { class: "slideshow" },
      h("div", { class: "show-head" }, this.name, this.position, this.state),
      tabList,
      panels,
      h("div", { class: "show-keys" }, h("div", { class: "nav-row" }, ...nav), endShow),
    );
    this.showTab("Notes");
  }

  get running(): boolean {
    return this.record?.running ?? false;
  }

  // A newly selected presentation: nothing known of its show yet.
  reset(name: string): void {
    this.record = null;
    this.name.textContent = name;
    this.shownTitles = "";
    this.titles.replaceChildren();
    this.pen.setAttribute("aria-pressed", "false");
    this.render();
  }

  update(record: SlideRecord): void {
    this.record = record;
    this.render();
  }

  release(): void {
    this.pointer.release();
  }

  private holdButton(holds: Holds, label: string, name: string, key: string, cls: string): HTMLButtonElement {
    const code = keyCode(key);
    const el = h("button", { type: "button", class: cls, "aria-label": name }, label);
    holds.bind(
      el,
      () => {
        buzz();
        this.controls.keyDown(code);
      },
      () => this.controls.keyUp(code),
    );
    return el;
  }

  private showTab(label: string): void {
    for (const [name, [tab, panel]] of this.tabs) {
      tab.setAttribute("aria-selected", String(name === label));
      panel.hidden = name !== label;
    }
  }

  private render(): void {
    const r = this.record;
    if (r?.showName) this.name.textContent = r.showName;
    this.position.textContent = slidePosition(r);
    this.state.textContent = !r ? "Waiting for the slide show…" : r.running ? "" : "The show is not running. Next starts it.";
    this.notes.textContent = r?.notes || "No notes for this slide.";
    this.notes.classList.toggle("empty", !r?.notes);
    this.renderTitles(r);
  }

  private renderTitles(r: SlideRecord | null): void {
    const titles = r?.titles ?? [];
    const key = titles.join("\u0000");
    if (key !== this.shownTitles) {
      this.shownTitles = key;
      this.titles.replaceChildren(
        ...titles.map((title, index) => {
          const button = h("button", { type: "button", class: "title" }, h("span", { class: "n" }, String(index + 1)), title || "Untitled");
          if (index >= MAX_LISTED) {
            button.disabled = true;
            button.title = "Only the first 256 slides can be chosen here.";
          }
          button.addEventListener("click", () => {
            buzz();
            this.controls.listBox(CONTROL_SLIDE_LIST, index, title);
          });
          return h("li", {}, button);
        }),
      );
    }
    this.titles.querySelectorAll("button").forEach((button, index) => {
      if (r && index === r.currentSlide) button.setAttribute("aria-current", "true");
      else button.removeAttribute("aria-current");
    });
  }
}
