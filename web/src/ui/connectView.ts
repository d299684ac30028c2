// The screen before a connection: the Connect button (to the PC used last time, when the
// browser remembers it), a way to choose another PC, and what happened to the last attempt.
import { h } from "./dom";

export class ConnectView {
  readonly element: HTMLElement;
  private readonly status = h("p", { class: "status-text", role: "status" });
  private readonly connect = h("button", { type: "button", class: "primary connect" }, "Connect");
  private readonly other = h("button", { type: "button", class: "secondary choose" }, "Choose another PC");
  private readonly help = h(
    "p",
    { class: "help" },
    "Pair the phone with the PC first, and start Tarvo Quillant on the PC with its incoming Bluetooth serial port chosen.",
  );

  constructor(onConnect: (choose: boolean) => void) {
    this.connect.addEventListener("click", () => onConnect(false));
    this.other.addEventListener("click", () => onConnect(true));
    this.element = h(
      "div",
      { class: "connect-view" },
      h("div", { class: "hero" }, h("img", { src: "icons/icon-192.png", alt: "", width: "96", height: "96" }), h("p", {}, "Your phone as the PC's remote control.")),
      this.status,
      this.connect,
      this.other,
      this.help,
    );
    this.setRemembered(false);
  }

  setRemembered(remembered: boolean): void {
    this.connect.textContent = remembered ? "Reconnect" : "Connect";
    this.other.hidden = !remembered;
  }

  setBusy(busy: boolean): void {
    this.connect.disabled = busy;
    this.other.disabled = busy;
  }

  setStatus(text: string, tone: "info" | "problem" = "info"): void {
    this.status.textContent = text;
    this.status.dataset.tone = tone;
  }

  // No way to reach a serial port here: say so, and hide what cannot work.
  unsupported(text: string): void {
    this.setStatus(text, "problem");
    this.connect.hidden = true;
    this.other.hidden = true;
  }
}
