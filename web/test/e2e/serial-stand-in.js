// Test only: a stand-in for navigator.serial, installed before the page's own scripts run.
// Its ports implement the standard SerialPort calls (open, readable, writable, close, getInfo)
// over a WebSocket to the test's bridge, so the page's own Web Serial code runs unchanged
// against the real server. With `absent` the browser has no Web Serial at all.
function installSerialStandIn({ url, absent }) {
  if (absent) {
    delete Navigator.prototype.serial;
    return;
  }
  const SPP = "00001101-0000-1000-8000-00805f9b34fb";

  class StandInPort {
    constructor() {
      this.readable = null;
      this.writable = null;
      this.openedWith = null;
      this.socket = null;
    }
    getInfo() {
      return { bluetoothServiceClassId: SPP };
    }
    open(options) {
      if (this.socket) return Promise.reject(new DOMException("The port is already open.", "InvalidStateError"));
      this.openedWith = options;
      return new Promise((resolve, reject) => {
        const socket = new WebSocket(url);
        socket.binaryType = "arraybuffer";
        socket.onerror = () => reject(new DOMException("Failed to open serial port.", "NetworkError"));
        socket.onopen = () => {
          this.socket = socket;
          this.readable = new ReadableStream({
            start: (controller) => {
              socket.onmessage = (e) => controller.enqueue(new Uint8Array(e.data));
              socket.onclose = () => {
                this.readable = null;
                this.writable = null;
                try {
                  controller.error(new DOMException("The device has been lost.", "NetworkError"));
                } catch {}
              };
            },
            cancel: () => undefined,
          });
          this.writable = new WritableStream({ write: (chunk) => socket.send(chunk) });
          resolve();
        };
      });
    }
    async close() {
      if (!this.socket) throw new DOMException("The port is already closed.", "InvalidStateError");
      if (this.readable?.locked || this.writable?.locked) throw new TypeError("Cannot close a locked stream");
      const socket = this.socket;
      this.socket = null;
      this.readable = null;
      this.writable = null;
      await new Promise((resolve) => {
        if (socket.readyState === WebSocket.CLOSED) return resolve();
        socket.addEventListener("close", resolve, { once: true });
        socket.close();
      });
    }
  }

  // The browser remembers a port the user granted, across reloads of the page.
  const port = new StandInPort();
  const serial = {
    requests: [],
    port,
    async requestPort(options) {
      this.requests.push(JSON.parse(JSON.stringify(options ?? {})));
      localStorage.setItem("stand-in-granted", "1");
      return port;
    },
    async getPorts() {
      return localStorage.getItem("stand-in-granted") ? [port] : [];
    },
  };
  Object.defineProperty(Navigator.prototype, "serial", { configurable: true, get: () => serial });
}
