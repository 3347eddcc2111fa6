// The web edition against the native segsim-cli, side by side on this machine: steps per second
// at the defaults in the page (headless Chromium, drawing and charts on), in segsim-cli.js under
// Node and in the native segsim-cli; the time to the page's first drawing; the sizes of the page's
// files, raw and compressed.
// usage: node bench/web_bench.mjs BUILD_WEB NATIVE_SEGSIM_CLI [STEPS]
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync, readFileSync, readdirSync, existsSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { extname, join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';

const [web, cli, stepsText = '1500'] = process.argv.slice(2);
const steps = Number(stepsText);
const require = createRequire(join(dirname(fileURLToPath(import.meta.url)), '../web/package.json'));
const { chromium } = require('playwright-core');

// Best of three, in seconds.
function best(run) {
  let t = Infinity;
  for (let i = 0; i < 3; i++) {
    const start = process.hrtime.bigint();
    run();
    t = Math.min(t, Number(process.hrtime.bigint() - start) / 1e9);
  }
  return t;
}
const args = ['run', '--seed', '1', '--steps', String(steps), '--summary'];
const setupOnly = ['run', '--seed', '1', '--steps', '0', '--summary'];
const nativeRun = best(() => execFileSync(cli, args)) - best(() => execFileSync(cli, setupOnly));
const node = (a) => () => execFileSync('node', ['--no-experimental-fetch', join(web, 'segsim-cli.js'), ...a]);
const nodeRun = best(node(args)) - best(node(setupOnly));

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };
const server = createServer((req, res) => {
  const file = join(web, new URL(req.url, 'http://x').pathname.replace(/\/$/, '/index.html'));
  if (!existsSync(file)) { res.writeHead(404); res.end(); return; }
  res.writeHead(200, { 'Content-Type': types[extname(file)] || 'application/octet-stream' });
  res.end(readFileSync(file));
});
await new Promise((r) => server.listen(0, '127.0.0.1', r));
const profile = mkdtempSync(join(tmpdir(), 'segsim-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium', headless: true, viewport: { width: 1400, height: 1000 },
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'] });
let pageRate = 0, firstDrawing = Infinity;
for (let i = 0; i < 3; i++) {
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/#seed=1&steps=${steps}`);
  await page.waitForFunction(() => window.segsim && window.segsim.ready, null, { timeout: 30000 });
  const start = await page.evaluate(() => [performance.now(), window.segsim.page.timeStep(), window.segsim.firstDrawing]);
  await page.waitForFunction(() => !window.segsim.running, null, { timeout: 600000, polling: 50 });
  const end = await page.evaluate(() => [performance.now(), window.segsim.page.timeStep()]);
  pageRate = Math.max(pageRate, (end[1] - start[1]) / ((end[0] - start[0]) / 1000));
  firstDrawing = Math.min(firstDrawing, start[2]);
  await page.close();
}
await browser.close();
server.close();
rmSync(profile, { recursive: true, force: true });

const nativeRate = steps / nativeRun, nodeRate = steps / nodeRun;
console.log(`steps per second at the defaults (${steps} steps, setup excluded, best of 3):`);
console.log(`  native segsim-cli   ${nativeRate.toFixed(0)}`);
console.log(`  segsim-cli.js Node  ${nodeRate.toFixed(0)}  (${(100 * nodeRate / nativeRate).toFixed(0)} % of native)`);
console.log(`  page in Chromium    ${pageRate.toFixed(0)}  (${(100 * pageRate / nativeRate).toFixed(0)} % of native; drawing and charts on)`);
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
