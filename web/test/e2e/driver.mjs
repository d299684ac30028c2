// Test only: drives Debian's headless Chromium for the Python end-to-end tests. One JSON
// command a line on standard input, one JSON answer a line on standard output:
//   {"id": 1, "cmd": "open", "url": "...", "scheme": "dark", "width": 360, "height": 640,
//    "bridge": "ws://...", "absent": false}
//   {"id": 2, "cmd": "down", "selector": "role=button[name=\"Up\"s]"} ... up, click, move,
//   mousedown, text, count, wait, eval, screenshot, scheme, viewport, close
// Answers: {"id": 1, "ok": true, "value": ...} or {"id": 1, "ok": false, "error": "..."}.
import { readFileSync } from "node:fs";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { createInterface } from "node:readline";
import { chromium } from "playwright-core";

const standIn = readFileSync(new URL("./serial-stand-in.js", import.meta.url), "utf8");
const profile = mkdtempSync(join(tmpdir(), "quillant-chromium-"));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.QUILLANT_CHROMIUM || "/usr/bin/chromium",
  headless: true,
  args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  viewport: { width: 360, height: 640 },
});
let page = context.pages()[0] ?? (await context.newPage());

const commands = {
  async open({ url, scheme = "light", width = 360, height = 640, bridge = null, absent = false }) {
    await page.close();
    page = await context.newPage();
    page.on("console", (m) => process.stderr.write(`page ${m.type()}: ${m.text()}\n`));
    page.on("pageerror", (e) => process.stderr.write(`page error: ${e.message}\n`));
    await page.setViewportSize({ width, height });
    await page.emulateMedia({ colorScheme: scheme });
    if (bridge || absent) await page.addInitScript(`${standIn}\ninstallSerialStandIn(${JSON.stringify({ url: bridge, absent })});`);
    await page.goto(url);
  },
  async click({ selector }) {
    await page.locator(selector).click();
  },
  async down({ selector, x = 0.5, y = 0.5 }) {
    const box = await page.locator(selector).boundingBox();
    if (!box) throw new Error(`${selector} is not visible`);
    await page.mouse.move(box.x + box.width * x, box.y + box.height * y);
    await page.mouse.down();
  },
  async move({ selector, x, y }) {
    const box = await page.locator(selector).boundingBox();
    await page.mouse.move(box.x + box.width * x, box.y + box.height * y, { steps: 4 });
  },
  async mousedown() {
    await page.mouse.down();
  },
  async up() {
    await page.mouse.up();
  },
  async text({ selector }) {
    return page.locator(selector).innerText();
  },
  async count({ selector }) {
    return page.locator(selector).count();
  },
  async wait({ selector, text = null, timeout = 20000 }) {
    const deadline = Date.now() + timeout;
    for (;;) {
      const locator = page.locator(selector);
      if ((await locator.count()) > 0 && (await locator.first().isVisible())) {
        const shown = await locator.first().innerText();
        if (text === null || shown.includes(text)) return shown;
      }
      if (Date.now() > deadline) throw new Error(`${selector} did not show ${text ?? "up"} within ${timeout} ms`);
      await page.waitForTimeout(20);
    }
  },
  async eval({ js }) {
    return page.evaluate(js);
  },
  async screenshot({ path }) {
    await page.screenshot({ path });
  },
  async scheme({ value }) {
    await page.emulateMedia({ colorScheme: value });
  },
  async viewport({ width, height }) {
    await page.setViewportSize({ width, height });
  },
};

const answer = (reply) => process.stdout.write(JSON.stringify(reply) + "\n");
const lines = createInterface({ input: process.stdin });
for await (const line of lines) {
  if (!line.trim()) continue;
  const { id, cmd, ...args } = JSON.parse(line);
  if (cmd === "close") break;
  try {
    const value = await commands[cmd](args);
    answer({ id, ok: true, value: value ?? null });
  } catch (error) {
    answer({ id, ok: false, error: String(error?.message ?? error) });
  }
}
await context.close();
rmSync(profile, { recursive: true, force: true });
// Standard input may still be open: nothing else is to be done.
process.exit(0);
