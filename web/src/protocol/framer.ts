// Cuts the bytes from the server into whole messages. The length field is the only framing,
// so a partial header or message is kept between reads and continued by the next bytes.
import { HEADER_SIZE, KNOWN_TYPES, MsgType } from "./messages";

// Bodies whose size the protocol fixes, or bounds: a header that claims more is garbage.
const MAX_BODY: ReadonlyMap<number, number> = new Map([
  [MsgType.Sync, 0],
  [MsgType.ListRequest, 0],
  [MsgType.Disconnect, 1],
  [MsgType.Key, 3],
  [MsgType.Button, 3],
  [MsgType.RadioButton, 3],
  [MsgType.AppData, 6 + 10000],
]);

// A partial message that no byte has continued for this long is given up: a length field
// damaged on the way must not swallow the messages that follow it.
export const STALL_MS = 2000;

export type FramerOutput = { kind: "message"; bytes: Uint8Array } | { kind: "garbage"; type: number; dropped: number };

export class Framer {
  private header = new Uint8Array(HEADER_SIZE);
  private headerCount = 0;
  private frame: Uint8Array | null = null;
  private frameCount = 0;
  private lastByteAt = 0;

  get hasPartial(): boolean {
    return this.headerCount > 0;
  }

  // Every message completed by this read, in order. A header with a type the protocol does not
  // have, or a length its type cannot have, cannot be framed: it and the rest of this read are
  // dropped, as the server does, and the next read starts with a fresh header.
  feed(chunk: Uint8Array, now: number): FramerOutput[] {
    if (this.hasPartial && now - this.lastByteAt > STALL_MS) this.reset();
    this.lastByteAt = now;
    const out: FramerOutput[] = [];
    let p = 0;
    while (p < chunk.length) {
      while (this.headerCount < HEADER_SIZE && p < chunk.length) this.header[this.headerCount++] = chunk[p++];
      if (this.headerCount < HEADER_SIZE) break;
      const type = this.header[0];
      const length = this.header[1] | (this.header[2] << 8);
      if (!KNOWN_TYPES.has(type) || length > (MAX_BODY.get(type) ?? 0xffff)) {
        out.push({ kind: "garbage", type, dropped: HEADER_SIZE + chunk.length - p });
        this.reset();
        break;
      }
      if (!this.frame) {
        this.frame = new Uint8Array(HEADER_SIZE + length);
        this.frame.set(this.header);
        this.frameCount = HEADER_SIZE;
      }
      const take = Math.min(this.frame.length - this.frameCount, chunk.length - p);
      this.frame.set(chunk.subarray(p, p + take), this.frameCount);
      this.frameCount += take;
      p += take;
      if (this.frameCount < this.frame.length) break;
      out.push({ kind: "message", bytes: this.frame });
      this.reset();
    }
    return out;
  }

  reset(): void {
    this.headerCount = 0;
    this.frame = null;
    this.frameCount = 0;
  }
}
