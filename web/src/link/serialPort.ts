// The part of Web Serial's SerialPort that the page uses. A Bluetooth serial port and the
// development bridge both provide it.
export interface SerialPortLike {
  open(options: { baudRate: number }): Promise<void>;
  readonly readable: ReadableStream<Uint8Array> | null;
  readonly writable: WritableStream<Uint8Array> | null;
  close(): Promise<void>;
  getInfo?(): { bluetoothServiceClassId?: number | string; usbVendorId?: number };
}

export interface SerialLike {
  requestPort(options?: {
    filters?: { bluetoothServiceClassId?: number | string }[];
    allowedBluetoothServiceClassIds?: (number | string)[];
  }): Promise<SerialPortLike>;
  getPorts(): Promise<SerialPortLike[]>;
}

// The Serial Port Profile: the service the PC's incoming Bluetooth serial port offers.
export const SERIAL_PORT_PROFILE = "00001101-0000-1000-8000-00805f9b34fb";

// A phone lists only paired devices that offer the profile; a computer lists every port too,
// so that a cable works as well as Bluetooth.
export function portRequestOptions(phone: boolean): Parameters<SerialLike["requestPort"]>[0] {
  return phone
    ? { filters: [{ bluetoothServiceClassId: SERIAL_PORT_PROFILE }], allowedBluetoothServiceClassIds: [SERIAL_PORT_PROFILE] }
    : { allowedBluetoothServiceClassIds: [SERIAL_PORT_PROFILE] };
}

export function webSerial(): SerialLike | null {
  const serial = (navigator as Navigator & { serial?: SerialLike }).serial;
  return serial ?? null;
}
