// The sweep, run by the core away from the page: each run, the summary rows and the progress
// posted as they come. The page ends the worker to stop the sweep.
'use strict';
importScripts('segsim-web.js');
const ready = createSegsim();
onmessage = (e) => {
  ready.then((M) => {
    const error = M.runSweep(e.data, {
      run: (row) => postMessage({ type: 'run', row }),
      summary: (row) => postMessage({ type: 'summary', row }),
      progress: (done, planned) => postMessage({ type: 'progress', done, planned }),
    });
    postMessage({ type: 'done', error });
  });
};
