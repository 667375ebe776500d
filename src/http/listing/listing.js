// The folder page's small script; without it the page works all the same
// (the tiles show, the boxes and the button send the form).
(function () {
  'use strict';
  var KEY = 'orvane-view';
  var body = document.body;
  var view = document.getElementById('view');
  var zip = document.getElementById('zip');
  var boxes = document.querySelectorAll('input[name="n"]');

  // The grid or the list, as the visitor last chose on this phone.
  function show(list) {
    body.classList.toggle('list', list);
    view.textContent = list ? '\u7f51\u683c' : '\u5217\u8868'; // 网格 / 列表
  }
  var stored = null;
  try {
    stored = window.localStorage.getItem(KEY);
  } catch (e) {
    // Storage refused (a private window): the grid each time.
  }
  if (document.querySelector('.tiles li')) {
    view.hidden = false;
    show(stored === 'list');
    view.addEventListener('click', function () {
      var list = !body.classList.contains('list');
      show(list);
      try {
        window.localStorage.setItem(KEY, list ? 'list' : 'grid');
      } catch (e) {
        // Not remembered; the choice holds for this page.
      }
    });
  }

  // 下载所选 shows once something is ticked.
  function ticked() {
    for (var i = 0; i < boxes.length; i++) {
      if (boxes[i].checked) return true;
    }
    return false;
  }
  function follow() {
    zip.hidden = !ticked();
  }
  for (var i = 0; i < boxes.length; i++) boxes[i].addEventListener('change', follow);
  follow();
})();
