// Keeps the site for use offline once it has loaded (offline_worker.js).
// A service worker needs a secure origin; elsewhere the page just runs.
"use strict";

if ("serviceWorker" in navigator && window.isSecureContext) {
  // At once, not at the page's load: the program's files keep the load
  // event waiting, and a new version of the site is looked for on every
  // visit, not only when the browser gets round to it (offline the look
  // fails, which is fine).
  navigator.serviceWorker.register("offline_worker.js")
      .then((registration) => registration.update().catch(() => {}),
            (error) => console.warn("The page is not kept for use offline: " + error));
}
