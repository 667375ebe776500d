// A real resumable upload client (tus-js-client, found through NODE_PATH)
// sending one file, as a phone's browser or an app would.
//   node tus_client.js start ENDPOINT COOKIE FILE [STOP_AT]
//     creates an upload at ENDPOINT and sends FILE in one PATCH; with
//     STOP_AT (a fraction of the file), it sends in PATCHes of 8 MiB and is
//     ended once the server has taken that much, as when a phone loses its
//     network (a single PATCH would be all in the socket's buffers before
//     it could be ended). Prints {"url": ..., "done": true|false}.
//   node tus_client.js resume URL COOKIE FILE
//     goes on with the upload at URL: asks its offset, then sends the rest.
//     Prints {"told": offset the server told, "from": offset its first PATCH
//     began at, "patches": how many PATCHes it sent}.
// COOKIE is the whole Cookie value the access code asks for. The file's
// name and modification time go in the metadata. Exits 1 on any error.
'use strict';

const fs = require('fs');
const path = require('path');
const tus = require('tus-js-client');

function main() {
  const [mode, address, cookie, file, stopAt] = process.argv.slice(2);
  const bytes = fs.readFileSync(file);
  const stats = fs.statSync(file);
  const report = { told: null, from: null, patches: 0 };
  let stopping = false;

  const options = {
    headers: { Cookie: cookie },
    metadata: {
      filename: path.basename(file),
      lastModified: String(Math.floor(stats.mtimeMs)),
    },
    // No retries of its own: a failure is the test's to see.
    retryDelays: null,
    onBeforeRequest(request) {
      if (request.getMethod() !== 'PATCH') return;
      report.patches += 1;
      if (report.from === null) report.from = Number(request.getHeader('Upload-Offset'));
    },
    onAfterResponse(request, response) {
      if (request.getMethod() === 'HEAD') report.told = Number(response.getHeader('Upload-Offset'));
    },
    onChunkComplete(chunk, accepted) {
      if (stopAt !== undefined && !stopping && accepted >= Number(stopAt) * bytes.length) {
        stopping = true;
        // Ended without telling the server, as a dropped connection is.
        upload.abort(false).then(() => finish({ url: upload.url, done: false }));
      }
    },
    onError(error) {
      if (stopping) return;
      console.error(String(error));
      process.exit(1);
    },
    onSuccess() {
      finish(mode === 'start' ? { url: upload.url, done: true } : report);
    },
  };
  if (mode === 'start') {
    options.endpoint = address;
    if (stopAt !== undefined) options.chunkSize = 8 * 1024 * 1024;
  } else if (mode === 'resume') {
    options.uploadUrl = address;
  } else {
    console.error('usage: tus_client.js start|resume ADDRESS COOKIE FILE [STOP_AT]');
    process.exit(2);
  }
  const upload = new tus.Upload(bytes, options);
  upload.start();
}

function finish(result) {
  process.stdout.write(JSON.stringify(result) + '\n');
  process.exit(0);
}

main();
