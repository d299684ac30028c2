// The messages of the phone protocol: what the phone sends, and what it makes of the server's.
import { ByteReader, ByteWriter } from "./bytes";

export const PROTOCOL_VERSION = "01.01.00";
export const HEADER_SIZE = 3;

export const MsgType = {
  Connect: 1,
  Disconnect: 2,
  Select: 3,
  ListRequest: 4,
  List: 5,
  Sync: 6,
  Key: 16,
  AppData: 18,
  Button: 19,
  EditBox: 20,
  ListBox: 21,
  RadioButton: 22,
  CheckBox: 23,
} as const;

export const KNOWN_TYPES: ReadonlySet<number> = new Set(Object.values(MsgType));

export const APP_TYPE_PROFILE = 0xffff;
export const APP_TYPE_PRESENTATION = 0x0010;

export const KEY_PRESSED = 0;
export const KEY_RELEASED = 1;

export const REASON_VERSION = 1;
export const REASON_CLOSED = 2;

// The list-box and button controls of the slide-show view.
export const CONTROL_SLIDE_LIST = 1;
export const CONTROL_PEN = 2;

function frame(type: number, body: Uint8Array = new Uint8Array(0)): Uint8Array {
  const out = new Uint8Array(HEADER_SIZE + body.length);
  out[0] = type;
  out[1] = body.length & 0xff;
  out[2] = body.length >>> 8;
  out.set(body, HEADER_SIZE);
  return out;
}

export const encodeConnect = (version = PROTOCOL_VERSION) => frame(MsgType.Connect, new ByteWriter().utf16z(version).bytes());
export const encodeDisconnect = (reason: number) => frame(MsgType.Disconnect, new ByteWriter().u8(reason).bytes());
export const encodeSelect = (appId: number, name: string) =>
  frame(MsgType.Select, new ByteWriter().u32(appId).utf16z(name).bytes());
export const encodeListRequest = () => frame(MsgType.ListRequest);
export const encodeSync = () => frame(MsgType.Sync);
export const encodeKey = (kind: number, code: number) => frame(MsgType.Key, new ByteWriter().u8(kind).u16(code).bytes());
export const encodeButton = (control: number, value: number) =>
  frame(MsgType.Button, new ByteWriter().u16(control).u8(value).bytes());
export const encodeListBox = (control: number, index: number, text: string) =>
  frame(MsgType.ListBox, new ByteWriter().u16(control).u8(index).utf16z(text).bytes());

export interface AppEntry {
  appId: number;
  appType: number;
  active: boolean;
  name: string;
}

export type ServerMessage =
  | { type: "connect"; version: string }
  | { type: "disconnect"; reason: number }
  | { type: "select"; appId: number; name: string }
  | { type: "list"; entries: AppEntry[] }
  | { type: "sync" }
  | { type: "appData"; appId: number; appType: number; payload: Uint8Array }
  // A known type that only the phone sends: nothing to do with it.
  | { type: "other"; code: number };

// Decodes one whole message (header included) by the same length rules as the server. A body
// shorter than its fields reads them as zero or empty; nothing is read outside the message.
export function decodeMessage(message: Uint8Array): ServerMessage {
  const header = new ByteReader(message);
  const type = header.u8();
  const length = header.u16();
  const body = new ByteReader(message.subarray(0, HEADER_SIZE + length), HEADER_SIZE);
  switch (type) {
    case MsgType.Connect:
      return { type: "connect", version: body.utf16(Math.floor(length / 2) - 1) };
    case MsgType.Disconnect:
      return { type: "disconnect", reason: body.u8() };
    case MsgType.Select: {
      const appId = body.u32();
      return { type: "select", appId, name: body.utf16(Math.floor((length - 4) / 2) - 1) };
    }
    case MsgType.List:
      return { type: "list", entries: decodeEntries(body) };
    case MsgType.Sync:
      return { type: "sync" };
    case MsgType.AppData: {
      const appId = body.u32();
      const appType = body.u16();
      return { type: "appData", appId, appType, payload: body.rest() };
    }
    default:
      return { type: "other", code: type };
  }
}

// Only whole entries: a list cut short keeps the entries before the cut.
function decodeEntries(body: ByteReader): AppEntry[] {
  const count = body.u8();
  const entries: AppEntry[] = [];
  while (entries.length < count && body.remaining >= 9) {
    const appId = body.u32();
    const appType = body.u16();
    const active = body.u8() !== 0;
    entries.push({ appId, appType, active, name: body.utf16z() });
  }
  return entries;
}
