// Carries bytes over an open serial port: a read loop that hands every chunk on, and writes
// kept in order. Closing waits for the writes already queued, so a release sent just before a
// disconnect still reaches the server.
import { SerialPortLike } from "./serialPort";

export const BAUD_RATE = 9600;

export class PortLink {
  private writer: WritableStreamDefaultWriter<Uint8Array> | null = null;
  private reader: ReadableStreamDefaultReader<Uint8Array> | null = null;
  private writes: Promise<void> = Promise.resolve();
  private reading: Promise<void> = Promise.resolve();
  private closing = false;

  constructor(
    private readonly port: SerialPortLike,
    private readonly onBytes: (chunk: Uint8Array) => void,
    private readonly onLost: (why: string) => void,
  ) {}

  async open(): Promise<void> {
    await this.port.open({ baudRate: BAUD_RATE });
    if (!this.port.writable) throw new Error("the port cannot be written");
    this.writer = this.port.writable.getWriter();
    this.reading = this.readLoop();
  }

  write(bytes: Uint8Array): void {
    const writer = this.writer;
    if (!writer || this.closing) return;
    this.writes = this.writes.then(() => writer.write(bytes)).catch((error) => this.lost(error));
  }

  async close(): Promise<void> {
    if (this.closing) return;
    this.closing = true;
    await this.writes;
    try {
      this.writer?.releaseLock();
      await this.reader?.cancel();
    } catch {
      // The port is going away either way.
    }
    await this.reading;
    try {
      await this.port.close();
    } catch {
      // Already closed by the other side.
    }
  }

  // A port reports some errors (a break, a parity error) and carries on with a new stream;
  // a stream that ends, or no stream at all, means the link is gone.
  private async readLoop(): Promise<void> {
    let errors = 0;
    while (this.port.readable && !this.closing && errors < 5) {
      this.reader = this.port.readable.getReader();
      try {
        for (;;) {
          const { value, done } = await this.reader.read();
          if (done) break;
          errors = 0;
          if (value && value.length > 0) this.onBytes(value);
        }
        break;
      } catch (error) {
        errors++;
        if (!this.closing) console.warn("serial read:", error);
      } finally {
        this.reader.releaseLock();
      }
    }
    this.lost("the port closed");
  }

  private lost(why: unknown): void {
    if (this.closing) return;
    this.closing = true;
    this.onLost(String(why));
  }
}
