// For development only: a serial port whose bytes travel over a WebSocket to the bridge
// (tools/web_bridge.py) that sits on the server's serial line. The page uses it instead of
// Web Serial when opened from this machine with ?bridge in its address.
import { SerialPortLike } from "./serialPort";

const LOCAL_HOSTS = new Set(["localhost", "127.0.0.1", "[::1]"]);

export function bridgeUrl(location: Location): string | null {
  const params = new URLSearchParams(location.search);
  if (!params.has("bridge") || !LOCAL_HOSTS.has(location.hostname)) return null;
  return `${location.protocol === "https:" ? "wss" : "ws"}://${location.host}/bridge`;
}

export class BridgePort implements SerialPortLike {
  readable: ReadableStream<Uint8Array> | null = null;
  writable: WritableStream<Uint8Array> | null = null;
  private socket: WebSocket | null = null;

  constructor(private readonly url: string) {}

  getInfo() {
    return {};
  }

  open(): Promise<void> {
    return new Promise((resolve, reject) => {
      const socket = new WebSocket(this.url);
      socket.binaryType = "arraybuffer";
      this.socket = socket;
      socket.onerror = () => reject(new Error(`no bridge at ${this.url}`));
      socket.onopen = () => {
        this.readable = new ReadableStream<Uint8Array>({
          start: (controller) => {
            socket.onmessage = (event) => controller.enqueue(new Uint8Array(event.data as ArrayBuffer));
            socket.onclose = () => {
              this.readable = null;
              this.writable = null;
              controller.close();
            };
          },
          cancel: () => socket.close(),
        });
        this.writable = new WritableStream<Uint8Array>({ write: (chunk) => socket.send(chunk) });
        resolve();
      };
    });
  }

  async close(): Promise<void> {
    this.socket?.close();
    this.readable = null;
    this.writable = null;
  }
}
