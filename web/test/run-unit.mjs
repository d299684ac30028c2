// Runs the bundled unit tests with Node's own test runner (Node 18 and later).
import { spawnSync } from "node:child_process";
import { readdirSync } from "node:fs";
import { join } from "node:path";

const dir = new URL("../build/test/", import.meta.url).pathname;
const tests = readdirSync(dir).filter((name) => name.endsWith(".test.mjs")).map((name) => join(dir, name));
if (tests.length === 0) {
  console.error("no unit tests were built");
  process.exit(1);
}
const run = spawnSync(process.execPath, ["--test", "--test-reporter=tap", ...tests], { stdio: "inherit" });
process.exit(run.status ?? 1);
