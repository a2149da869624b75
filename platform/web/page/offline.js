// Keeps the site for use offline once it has loaded (offline_worker.js).
// A service worker needs a secure origin; elsewhere the page just runs.
"use strict";

if ("serviceWorker" in navigator && window.isSecureContext) {
  window.addEventListener("load", function () {
    navigator.serviceWorker.register("offline_worker.js").then(function (registration) {
      // Looks for a new version of the site on every visit, not only when
      // the browser gets round to it; offline that fails, which is fine.
      return registration.update().catch(() => {});
    }, function (error) {
      console.warn("The page is not kept for use offline: " + error);
    });
  });
}
