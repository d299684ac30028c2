// Little-endian fields and UTF-16 text, as the wire carries them.

// Reads fields from a message. Every read stays inside the bytes: a number that runs past the
// end reads its missing bytes as zero, and text stops at the end.
export class ByteReader {
  private pos: number;

  constructor(private readonly bytes: Uint8Array, offset = 0) {
    this.pos = Math.min(offset, bytes.length);
  }

  get remaining(): number {
    return this.bytes.length - this.pos;
  }

  u8(): number {
    return this.pos < this.bytes.length ? this.bytes[this.pos++] : 0;
  }

  u16(): number {
    return this.u8() | (this.u8() << 8);
  }

  u32(): number {
    return (this.u16() + this.u16() * 0x10000) >>> 0;
  }

  // Exactly `units` code units, or fewer when the bytes end first.
  utf16(units: number): string {
    const codes: number[] = [];
    while (codes.length < units && this.remaining >= 2) codes.push(this.u16());
    return fromCodeUnits(codes);
  }

  // Code units up to a 16-bit zero, which is consumed; text without one ends with the bytes.
  utf16z(): string {
    const codes: number[] = [];
    while (this.remaining >= 2) {
      const unit = this.u16();
      if (unit === 0) break;
      codes.push(unit);
    }
    if (this.remaining === 1) this.pos++; // half a code unit is no text
    return fromCodeUnits(codes);
  }

  rest(): Uint8Array {
    const out = this.bytes.slice(this.pos);
    this.pos = this.bytes.length;
    return out;
  }
}

// Builds a message body.
export class ByteWriter {
  private readonly out: number[] = [];

  u8(value: number): this {
    this.out.push(value & 0xff);
    return this;
  }

  u16(value: number): this {
    return this.u8(value).u8(value >>> 8);
  }

  u32(value: number): this {
    return this.u16(value & 0xffff).u16(value >>> 16);
  }

  // The code units of the text (surrogate pairs stay two units), then a 16-bit zero.
  utf16z(text: string): this {
    for (let i = 0; i < text.length; i++) this.u16(text.charCodeAt(i));
    return this.u16(0);
  }

  bytes(): Uint8Array {
    return Uint8Array.from(this.out);
  }
}

// Code units to a string without going through a text decoder, so that every unit, even an
// unpaired surrogate, survives as it came.
function fromCodeUnits(codes: number[]): string {
  let text = "";
  for (let i = 0; i < codes.length; i += 4096) text += String.fromCharCode(...codes.slice(i, i + 4096));
  return text;
}

export function toHex(bytes: Uint8Array): string {
  return Array.from(bytes, (b) => b.toString(16).padStart(2, "0").toUpperCase()).join(" ");
}
