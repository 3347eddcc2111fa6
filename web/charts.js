// The page's charts on uPlot: lines over log time, bars, and the sweep's points and lines.
'use strict';

// 0x00BBGGRR as a CSS colour.
function cssColor(c) {
  const hex = (v) => v.toString(16).padStart(2, '0');
  return '#' + hex(c & 255) + hex((c >> 8) & 255) + hex((c >> 16) & 255);
}

// A chart of one line per group over log time; data = [x[], y0[], y1[], ...].
function timeChart(element, title, colors) {
  const series = [{}];
  colors.forEach((c, g) => series.push({ label: 'group ' + (g + 1), stroke: cssColor(c), width: 1.5,
    points: { show: false }, spanGaps: false }));
  return new uPlot({ title, width: 440, height: 260, series, legend: { show: false },
    scales: { x: { time: false, distr: 3 } }, axes: [{ label: 'step' }, {}] },
  [[], ...colors.map(() => [])], element);
}

// Bars at x = 1, 2, ... with their heights; a threshold line where given.
function barChart(element, title) {
  const bars = uPlot.paths.bars({ size: [0.8, 40] });
  return new uPlot({ title, width: 440, height: 260, legend: { show: false },
    // Bars stand on 0, the first and last whole.
    scales: { x: { time: false, range: (u, lo, hi) => [lo - 0.5, hi + 0.5] },
      y: { range: (u, lo, hi) => [0, hi > 0 ? hi * 1.05 : 1] } },
    series: [{}, { label: title, fill: '#7a9cc6', stroke: '#46648a', paths: bars, points: { show: false } },
      { label: 'threshold', stroke: '#c00', width: 1, points: { show: false } }] },
  [[], [], []], element);
}

// The sweep's result: each run's point, the average per value, the trend and the fit.
function sweepChart(element, title) {
  return new uPlot({ title, width: 440, height: 260, scales: { x: { time: false } },
    series: [{}, { label: 'runs', stroke: '#46648a', paths: () => null, points: { show: true, size: 5 } },
      // The lines join their own points over the runs' columns between them.
      { label: 'average', stroke: '#000', points: { show: true, size: 7 }, spanGaps: true },
      { label: 'trend', stroke: '#0a0', spanGaps: true }, { label: 'fit', stroke: '#c00', spanGaps: true }] },
  [[], [], [], [], []], element);
}

// Rows of one x with the y of every series there, as CSV (series: [{name, x[], y[]}]).
function seriesCsv(keyTitle, series) {
  const rows = new Map();
  series.forEach((s, i) => s.x.forEach((x, k) => {
    if (!rows.has(x)) rows.set(x, series.map(() => ''));
    const y = s.y[k];
    rows.get(x)[i] = y == null || Number.isNaN(y) ? '' : String(y);
  }));
  const keys = [...rows.keys()].sort((a, b) => a - b);
  return [keyTitle + ',' + series.map((s) => s.name).join(','),
    ...keys.map((k) => k + ',' + rows.get(k).join(','))].join('\n') + '\n';
}

function download(name, blob) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = name;
  a.click();
  setTimeout(() => URL.revokeObjectURL(a.href), 1000);
}
