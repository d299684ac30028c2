// Builds the page into dist/: the script bundle, the service worker with the list of files it
// keeps, and the static files. Every URL is relative, so dist/ works from any folder of any
// static host. `--tests` also bundles the unit tests into build/test/ for Node's test runner.
import { createHash } from "node:crypto";
import { cpSync, mkdirSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from "node:fs";
import { join, relative } from "node:path";
import { gzipSync } from "node:zlib";
import { build } from "esbuild";

const here = new URL(".", import.meta.url).pathname;
const dist = join(here, "dist");
// The whole page, gzipped, must stay under this.
const BUDGET = 60 * 1024;

function files(dir) {
  return readdirSync(dir).flatMap((name) => {
    const path = join(dir, name);
    return statSync(path).isDirectory() ? files(path) : [path];
  });
}

async function buildPage() {
  rmSync(dist, { recursive: true, force: true });
  mkdirSync(dist, { recursive: true });
  cpSync(join(here, "static"), dist, { recursive: true });
  await build({
    entryPoints: [join(here, "src/main.ts")],
    outfile: join(dist, "app.js"),
    bundle: true,
    minify: true,
    format: "iife",
    target: ["chrome100", "edge100", "firefox115", "safari15"],
    legalComments: "none",
    logLevel: "warning",
  });
  const cached = files(dist).sort();
  const version = createHash("sha256");
  for (const path of cached) version.update(relative(dist, path)).update(readFileSync(path));
  await build({
    entryPoints: [join(here, "src/sw.ts")],
    outfile: join(dist, "sw.js"),
    bundle: true,
    minify: true,
    format: "iife",
    target: ["chrome100"],
    define: {
      PRECACHE: JSON.stringify(["./", ...cached.map((path) => relative(dist, path))]),
      VERSION: JSON.stringify(version.digest("hex").slice(0, 12)),
    },
    logLevel: "warning",
  });
  let total = 0;
  const lines = [];
  for (const path of files(dist).sort()) {
    const size = gzipSync(readFileSync(path), { level: 9 }).length;
    total += size;
    lines.push(`  ${relative(dist, path).padEnd(28)} ${String(size).padStart(7)} bytes gzipped`);
  }
  console.log(`page built in ${relative(process.cwd(), dist) || "."}:\n${lines.join("\n")}`);
  console.log(`page total: ${total} bytes gzipped (budget ${BUDGET})`);
  if (total > BUDGET) {
    console.error(`the page is ${total - BUDGET} bytes over its budget`);
    process.exit(1);
  }
}

async function buildTests() {
  const out = join(here, "build/test");
  rmSync(out, { recursive: true, force: true });
  const tests = files(join(here, "test/unit")).filter((path) => path.endsWith(".test.ts"));
  await build({
    entryPoints: tests,
    outdir: out,
    outExtension: { ".js": ".mjs" },
    bundle: true,
    platform: "node",
    format: "esm",
    target: "node18",
    sourcemap: "inline",
    logLevel: "warning",
  });
}

await buildPage();
if (process.argv.includes("--tests")) await buildTests();
