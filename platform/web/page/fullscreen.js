// The window fullscreen: the canvas at the largest integer scale that fits
// the screen, black around it (page.js sizes it). Escape leaves, as in any
// page: most browsers take that key for themselves while fullscreen; where
// one hands it to the page, the page leaves, and the program does not see
// the key either way.
"use strict";

(function () {
  const button = document.getElementById("fullscreen");
  const area = document.getElementById("window-area");
  if (!document.fullscreenEnabled) {
    button.hidden = true;
    return;
  }
  area.addEventListener("keydown", function (event) {
    if (event.key !== "Escape" || document.fullscreenElement !== area) return;
    event.stopImmediatePropagation();
    event.preventDefault();
    document.exitFullscreen().catch(() => {});
  }, true);
  button.addEventListener("click", function () {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
      return;
    }
    area.requestFullscreen({navigationUI: "hide"})
        .then(() => area.focus({preventScroll: true}))
        .catch(() => {});
  });
})();
