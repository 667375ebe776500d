// The upload area's script: each file picked is sent with the resumable
// upload protocol (tus 1.0.0) to the form's address, up to three at once,
// with a bar for each file and one for the whole. When a request fails, the
// network drops or the page comes back from the background, the file's line
// says it is paused, and the script asks the server how far the file got
// and goes on from there, after growing waits, for as long as the page is
// open. Each upload's address is kept in localStorage under the file's name,
// size and time, so after a reload the same file picked again goes on from
// its offset. Nothing here needs HTTPS. Without this script the form sends
// the files in one ordinary POST.
(function () {
  'use strict';

  var form = document.querySelector('#up form');
  if (!form || !window.XMLHttpRequest || !window.TextEncoder || !window.Blob) return;

  var ADDRESS = form.getAttribute('action');
  var AT_ONCE = 3;
  // A file up to this size goes in the request that creates its upload.
  var SMALL = 1024 * 1024;
  // Seconds to wait before each retry; the last one is kept.
  var WAITS = [1, 2, 4, 8, 16, 30];
  // A request that sends nothing for this long is given up and retried (a
  // network gone without a word).
  var STALL_MS = 15000;
  var STORE = 'orvane-upload:';
  // Statuses after which trying again cannot help.
  var FINAL = [400, 403, 412, 413, 415, 507];
  var TEXT = {
    arrived: '\u5df2\u6536\u5230 ',          // 已收到
    failed: '\u672a\u80fd\u6536\u5230 ',     // 未能收到
    paused: '\u5df2\u6682\u505c\uff0c\u7a0d\u540e\u7ee7\u7eed',  // 已暂停，稍后继续
  };

  var list = document.getElementById('files');
  var whole = document.getElementById('all');
  var jobs = [];
  var running = 0;

  form.onsubmit = function (event) {
    var files = form.elements.f.files;
    if (!files || !files.length) return;
    event.preventDefault();
    for (var i = 0; i < files.length; i++) jobs.push(newJob(files[i]));
    form.reset();
    whole.hidden = false;
    showProgress();
    startMore();
  };

  // A page that comes back, or a network that returns, goes on at once. A
  // network the system says is gone ends the requests under way: on a
  // phone they would otherwise hang until the connection times out.
  document.addEventListener('visibilitychange', function () {
    if (!document.hidden) wakePaused();
  });
  window.addEventListener('online', wakePaused);
  window.addEventListener('offline', function () {
    for (var i = 0; i < jobs.length; i++) {
      if (jobs[i].request) jobs[i].request.abort();
    }
  });

  function newJob(file) {
    var line = document.createElement('li');
    var name = document.createElement('span');
    var state = document.createElement('span');
    var bar = document.createElement('progress');
    name.textContent = file.name;
    state.className = 'state';
    bar.max = file.size || 1;
    bar.value = 0;
    line.appendChild(name);
    line.appendChild(state);
    line.appendChild(bar);
    list.appendChild(line);
    return {
      file: file,
      key: STORE + file.name + '|' + file.size + '|' + file.lastModified,
      line: line, state: state, bar: bar,
      url: null,        // the upload's address once it has one
      offset: null,     // what the server holds; null until it said
      sent: 0,          // sent past the offset by the request under way
      shown: 0,         // what its bar shows while the offset is asked
      status: 'waiting',  // waiting, going, paused, done
      tries: 0, timer: null, request: null,
    };
  }

  function startMore() {
    for (var i = 0; i < jobs.length && running < AT_ONCE; i++) {
      if (jobs[i].status !== 'waiting') continue;
      running++;
      jobs[i].url = remembered(jobs[i].key);
      go(jobs[i]);
    }
  }

  // The next request the job needs: its creation, its offset, or its bytes.
  function go(job) {
    job.status = 'going';
    job.state.textContent = '';
    if (!job.url) return create(job);
    if (job.offset === null) return askOffset(job);
    return append(job);
  }

  function create(job) {
    var withBytes = job.file.size <= SMALL;
    var request = open(job, 'POST', ADDRESS, withBytes ? job.file.size : 0);
    request.setRequestHeader('Upload-Length', String(job.file.size));
    request.setRequestHeader('Upload-Metadata', 'filename ' + base64(job.file.name) +
                             ',lastModified ' + base64(String(job.file.lastModified)));
    request.onload = function () {
      var location = request.getResponseHeader('Location');
      if (request.status !== 201 || !location) return failed(job, request.status);
      job.url = location;
      job.offset = withBytes ? Number(request.getResponseHeader('Upload-Offset')) : 0;
      if (job.offset >= job.file.size) return arrived(job);
      remember(job.key, job.url);
      go(job);
    };
    if (!withBytes) return request.send(null);
    request.setRequestHeader('Content-Type', 'application/offset+octet-stream');
    request.send(job.file);
  }

  function askOffset(job) {
    var request = open(job, 'HEAD', job.url, 0);
    request.onload = function () {
      if (request.status === 404 || request.status === 410) return startOver(job);
      if (request.status !== 200) return failed(job, request.status);
      job.offset = Number(request.getResponseHeader('Upload-Offset'));
      if (job.offset >= job.file.size) return arrived(job);
      go(job);
    };
    request.send(null);
  }

  // The rest of the file in one request, its progress shown as it leaves.
  function append(job) {
    var request = open(job, 'PATCH', job.url, job.file.size - job.offset);
    request.setRequestHeader('Upload-Offset', String(job.offset));
    request.setRequestHeader('Content-Type', 'application/offset+octet-stream');
    request.onload = function () {
      if (request.status === 404 || request.status === 410) return startOver(job);
      if (request.status === 409) {
        // The server holds another offset than this page thought: ask it.
        job.offset = null;
        return go(job);
      }
      if (request.status !== 204) return failed(job, request.status);
      job.offset = Number(request.getResponseHeader('Upload-Offset'));
      job.sent = 0;
      if (job.offset >= job.file.size) return arrived(job);
      go(job);
    };
    request.send(job.file.slice(job.offset));
  }

  // A request of the protocol, watched for a network that fails or stalls.
  function open(job, method, url, bytes) {
    var request = new XMLHttpRequest();
    var stall = null;
    function watch() {
      clearTimeout(stall);
      stall = setTimeout(function () { request.abort(); }, STALL_MS);
    }
    job.request = request;
    job.sent = 0;
    request.open(method, url);
    request.setRequestHeader('Tus-Resumable', '1.0.0');
    request.upload.onprogress = function (event) {
      watch();
      if (event.loaded > 0) job.tries = 0;
      job.sent = Math.min(event.loaded, bytes);
      showProgress();
    };
    request.onloadend = function () {
      clearTimeout(stall);
      // Its load may already have started the job's next request.
      if (job.request === request) job.request = null;
    };
    request.onerror = request.onabort = request.ontimeout = function () { pause(job); };
    watch();
    return request;
  }

  // The upload the server no longer knows (ended, or removed after an hour
  // without a byte) is made anew.
  function startOver(job) {
    forget(job.key);
    job.url = null;
    job.offset = null;
    go(job);
  }

  function failed(job, status) {
    if (FINAL.indexOf(status) < 0) return pause(job);
    forget(job.key);
    finish(job, TEXT.failed + job.file.name);
  }

  // Waits, then asks the offset and goes on; the waits grow to half a minute.
  function pause(job) {
    if (job.status !== 'going') return;
    job.status = 'paused';
    job.shown = (job.offset || 0) + job.sent;
    job.offset = null;
    job.sent = 0;
    job.state.textContent = ' ' + TEXT.paused;
    showProgress();
    var wait = WAITS[Math.min(job.tries, WAITS.length - 1)];
    job.tries++;
    job.timer = setTimeout(function () { go(job); }, wait * 1000);
  }

  function wakePaused() {
    for (var i = 0; i < jobs.length; i++) {
      if (jobs[i].status !== 'paused') continue;
      clearTimeout(jobs[i].timer);
      go(jobs[i]);
    }
  }

  function arrived(job) {
    forget(job.key);
    job.offset = job.file.size;
    finish(job, TEXT.arrived + job.file.name);
  }

  function finish(job, text) {
    job.status = 'done';
    job.sent = 0;
    job.line.textContent = text;
    running--;
    showProgress();
    startMore();
  }

  // Each file's bar and the whole one: what the server holds, and what is
  // on its way.
  function showProgress() {
    var total = 0;
    var done = 0;
    for (var i = 0; i < jobs.length; i++) {
      var job = jobs[i];
      // While paused, what the server was last known to hold.
      var here = job.offset === null ? job.shown : job.offset + job.sent;
      total += job.file.size;
      done += job.status === 'done' ? job.file.size : here;
      job.bar.value = here;
    }
    whole.max = total || 1;
    whole.value = done;
  }

  function base64(text) {
    var bytes = new TextEncoder().encode(text);
    var binary = '';
    for (var i = 0; i < bytes.length; i++) binary += String.fromCharCode(bytes[i]);
    return btoa(binary);
  }

  // localStorage may be missing or refuse (a private window): the upload
  // then goes on only while the page stays open.
  function remembered(key) {
    try { return window.localStorage.getItem(key); } catch (e) { return null; }
  }
  function remember(key, url) {
    try { window.localStorage.setItem(key, url); } catch (e) { /* kept in the page only */ }
  }
  function forget(key) {
    try { window.localStorage.removeItem(key); } catch (e) { /* nothing kept */ }
  }
})();
