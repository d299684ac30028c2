// Buttons that are held rather than clicked: the press goes out when the finger (or mouse, or
// Space key) goes down and the release when it comes up. A press never stays held: a cancelled
// touch, a lost pointer capture and releaseAll (focus lost, page hidden, disconnect) all let go.
export class Holds {
  private readonly active = new Map<HTMLElement, () => void>();

  bind(el: HTMLElement, down: () => void, up: () => void): void {
    let pointer: number | null = null;
    let byKey = false;
    const release = () => {
      if (pointer === null && !byKey) return;
      pointer = null;
      byKey = false;
      el.classList.remove("held");
      this.active.delete(el);
      up();
    };
    const press = () => {
      el.classList.add("held");
      this.active.set(el, release);
      down();
    };
    el.addEventListener("pointerdown", (e) => {
      if (pointer !== null || byKey || e.button > 0) return;
      e.preventDefault();
      pointer = e.pointerId;
      el.setPointerCapture?.(e.pointerId);
      press();
    });
    for (const type of ["pointerup", "pointercancel", "lostpointercapture"] as const) {
      el.addEventListener(type, (e) => {
        if (e.pointerId === pointer) release();
      });
    }
    el.addEventListener("keydown", (e) => {
      if ((e.key !== " " && e.key !== "Enter") || e.repeat || pointer !== null || byKey) return;
      e.preventDefault();
      byKey = true;
      press();
    });
    el.addEventListener("keyup", (e) => {
      if (e.key === " " || e.key === "Enter") release();
    });
    // A key held by the keyboard comes up when the focus moves on; one held by a finger stays
    // down while another finger presses a second key.
    el.addEventListener("blur", () => {
      if (byKey) release();
    });
    // A long touch would open the context menu and steal the release.
    el.addEventListener("contextmenu", (e) => e.preventDefault());
  }

  releaseAll(): void {
    for (const release of [...this.active.values()].reverse()) release();
  }
}
