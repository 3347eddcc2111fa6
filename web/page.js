// The page: the main window's drawing, fields and run controls, the analysis charts and table,
// and the sweep run in a worker. Every rule (fields' limits and messages, the model, the
// measures, the averages, trend and fit) is the core's, through segsim-web.js.
'use strict';

const $ = (id) => document.getElementById(id);
const state = { running: false, stepsPerSecond: Infinity, series: null, charts: {}, errors: [] };
window.segsim = state;
window.addEventListener('error', (e) => state.errors.push(String(e.message)));

createSegsim().then((M) => {
  const page = new M.Page();
  state.module = M;
  state.page = page;
  const canvas = $('grid');
  const context = canvas.getContext('2d');

  // --- fields, from segsim-cli run's option table --------------------------------------------
  const shown = M.Page.options().filter((o) => o.name !== 'panel');
  const extra = [{ name: 'cluster-threshold', valueName: 'N',
    meaning: 'clusters of more agents than this are shown', value: '1' }];
  const inputs = {};
  for (const o of [...shown, ...extra]) {
    if (o.name === 'threshold') continue;  // the slider
    const label = document.createElement('label');
    label.className = 'field';
    label.title = o.meaning;
    label.innerHTML = '<span class="name"></span><input type="text"><span class="message"></span>';
    label.querySelector('.name').textContent = o.name === 'steps' ? 'stop at step' : o.name;
    const input = label.querySelector('input');
    input.name = o.name;
    input.addEventListener('input', () => fieldChanged(o.name));
    inputs[o.name] = input;
    $('fields').appendChild(label);
  }
  const message = (name) => inputs[name] && inputs[name].parentElement.querySelector('.message');

  function showFields() {
    for (const name of Object.keys(inputs)) inputs[name].value = page.field(name);
    $('threshold').value = page.field('threshold');
    $('thresholdText').textContent = page.field('threshold');
  }

  function fieldChanged(name) {
    const text = name === 'threshold' ? $('threshold').value : inputs[name].value;
    const refused = page.setField(name, text);
    const corrected = page.field(name);
    if (name === 'threshold') {
      $('thresholdText').textContent = corrected;
    } else if (corrected !== inputs[name].value) {
      inputs[name].value = corrected;
    }
    if (message(name)) message(name).textContent = refused;
    if (name === 'cluster-threshold' && !refused) drawAnalysis();
    showAddress();
  }
  $('threshold').addEventListener('input', () => fieldChanged('threshold'));

  function showAddress() {
    history.replaceState(null, '', '#' + page.address());
    $('command').value = page.command();
  }

  // --- the drawing ---------------------------------------------------------------------------
  function draw() {
    const w = page.width(), h = page.height();
    if (canvas.width !== w || canvas.height !== h) { canvas.width = w; canvas.height = h; }
    const bytes = new Uint8ClampedArray(M.HEAPU8.buffer, page.pixels(), w * h * 4);
    context.putImageData(new ImageData(bytes, w, h), 0, 0);
  }

  // --- the analysis ---------------------------------------------------------------------------
  function resetCharts(a) {
    for (const id of ['satisfaction', 'segregation', 'clusters', 'groups']) {
      if (state.charts[id]) state.charts[id].destroy();
      $(id).textContent = '';
    }
    state.charts.satisfaction = timeChart($('satisfaction'), 'average satisfaction', a.colors);
    state.charts.segregation = timeChart($('segregation'), 'segregation index', a.colors);
    state.charts.clusters = barChart($('clusters'), 'cluster size');
    state.charts.groups = barChart($('groups'), 'agents');
  }

  function takePoints() {
    const p = page.takePoints();
    const a = page.analysis();
    if (p.reset || !state.series || state.series.satisfaction.y.length !== a.colors.length) resetCharts(a);
    state.series = { satisfaction: p.satisfaction, segregation: p.segregation };
    return a;
  }

  function drawAnalysis() {
    const a = takePoints();
    state.last = a;
    shownStep = a.timeStep;
    const s = state.series;
    // NaN is a gap in the line; a step the line's thinning left out (Infinity) is passed over.
    const shown = (ys) => Array.from(ys, (y) => (Number.isNaN(y) ? null : y === Infinity ? undefined : y));
    state.charts.satisfaction.setData([s.satisfaction.x, ...s.satisfaction.y.map(shown)]);
    state.charts.segregation.setData([s.segregation.x, ...s.segregation.y.map(shown)]);
    const sizes = a.clusters.flat().sort((u, v) => v - u);
    state.charts.clusters.setData([sizes.map((_, i) => i + 1), sizes, sizes.map(() => a.clusterThreshold)]);
    state.charts.groups.setData([a.groupSizes.map((_, i) => i + 1), a.groupSizes, a.groupSizes.map(() => null)]);
    const g = a.table.length - 1;  // none before the first step
    let html = '<tr><th></th>' + a.table.slice(0, g).map((_, i) => '<th style="color:' + cssColor(a.colors[i]) + '">' + (i + 1) + '</th>').join('') + '</tr>';
    a.table.forEach((row, i) => {
      html += '<tr><th>' + (i < g ? i + 1 : 'IS') + '</th>' + row.map((t) => '<td>' + t + '</td>').join('') + '</tr>';
    });
    $('table').innerHTML = html;
    $('timeStep').textContent = page.timeStep();
    $('gridText').textContent = a.rows + ' x ' + a.cols + ' = ' + a.rows * a.cols + ' cells, ' + a.agents + ' agents';
  }

  // --- running --------------------------------------------------------------------------------
  let shownStep = -1;
  let last = performance.now(), owed = 0, rateSteps = 0, rateStart = last, lastCharts = 0;
  function runSteps(n) {
    const before = page.timeStep();
    const refused = page.steps(n);
    rateSteps += page.timeStep() - before;
    if (refused) { $('notice').textContent = refused; setRunning(false); }
    if (page.takeScheduledMade()) { showFields(); showAddress(); }
    if (page.takeAtStop()) setRunning(false);
  }
  // As fast as possible, the steps run in tasks of their own, slices of about 30 ms posted one
  // after another, and the browser draws between them. Stepping inside the frames instead left
  // the steps what the drawing did not take of each 16 ms frame, and a frame that ran over
  // waited for the next one.
  const slices = new MessageChannel();
  let slicing = false;
  slices.port1.onmessage = () => {
    slicing = false;
    if (!state.running || state.stepsPerSecond !== Infinity) return;
    const end = performance.now() + 30;
    do runSteps(1); while (state.running && performance.now() < end);
    if (state.running) startSlices();
  };
  function startSlices() {
    if (slicing) return;
    slicing = true;
    slices.port2.postMessage(null);
  }
  function frame(now) {
    if (state.running) {
      if (state.stepsPerSecond === Infinity) {
        startSlices();
      } else {
        owed += (now - last) / 1000 * state.stepsPerSecond;
        const n = Math.floor(owed);
        owed -= n;
        if (n > 0) runSteps(n);
      }
    }
    last = now;
    draw();
    // Running: the charts about ten times a second; stopped: once after each change of step.
    if (state.running ? now - lastCharts > 100 : page.timeStep() !== shownStep) {
      drawAnalysis();
      showCommand();
      lastCharts = now;
    }
    if (now - rateStart >= 1000) {
      $('rate').textContent = Math.round(rateSteps * 1000 / (now - rateStart));
      rateSteps = 0;
      rateStart = now;
    }
    requestAnimationFrame(frame);
  }
  function showCommand() { $('command').value = page.command(); }
  function setRunning(on) { state.running = on; owed = 0; }

  $('startstop').onclick = () => setRunning(!state.running);
  $('step').onclick = () => { setRunning(false); runSteps(1); drawAnalysis(); };
  $('setup').onclick = () => {
    const refused = page.newSetup();
    $('notice').textContent = refused;
    if (!refused) { state.series = null; drawAnalysis(); showAddress(); }
  };
  $('speed').oninput = () => {
    const v = Number($('speed').value);
    state.stepsPerSecond = v > 60 ? Infinity : v;
    $('speedText').textContent = v > 60 ? 'as fast as possible' : v + ' steps/s';
  };
  $('copy').onclick = () => {
    const command = page.command();
    $('command').value = command;
    if (navigator.clipboard) navigator.clipboard.writeText(command).catch(() => {});
  };

  // --- saves and the recording ---------------------------------------------------------------
  $('savePicture').onclick = () => canvas.toBlob((b) => download('segsim.png', b), 'image/png');
  for (const b of document.querySelectorAll('[data-save]')) {
    b.onclick = () => {
      const chart = state.charts[b.dataset.save];
      if (chart) chart.ctx.canvas.toBlob((blob) => download(b.dataset.save + '.png', blob), 'image/png');
    };
  }
  for (const b of document.querySelectorAll('[data-csv]')) {
    b.onclick = () => download(b.dataset.csv + '.csv', new Blob([csvOf(b.dataset.csv)], { type: 'text/csv' }));
  }
  function csvOf(id) {
    const s = state.series, a = state.last;
    const groups = (lines) => lines.y.map((ys, g) => {
      const kept = [...ys.keys()].filter((k) => ys[k] !== Infinity);
      return { name: 'group ' + (g + 1), x: kept.map((k) => lines.x[k]), y: kept.map((k) => ys[k]) };
    });
    if (id === 'satisfaction' || id === 'segregation') return seriesCsv('step', groups(s[id]));
    if (id === 'clusters') {
      const sizes = a.clusters.flat().sort((u, v) => v - u);
      return seriesCsv('cluster', [{ name: 'size', x: sizes.map((_, i) => i + 1), y: sizes }]);
    }
    if (id === 'groups') return seriesCsv('group', [{ name: 'agents', x: a.groupSizes.map((_, i) => i + 1), y: a.groupSizes }]);
    if (id === 'table') {
      // Unrounded values: D(i, j) for j > i in row i, IS in the last column.
      const g = a.groupSizes.length;
      const rows = ['group,' + a.groupSizes.map((_, i) => i + 1).join(',') + ',IS'];
      for (let i = 0; i < g; i++) {
        const row = a.dissimilarity[i] || [];
        rows.push((i + 1) + ',' + a.groupSizes.map((_, j) => (j >= i && row[j] != null ? row[j] : '')).join(',') + ',' + (a.segregation[i] ?? ''));
      }
      return rows.join('\n') + '\n';
    }
    return sweepCsv(id);
  }
  let recorder = null;
  $('record').onclick = () => {
    if (recorder) { recorder.stop(); return; }
    const chunks = [];
    recorder = new MediaRecorder(canvas.captureStream(30), { mimeType: 'video/webm' });
    recorder.ondataavailable = (e) => chunks.push(e.data);
    recorder.onstop = () => { download('segsim.webm', new Blob(chunks, { type: 'video/webm' })); recorder = null; $('record').textContent = 'record'; };
    recorder.start();
    $('record').textContent = 'stop recording';
  };

  // --- the sweep, in a worker ----------------------------------------------------------------
  const sweepDefaults = { param: 'threshold', from: '10', to: '70', increment: '20', runs: '2',
    steps: '30', seed: '1', 'cluster-threshold': '1', degree: '3' };
  const sweepInputs = {};
  for (const [name, value] of Object.entries(sweepDefaults)) {
    const label = document.createElement('label');
    label.className = 'field';
    const known = M.sweepOptions().find((o) => o.name === name);
    label.title = known ? known.meaning : '';
    label.innerHTML = '<span></span> <input type="text" size="6">';
    label.querySelector('span').textContent = name;
    label.querySelector('input').value = value;
    sweepInputs[name] = label.querySelector('input');
    $('sweepFields').appendChild(label);
  }
  let worker = null;
  const sweep = { runs: [], summary: [] };
  state.sweep = sweep;
  function sweepCsv(id) {
    const key = id === 'sweepClusters' ? 'clusters' : 'meanIs';
    return seriesCsv('value', [{ name: 'run', x: sweep.runs.map((r) => r.value), y: sweep.runs.map((r) => r[key]) },
      ...['average', 'trend', 'fit'].map((k) => {
        const rows = sweep.summary.filter((r) => r.kind === (key === 'meanIs' ? 'mean_is' : key) + '_' + k);
        return { name: k, x: rows.map((r) => r.x), y: rows.map((r) => r[key]) };
      })]);
  }
  function drawSweep() {
    for (const [id, key, kind] of [['sweepClusters', 'clusters', 'clusters'], ['sweepIs', 'meanIs', 'mean_is']]) {
      if (!state.charts[id]) state.charts[id] = sweepChart($(id), id === 'sweepClusters' ? 'clusters' : 'mean IS');
      const xs = [...new Set([...sweep.runs.map((r) => r.value), ...sweep.summary.filter((r) => r.x != null).map((r) => r.x)])].sort((u, v) => u - v);
      const at = (rows, x) => { const r = rows.find((q) => q.x === x); return r && r[key] != null && !Number.isNaN(r[key]) ? r[key] : null; };
      const lines = ['average', 'trend', 'fit'].map((k) => sweep.summary.filter((r) => r.kind === kind + '_' + k));
      // One column per run at its value: several runs of a value are drawn as several points.
      const data = [[], [], [], [], []];
      for (const x of xs) {
        const runs = sweep.runs.filter((r) => r.value === x);
        for (let i = 0; i < Math.max(1, runs.length); i++) {
          data[0].push(x);
          data[1].push(runs[i] && !Number.isNaN(runs[i][key]) ? runs[i][key] : null);
          for (let k = 0; k < 3; k++) data[k + 2].push(i === 0 ? at(lines[k], x) : null);
        }
      }
      state.charts[id].setData(data);
    }
  }
  function stopSweep(text) {
    if (worker) worker.terminate();
    worker = null;
    $('sweepStart').disabled = false;
    $('sweepStop').disabled = true;
    $('sweepText').textContent = text;
  }
  $('sweepStart').onclick = () => {
    const settings = {};
    for (const [name, input] of Object.entries(sweepInputs)) settings[name] = input.value;
    sweep.runs = [];
    sweep.summary = [];
    sweep.done = false;
    worker = new Worker('sweep_worker.js');
    $('sweepStart').disabled = true;
    $('sweepStop').disabled = false;
    $('sweepText').textContent = 'running';
    worker.onmessage = (e) => {
      const m = e.data;
      if (m.type === 'run') sweep.runs.push(m.row);
      else if (m.type === 'summary') sweep.summary.push(m.row);
      else if (m.type === 'progress') { $('sweepProgress').max = m.planned; $('sweepProgress').value = m.done; }
      else if (m.type === 'done') { sweep.done = true; sweep.error = m.error; stopSweep(m.error || 'done'); }
      if (m.type !== 'progress') drawSweep();
    };
    worker.postMessage(settings);
  };
  $('sweepStop').onclick = () => stopSweep('stopped');

  // --- start: the address's settings, then the run -------------------------------------------
  const ignored = page.readAddress(decodeURIComponent(location.hash.slice(1)));
  $('notice').textContent = ignored.join('; ');
  state.ignored = ignored;
  showFields();
  draw();
  drawAnalysis();
  showAddress();
  state.firstDrawing = performance.now();
  state.ready = true;
  setRunning(true);  // the window runs from its creation, without a click
  requestAnimationFrame(frame);
});
