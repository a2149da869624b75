// Part of the module's own script (linked with --pre-js), so it runs in every
// worker of the threaded build too. A trap ends a worker's turn with an
// uncaught error that the page's own thread never sees: the worker hands its
// name, message and stack to the page, on the channel named in the worker
// script's address (page.js, Module.locateFile), and keeps it from going
// further as an error of the worker.
if (typeof WorkerGlobalScope !== "undefined" && self instanceof WorkerGlobalScope &&
    typeof BroadcastChannel === "function") {
  (function () {
    const name = new URLSearchParams(self.location.search).get("channel");
    if (!name) return;
    const channel = new BroadcastChannel(name);
    self.addEventListener("error", function (event) {
      // A call stack used up may come without its error object: its text then.
      const error = event.error;
      const known = error instanceof Error;
      channel.postMessage({
        name: !known ? "" : error instanceof WebAssembly.RuntimeError ? "RuntimeError" : error.name,
        message: String(known ? error.message : event.message),
        stack: String((known && error.stack) || ""),
      });
      event.preventDefault();
    });
  })();
}
