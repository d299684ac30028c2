// The phone's side of one connection: the connect handshake, answers to the server's
// synchronisation, the messages the page sends, and the keys it holds down. It writes through
// the `send` function it is given and is fed whatever bytes arrive; it knows nothing of ports.
import { Framer } from "../protocol/framer";
import {
  AppEntry,
  KEY_PRESSED,
  KEY_RELEASED,
  PROTOCOL_VERSION,
  REASON_VERSION,
  decodeMessage,
  encodeButton,
  encodeConnect,
  encodeDisconnect,
  encodeKey,
  encodeListBox,
  encodeListRequest,
  encodeSelect,
  encodeSync,
} from "../protocol/messages";

// The server drops what arrives before its port is open, so a connect is sent again a few
// times before the page says there is no answer.
export const CONNECT_ATTEMPTS = 4;
export const CONNECT_RETRY_MS = 1200;

export type SessionState =
  | { kind: "connecting" }
  | { kind: "connected" }
  | { kind: "versionMismatch"; serverVersion: string | null }
  | { kind: "noAnswer" }
  | { kind: "closedByServer" }
  | { kind: "ended" };

export interface SessionListener {
  state(state: SessionState): void;
  list(entries: AppEntry[]): void;
  selected(appId: number, name: string): void;
  appData(appId: number, appType: number, payload: Uint8Array): void;
}

export interface Timers {
  set(callback: () => void, ms: number): unknown;
  clear(handle: unknown): void;
  now(): number;
}

export const realTimers: Timers = {
  set: (callback, ms) => setTimeout(callback, ms),
  clear: (handle) => clearTimeout(handle as ReturnType<typeof setTimeout>),
  now: () => performance.now(),
};

export class Session {
  private readonly framer = new Framer();
  private stateKind: SessionState["kind"] = "ended";
  private attempts = 0;
  private retry: unknown = null;
  // Codes held down, oldest first: they come up newest first.
  private readonly held: number[] = [];

  constructor(
    private readonly send: (bytes: Uint8Array) => void,
    private readonly listener: SessionListener,
    private readonly timers: Timers = realTimers,
  ) {}

  get connected(): boolean {
    return this.stateKind === "connected";
  }

  get heldKeys(): readonly number[] {
    return this.held;
  }

  start(): void {
    this.attempts = 0;
    this.setState({ kind: "connecting" });
    this.sendConnect();
  }

  receive(chunk: Uint8Array): void {
    for (const out of this.framer.feed(chunk, this.timers.now())) {
      if (out.kind === "message") this.handle(out.bytes);
    }
  }

  requestList(): void {
    if (this.connected) this.send(encodeListRequest());
  }

  select(appId: number, name: string): void {
    if (this.connected) this.send(encodeSelect(appId, name));
  }

  keyDown(code: number): void {
    if (!this.connected || this.held.includes(code)) return;
    this.held.push(code);
    this.send(encodeKey(KEY_PRESSED, code));
  }

  keyUp(code: number): void {
    const at = this.held.indexOf(code);
    if (at < 0) return;
    this.held.splice(at, 1);
    if (this.connected) this.send(encodeKey(KEY_RELEASED, code));
  }

  // Lets go of every held key, the last pressed first.
  releaseAll(): void {
    while (this.held.length > 0) this.keyUp(this.held[this.held.length - 1]);
  }

  button(control: number, value: number): void {
    if (this.connected) this.send(encodeButton(control, value));
  }

  // The index is one byte on the wire: a larger one would pick another entry, so it is not sent.
  listBox(control: number, index: number, text: string): boolean {
    if (!this.connected || index < 0 || index > 255) return false;
    this.send(encodeListBox(control, index, text));
    return true;
  }

  // Ends the connection: what is held comes up first, then the server is told.
  disconnect(): void {
    const wasConnected = this.connected;
    this.releaseAll();
    if (wasConnected || this.stateKind === "connecting") this.send(encodeDisconnect(0));
    this.end({ kind: "ended" });
  }

  // The link went away under the session: nothing can be sent any more.
  linkLost(): void {
    this.held.length = 0;
    this.end({ kind: "ended" });
  }

  private sendConnect(): void {
    if (this.attempts >= CONNECT_ATTEMPTS) {
      this.end({ kind: "noAnswer" });
      return;
    }
    this.attempts++;
    this.send(encodeConnect(PROTOCOL_VERSION));
    this.retry = this.timers.set(() => this.sendConnect(), CONNECT_RETRY_MS);
  }

  private handle(bytes: Uint8Array): void {
    const message = decodeMessage(bytes);
    switch (message.type) {
      case "sync":
        // The server asks whether the phone is still there: it must hear back at once.
        this.send(encodeSync());
        break;
      case "connect":
        if (this.stateKind !== "connecting") break; // a repeated connect answered twice
        this.stopRetry();
        if (message.version !== PROTOCOL_VERSION) {
          this.send(encodeDisconnect(0));
          this.end({ kind: "versionMismatch", serverVersion: message.version });
          break;
        }
        this.setState({ kind: "connected" });
        this.send(encodeListRequest());
        break;
      case "disconnect":
        if (this.stateKind === "ended" || this.stateKind === "noAnswer") break;
        this.held.length = 0; // the server lets go of them itself
        this.end(message.reason === REASON_VERSION ? { kind: "versionMismatch", serverVersion: null } : { kind: "closedByServer" });
        break;
      case "list":
        if (this.connected) this.listener.list(message.entries);
        break;
      case "select":
        if (this.connected) this.listener.selected(message.appId, message.name);
        break;
      case "appData":
        if (this.connected) this.listener.appData(message.appId, message.appType, message.payload);
        break;
      case "other":
        break;
    }
  }

  private end(state: SessionState): void {
    this.stopRetry();
    this.framer.reset();
    this.setState(state);
  }

  private stopRetry(): void {
    if (this.retry !== null) this.timers.clear(this.retry);
    this.retry = null;
  }

  private setState(state: SessionState): void {
    this.stateKind = state.kind;
    this.listener.state(state);
  }
}
