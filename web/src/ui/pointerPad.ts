// A touch area that moves the PC's pointer: the finger's side of the centre picks a direction,
// held as one of the pointer codes for as long as the finger stays there. Moving to another
// side lets go of the old direction before the new one is pressed.
import { POINTER_DOWN, POINTER_LEFT, POINTER_RIGHT, POINTER_UP } from "../protocol/keys";
import { KeySink } from "./keypadView";

// Within this share of the pad's half-size around the centre the pointer rests.
const DEAD_ZONE = 0.2;

export function directionAt(dx: number, dy: number): number | null {
  if (Math.max(Math.abs(dx), Math.abs(dy)) < DEAD_ZONE) return null;
  if (Math.abs(dx) >= Math.abs(dy)) return dx < 0 ? POINTER_LEFT : POINTER_RIGHT;
  return dy < 0 ? POINTER_UP : POINTER_DOWN;
}

export class PointerPad {
  private pointer: number | null = null;
  private code: number | null = null;

  constructor(private readonly el: HTMLElement, private readonly sink: KeySink) {
    el.addEventListener("pointerdown", (e) => {
      if (this.pointer !== null) return;
      e.preventDefault();
      this.pointer = e.pointerId;
      el.setPointerCapture?.(e.pointerId);
      el.classList.add("held");
      this.follow(e);
    });
    el.addEventListener("pointermove", (e) => {
      if (e.pointerId === this.pointer) this.follow(e);
    });
    for (const type of ["pointerup", "pointercancel", "lostpointercapture"] as const) {
      el.addEventListener(type, (e) => {
        if (e.pointerId === this.pointer) this.release();
      });
    }
    el.addEventListener("contextmenu", (e) => e.preventDefault());
  }

  release(): void {
    this.pointer = null;
    this.el.classList.remove("held");
    this.hold(null);
  }

  private follow(e: PointerEvent): void {
    const box = this.el.getBoundingClientRect();
    const dx = (e.clientX - box.left - box.width / 2) / (box.width / 2);
    const dy = (e.clientY - box.top - box.height / 2) / (box.height / 2);
    this.hold(directionAt(dx, dy));
  }

  private hold(code: number | null): void {
    if (code === this.code) return;
    if (this.code !== null) this.sink.keyUp(this.code);
    this.code = code;
    this.el.dataset.direction = code === null ? "" : String(code - POINTER_LEFT);
    if (code !== null) this.sink.keyDown(code);
  }
}
