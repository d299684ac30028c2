// The applications the PC offers: one button each, and a way to ask for the list again. The
// server also sends a new list by itself whenever it changes.
import { APP_TYPE_PRESENTATION, AppEntry } from "../protocol/messages";
import { h } from "./dom";

export class AppListView {
  readonly element: HTMLElement;
  private readonly list = h("ul", { class: "apps", "aria-label": "Applications" });
  private readonly note = h("p", { class: "note", "aria-live": "polite" });

  constructor(onSelect: (entry: AppEntry) => void, onRefresh: () => void) {
    this.select = onSelect;
    const refresh = h("button", { type: "button", class: "refresh" }, "Refresh");
    refresh.addEventListener("click", onRefresh);
    this.element = h(
      "div",
      { class: "applist" },
      h("div", { class: "list-head" }, h("h2", {}, "Applications"), refresh),
      this.note,
      this.list,
    );
    this.render(null);
  }

  private readonly select: (entry: AppEntry) => void;

  // null: no list yet.
  render(entries: AppEntry[] | null, message = ""): void {
    this.list.replaceChildren(
      ...(entries ?? []).map((entry) => {
        const kind = entry.appType === APP_TYPE_PRESENTATION ? "Slide show" : "Keypad";
        const button = h(
          "button",
          { type: "button", class: "app" },
          h("span", { class: "app-name" }, entry.name || "(no name)"),
          h("span", { class: "app-kind" }, kind + (entry.active ? " · in use" : "")),
        );
        button.addEventListener("click", () => this.select(entry));
        return h("li", {}, button);
      }),
    );
    this.note.textContent =
      message ||
      (entries === null
        ? "Asking the PC for its applications…"
        : entries.length === 0
          ? "No application to control. Open one on the PC that has a profile; the list follows by itself."
          : "");
  }
}
