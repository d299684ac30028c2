// The phone keys: the names profiles use and the codes key events carry, in table order.
export interface PhoneKey {
  readonly name: string;
  readonly code: number;
}

export const PHONE_KEYS: readonly PhoneKey[] = [
  { name: "Clear", code: 0x0008 },
  ...Array.from({ length: 10 }, (_, d) => ({ name: String(d), code: 0x0030 + d })),
  { name: "Star", code: 0x002a },
  { name: "Hash", code: 0x0023 },
  { name: "Connect", code: 0xf862 },
  { name: "Disconnect", code: 0xf863 },
  { name: "Left", code: 0xf807 },
  { name: "Up", code: 0xf809 },
  { name: "Down", code: 0xf80a },
  { name: "Right", code: 0xf808 },
  { name: "Power", code: 0xf844 },
  { name: "Button", code: 0xf845 },
  { name: "Case Open", code: 0xf846 },
  { name: "Case Close", code: 0xf847 },
  { name: "Speaker", code: 0xf848 },
  { name: "Menu", code: 0xf852 },
];

export function keyCode(name: string): number {
  const key = PHONE_KEYS.find((k) => k.name === name);
  if (!key) throw new Error(`no phone key named ${name}`);
  return key.code;
}

// Codes the presentation program acts on besides the keys: the pointer moves while one is held.
export const POINTER_LEFT = 0xff01;
export const POINTER_RIGHT = 0xff02;
export const POINTER_UP = 0xff03;
export const POINTER_DOWN = 0xff04;
