// Reads tests/wire/examples.txt, the byte examples that the server's tests read too.
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";

export interface WireExample {
  name: string;
  from: "phone" | "server";
  bytes: Uint8Array;
  fields: [string, string][];
}

export function all(example: WireExample, key: string): string[] {
  return example.fields.filter(([k]) => k === key).map(([, v]) => v);
}

export function one(example: WireExample, key: string): string {
  const values = all(example, key);
  if (values.length !== 1) throw new Error(`${example.name}: expected one ${key}`);
  return values[0];
}

export const num = (text: string) => Number(text);

function parseFields(text: string): [string, string][] {
  const fields: [string, string][] = [];
  const word = /\s*([a-z_]+)=("(?:[^"\\]|\\.)*"|\S*)/gy;
  let end = 0;
  for (let m = word.exec(text); m; m = word.exec(text)) {
    end = word.lastIndex;
    const raw = m[2];
    const value = raw.startsWith('"')
      ? raw.slice(1, -1).replace(/\\u([0-9A-Fa-f]{4})|\\(.)/g, (_, hex: string, ch: string) => (hex ? String.fromCharCode(parseInt(hex, 16)) : ch))
      : raw;
    fields.push([m[1], value]);
  }
  if (text.slice(end).trim() !== "") throw new Error(`unreadable fields: ${text}`);
  return fields;
}

export function readExamples(): WireExample[] {
  // build/test/ -> the repository's tests/wire/
  const path = fileURLToPath(new URL("../../../tests/wire/examples.txt", import.meta.url));
  return readFileSync(path, "utf8")
    .split("\n")
    .filter((line) => line.trim() !== "" && !line.startsWith("#"))
    .map((line) => {
      const [name, from, hex, ...rest] = line.split("|");
      if (rest.length === 0) throw new Error(`fewer than four parts: ${line}`);
      return {
        name: name.trim(),
        from: from.trim() as "phone" | "server",
        bytes: Uint8Array.from(hex.trim().split(/\s+/).map((b) => parseInt(b, 16))),
        fields: parseFields(rest.join("|")),
      };
    });
}
