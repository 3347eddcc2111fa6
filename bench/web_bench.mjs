// The web edition against the native segsim-cli, side by side on this machine: steps per second
// at the defaults in the page (headless Chromium, drawing and charts on), in segsim-cli.js under
// Node and in the native segsim-cli; the time to the page's first drawing; the sizes of the page's
// files, raw and compressed. A run at the defaults settles after about 100 steps, and a settled
// step costs a fraction of a busy one: the whole run of STEPS and its first 100 steps are timed
// apart.
// usage: node bench/web_bench.mjs BUILD_WEB NATIVE_SEGSIM_CLI [STEPS]
import { execFileSync } from 'node:child_process';
import { readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { openBrowser } from '../tests/web_browser.mjs';

const [web, cli, stepsText = '10000'] = process.argv.slice(2);
const steps = Number(stepsText);

// Best of `times`, in seconds.
function best(run, times) {
  let t = Infinity;
  for (let i = 0; i < times; i++) {
    const start = process.hrtime.bigint();
    run();
    t = Math.min(t, Number(process.hrtime.bigint() - start) / 1e9);
  }
  return t;
}
// Steps per second of runs of n steps, the setup's time taken off.
const run = (n) => ['run', '--seed', '1', '--steps', String(n), '--summary'];
const rate = (start, n, times) => n / (best(start(run(n)), times) - best(start(run(0)), times));
const native = (a) => () => execFileSync(cli, a);
const node = (a) => () => execFileSync('node', ['--no-experimental-fetch', join(web, 'segsim-cli.js'), ...a]);
const nativeRate = rate(native, steps, 3), nodeRate = rate(node, steps, 3);
const nativeBusy = rate(native, 100, 9), nodeBusy = rate(node, 100, 9);

const { base, browser, close } = await openBrowser(web, { width: 1400, height: 1000 });
let pageRate = 0, firstDrawing = Infinity;
for (let i = 0; i < 3; i++) {
  const page = await browser.newPage();
  await page.goto(`${base}#seed=1&steps=${steps}`);
  await page.waitForFunction(() => window.segsim && window.segsim.ready, null, { timeout: 30000 });
  const start = await page.evaluate(() => [performance.now(), window.segsim.page.timeStep(), window.segsim.firstDrawing]);
  await page.waitForFunction(() => !window.segsim.running, null, { timeout: 600000, polling: 50 });
  const end = await page.evaluate(() => [performance.now(), window.segsim.page.timeStep()]);
  pageRate = Math.max(pageRate, (end[1] - start[1]) / ((end[0] - start[0]) / 1000));
  firstDrawing = Math.min(firstDrawing, start[2]);
  await page.close();
}
await close();

const percent = (r) => `(${(100 * r / nativeRate).toFixed(0)} % of native)`;
console.log(`steps per second at the defaults, ${steps} steps, setup excluded, best of 3:`);
console.log(`  native segsim-cli   ${nativeRate.toFixed(0)}`);
console.log(`  segsim-cli.js Node  ${nodeRate.toFixed(0)}  ${percent(nodeRate)}`);
console.log(`  page in Chromium    ${pageRate.toFixed(0)}  ${percent(pageRate)}; drawing and charts on`);
console.log(`the first 100 steps, before the run settles (best of 9):`);
console.log(`  native segsim-cli   ${nativeBusy.toFixed(0)}`);
console.log(`  segsim-cli.js Node  ${nodeBusy.toFixed(0)}  (${(100 * nodeBusy / nativeBusy).toFixed(0)} % of native)`);
console.log(`first drawing: ${firstDrawing.toFixed(0)} ms after the start of the page's load`);
let raw = 0, packed = 0;
for (const f of readdirSync(web).filter((n) => /\.(html|js|css|wasm)$/.test(n) && !n.startsWith('segsim-cli'))) {
  const bytes = readFileSync(join(web, f));
  const gz = gzipSync(bytes, { level: 9 }).length;
  raw += bytes.length;
  packed += gz;
  console.log(`  ${f.padEnd(20)} ${String(bytes.length).padStart(8)} bytes, gzip ${String(gz).padStart(8)}`);
}
console.log(`the page's files: ${raw} bytes, ${packed} compressed with gzip`);
