// Picks the build of the program this browser can run and loads it, saying
// on the status line what it loads and, when a part fails, what failed in
// words a user reads. The threaded build needs shared memory, which a
// browser gives only to a page that is cross-origin isolated; everywhere
// else the build without threads runs, which needs nothing of the server.
"use strict";

(function (tag) {
  const status = document.getElementById("status");
  const program = tag.dataset.program;

  function say(text) {
    status.textContent = text;
  }

  function failed(text) {
    say(text);
    document.body.dataset.loadFailed = "true";
  }

  function sharedMemory() {
    return typeof SharedArrayBuffer === "function" && window.crossOriginIsolated === true;
  }

  function why() {
    if (!window.isSecureContext) return "this address is not a secure one (https or localhost)";
    if (!window.crossOriginIsolated) return "the server does not isolate the page";
    return "this browser gives pages no shared memory";
  }

  function kilobytes(bytes) {
    return Math.round(bytes / 1024) + " kB";
  }

  // The module's .wasm, fetched here so that a slow link shows its progress
  // and a failure its cause; any content type will do.
  async function fetchProgram(url) {
    let response;
    try {
      response = await fetch(url, {credentials: "same-origin"});
    } catch (e) {
      throw new Error("the network failed while loading " + url);
    }
    if (!response.ok) {
      throw new Error("the server answered " + response.status +
                      (response.statusText ? " " + response.statusText : "") + " for " + url);
    }
    const total = Number(response.headers.get("Content-Length")) || 0;
    if (!response.body || !response.body.getReader) return response.arrayBuffer();
    const reader = response.body.getReader();
    const parts = [];
    let received = 0;
    for (;;) {
      let chunk;
      try {
        chunk = await reader.read();
      } catch (e) {
        throw new Error("the network failed while loading " + url);
      }
      if (chunk.done) break;
      parts.push(chunk.value);
      received += chunk.value.length;
      say("Loading the program: " + kilobytes(received) +
          (total ? " of " + kilobytes(total) : "") + "\u2026");
    }
    const bytes = new Uint8Array(received);
    let at = 0;
    for (const part of parts) {
      bytes.set(part, at);
      at += part.length;
    }
    return bytes.buffer;
  }

  if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function") {
    failed("This browser cannot run the program: it has no WebAssembly " +
           "(or it is turned off in its settings).");
    return;
  }

  const threads = sharedMemory();
  if (!threads && tag.dataset.nothreads !== "true") {
    failed("This page needs shared memory, and " + why() + ".");
    return;
  }
  const name = threads ? program : program + "-nothreads";
  FractalsPage.build = threads ? "with threads" :
                                 "without threads, as " + why();
  document.body.dataset.build = threads ? "threads" : "nothreads";
  say("Loading the program\u2026");

  // Emscripten's documented hook: the page instantiates the module itself.
  Module.instantiateWasm = function (imports, receive) {
    fetchProgram(name + ".wasm")
        .then((bytes) => WebAssembly.instantiate(bytes, imports).catch((e) => {
          throw new Error(e instanceof WebAssembly.CompileError ?
                              name + ".wasm is damaged: it is no WebAssembly module" :
                              "the program could not start: " + e.message);
        }))
        .then((result) => {
          say("Starting\u2026");
          receive(result.instance, result.module);
        })
        .catch((e) => failed("The program could not be loaded: " + e.message + "."));
    return {};
  };

  const script = document.createElement("script");
  script.src = name + ".js";
  script.onerror = function () {
    failed("The program could not be loaded: its script " + name + ".js did not load.");
  };
  document.body.appendChild(script);
})(document.currentScript);
