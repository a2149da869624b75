// On-screen keys for a phone or a tablet (a coarse pointer, most likely no
// keyboard): each press and release goes into the program's key queue as
// the same key typed would. A keyboard attached still works beside them.
"use strict";

(function () {
  const keys = document.getElementById("touch-keys");
  const coarse = matchMedia("(pointer: coarse)");

  function showKeys() {
    keys.hidden = !coarse.matches;
  }
  coarse.addEventListener("change", showKeys);
  showKeys();

  for (const button of keys.querySelectorAll("button")) {
    const {code, key} = button.dataset;
    let down = false;
    button.addEventListener("pointerdown", function (event) {
      // No focus move, no emulated mouse events, no double-tap zoom.
      event.preventDefault();
      button.setPointerCapture(event.pointerId);
      down = true;
      FractalsPage.key(true, code, key);
    });
    const release = function () {
      if (!down) return;
      down = false;
      FractalsPage.key(false, code, key);
    };
    button.addEventListener("pointerup", release);
    button.addEventListener("pointercancel", release);
    button.addEventListener("lostpointercapture", release);
  }
})();
