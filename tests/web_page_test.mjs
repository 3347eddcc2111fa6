// The web edition in headless Chromium against the native segsim-cli: a run from an address
// gives the trace's measures exactly and the command that repeats it; bad field texts get the
// window's corrections and messages; a bad address keeps the defaults and says what it ignored;
// a sweep in the worker gives segsim-cli sweep's runs; the console stays free of errors.
// usage: node tests/web_page_test.mjs BUILD_WEB NATIVE_SEGSIM_CLI
import { execFileSync } from 'node:child_process';
import { openBrowser } from './web_browser.mjs';

const [web, cli] = process.argv.slice(2);
const { base, browser, close } = await openBrowser(web);
const failures = [];
const expect = (ok, what) => { if (!ok) failures.push(what); };
const native = (...args) => execFileSync(cli, args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], maxBuffer: 1 << 28 });
const lastLine = (text) => JSON.parse(text.trim().split('\n').pop());

async function open(address) {
  const page = await browser.newPage();
  page.on('console', (m) => { if (m.type() === 'error') { failures.push('console: ' + m.text()); console.error(m.text()); } });
  page.on('pageerror', (e) => { failures.push('page error: ' + e.message); console.error(e.stack); });
  await page.goto(base + '#' + address);
  await page.waitForFunction(() => window.segsim && window.segsim.ready, null, { timeout: 20000 });
  return page;
}

// Runs from addresses to their stop step: the page's measures are the trace's last line.
for (const [address, args] of [
  ['seed=3&steps=31&groups=3&cluster-threshold=0', ['--seed', '3', '--steps', '31', '--groups', '3']],
  ['seed=7&steps=40&radius=2&threshold=45&tile-size=9', ['--seed', '7', '--steps', '40', '--radius', '2', '--threshold', '45', '--tile-size', '9']],
  ['seed=4&steps=50&set=20:threshold=45&set=30:tile-size=9&set=30:agents=9000', ['--seed', '4', '--steps', '50', '--set', '20:threshold=45', '--set', '30:tile-size=9', '--set', '30:agents=9000']],
]) {
  const page = await open(address);
  await page.waitForFunction(() => !window.segsim.running, null, { timeout: 60000 });
  const shown = await page.evaluate(() => ({ a: window.segsim.page.analysis(), command: window.segsim.page.command() }));
  const trace = lastLine(native('run', ...args));
  const g = trace.satisfaction.length;
  expect(shown.a.timeStep === trace.step, `${address}: stopped at ${shown.a.timeStep}, not ${trace.step}`);
  expect(JSON.stringify(shown.a.satisfaction) === JSON.stringify(trace.satisfaction), `${address}: satisfaction`);
  expect(JSON.stringify(shown.a.segregation) === JSON.stringify(trace.segregation), `${address}: segregation`);
  const rows = shown.a.dissimilarity.map((row, i) => row.slice(i + 1));
  expect(JSON.stringify(rows) === JSON.stringify(trace.dissimilarity.slice(0, g)), `${address}: dissimilarity`);
  if (address.includes('cluster-threshold=0')) {
    expect(JSON.stringify(shown.a.clusters) === JSON.stringify(lastLine(native('run', ...args.slice(0, 2), '--steps', '31', ...args.slice(4))).clusters), `${address}: clusters`);
  }
  // The command repeats the run: the same last line.
  const repeated = lastLine(native(...shown.command.split(' ').slice(1)));
  expect(JSON.stringify(repeated) === JSON.stringify(trace), `${address}: "${shown.command}" repeats another run`);
  await page.close();
}

// Field texts as the window takes them, a setting changed while the model runs.
{
  const page = await open('seed=5&steps=1000');
  await page.waitForFunction(() => !window.segsim.running, null, { timeout: 60000 });
  const cases = [
    ['agents', 'abc', 'abc', "'abc' ist kein gültiger Integerwert"],
    ['radius', '99999', '37', ''],
    ['cell-size', '0', '1', ''],
    ['agents', '99999', String(13456 - Math.round(13456 * 0.05)), ''],
  ];
  for (const [name, typed, kept, message] of cases) {
    await page.fill(`input[name="${name}"]`, typed);
    const seen = await page.evaluate((n) => [document.querySelector(`input[name="${n}"]`).value,
      document.querySelector(`input[name="${n}"]`).parentElement.querySelector('.message').textContent], name);
    expect(seen[0] === kept && seen[1] === message, `${name} "${typed}": shows "${seen[0]}" and "${seen[1]}"`);
  }
  await page.fill('input[name="cell-size"]', '6');
  await page.fill('input[name="radius"]', '5');
  await page.fill('input[name="agents"]', '12783');
  await page.fill('input[name="tile-size"]', '1y');
  const refused = await page.evaluate(() => window.segsim.page.newSetup());
  expect(refused === "'1y' ist kein gültiger Integerwert", `new Setup with a bad tile size: "${refused}"`);
  await page.fill('input[name="tile-size"]', '20');
  const t0 = await page.evaluate(() => window.segsim.page.timeStep());
  for (let i = 0; i < 12; i++) await page.click('#step');
  await page.$eval('#threshold', (e) => { e.value = '55'; e.dispatchEvent(new Event('input')); });
  for (let i = 0; i < 8; i++) await page.click('#step');
  const run = await page.evaluate(() => ({ a: window.segsim.page.analysis(), command: window.segsim.page.command() }));
  expect(run.command.includes(`--set ${t0 + 13}:threshold=55`) && run.command.includes(`--steps ${t0 + 20} `), `command "${run.command}"`);
  const trace = lastLine(native(...run.command.split(' ').slice(1)));
  expect(JSON.stringify(run.a.satisfaction) === JSON.stringify(trace.satisfaction), 'stepped run with a change: satisfaction');
  await page.close();
}

// A bad address: the defaults for what it refuses, and which it ignored.
{
  const page = await open('seed=2&bogus=3&threshold=300&groups=2&cell-size=1&panel=90000&set=5:groups=3');
  const state = await page.evaluate(() => ({ ignored: window.segsim.ignored, threshold: window.segsim.page.field('threshold'),
    groups: window.segsim.page.field('groups'), notice: document.getElementById('notice').textContent }));
  expect(state.ignored.length === 4 && state.ignored[0].includes('bogus') && state.ignored[1].includes('threshold=300') &&
    state.ignored[2].includes('needs about') && state.ignored[3].includes('set=5:groups=3'), `ignored: ${JSON.stringify(state.ignored)}`);
  expect(state.threshold === '20' && state.groups === '2' && state.notice.includes('bogus'), `kept: ${JSON.stringify(state)}`);
  await page.close();
}

// A sweep in the worker: segsim-cli sweep's runs.
{
  const page = await open('seed=1&steps=1');
  await page.evaluate(() => {
    const set = (n, v) => { document.querySelector('#sweepFields').querySelectorAll('input')
      .forEach((i) => { if (i.previousElementSibling.textContent === n) i.value = v; }); };
    set('from', '10'); set('to', '30'); set('increment', '20'); set('runs', '1'); set('steps', '5');
    document.getElementById('sweepStart').click();
  });
  await page.waitForFunction(() => window.segsim.sweep.done, null, { timeout: 60000 });
  const runs = await page.evaluate(() => window.segsim.sweep.runs);
  const csv = native('sweep', '--param', 'threshold', '--from', '10', '--to', '30', '--increment', '20',
    '--runs', '1', '--steps', '5', '--seed', '1').split('\n').filter((l) => l.startsWith('run,'));
  expect(runs.length === csv.length && runs.every((r, i) => {
    const c = csv[i].split(',');
    return String(r.value) === c[2] && String(r.clusters) === c[5] && String(r.meanIs) === c[6];
  }), `sweep runs ${JSON.stringify(runs)}`);
  await page.close();
}

await close();
for (const f of failures) console.error('FAIL ' + f);
console.log(`web_page_test: ${failures.length} failures`);
process.exit(failures.length ? 1 : 0);
