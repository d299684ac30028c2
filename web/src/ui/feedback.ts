// What the phone itself does for the user: a short vibration that confirms a key, and keeping
// the screen awake while a slide show runs.

export function buzz(): void {
  navigator.vibrate?.(12);
}

interface WakeLockSentinelLike {
  release(): Promise<void>;
  addEventListener(type: "release", listener: () => void): void;
}

export class ScreenAwake {
  private wanted = false;
  private lock: WakeLockSentinelLike | null = null;

  constructor() {
    // The system drops the lock whenever the page is hidden; it is asked again on return.
    document.addEventListener("visibilitychange", () => {
      if (document.visibilityState === "visible") void this.apply();
    });
  }

  get held(): boolean {
    return this.lock !== null;
  }

  set(wanted: boolean): void {
    this.wanted = wanted;
    void this.apply();
  }

  private async apply(): Promise<void> {
    const wakeLock = (navigator as Navigator & { wakeLock?: { request(type: "screen"): Promise<WakeLockSentinelLike> } })
      .wakeLock;
    if (this.wanted && !this.lock && wakeLock && document.visibilityState === "visible") {
      try {
        const lock = await wakeLock.request("screen");
        lock.addEventListener("release", () => {
          if (this.lock === lock) this.lock = null;
        });
        this.lock = lock;
        if (!this.wanted) await this.apply();
      } catch {
        // Refused (battery saver, no permission): the show works all the same.
      }
    } else if (!this.wanted && this.lock) {
      const lock = this.lock;
      this.lock = null;
      await lock.release().catch(() => undefined);
    }
  }
}
