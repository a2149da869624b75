// The page around the program: the canvas that is its window, the keys, the
// message box and the program's end. The program's window system calls in
// here on this, the main browser thread (platform/web/page_web.cpp).
"use strict";

(function () {
  const canvas = document.getElementById("window");
  const area = document.getElementById("window-area");
  const heading = document.getElementById("caption");
  const status = document.getElementById("status");
  const box = document.getElementById("message-box");
  const boxCaption = document.getElementById("box-caption");
  const boxText = document.getElementById("box-text");
  let context = null;
  let windowOpen = false;
  const pendingBoxes = [];  // [id, text, caption] waiting behind the open box
  let openBox = 0;

  // Metric indices as the window system asks for them.
  const SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17;

  // At a device pixel ratio of 2 or more each canvas pixel becomes an
  // integer block of device pixels, nearest neighbour; below it the canvas
  // keeps its own size in CSS pixels.
  function applyScale() {
    const ratio = window.devicePixelRatio || 1;
    const factor = ratio >= 2 ? Math.floor(ratio) : 1;
    const width = ratio >= 2 ? canvas.width * factor / ratio : canvas.width;
    const height = ratio >= 2 ? canvas.height * factor / ratio : canvas.height;
    canvas.style.width = width + "px";
    canvas.style.height = height + "px";
    canvas.style.imageRendering = ratio >= 2 ? "pixelated" : "auto";
    area.style.width = width + "px";
    area.style.height = height + "px";
    canvas.dataset.scale = String(factor);
    // A ratio change (another screen, browser zoom) fires once per query.
    matchMedia("(resolution: " + ratio + "dppx)")
        .addEventListener("change", applyScale, {once: true});
  }

  function setStatus(text) {
    status.textContent = text;
  }

  function showNextBox() {
    if (openBox !== 0 || pendingBoxes.length === 0) return;
    const [id, text, caption] = pendingBoxes.shift();
    openBox = id;
    boxCaption.textContent = caption;
    boxText.textContent = text.replace(/\r\n/g, "\n").replace(/\n+$/, "");
    box.dataset.caption = caption;
    box.showModal();
  }

  box.addEventListener("close", function () {
    const id = openBox;
    openBox = 0;
    if (id !== 0) Module._fractals_web_box_dismissed(id);
    showNextBox();
  });

  const page = {
    // Latin-1 text at ptr in the program's memory, as its 8-bit strings are.
    latin1(heap, ptr) {
      let text = "";
      for (let p = ptr; heap[p] !== 0; ++p) text += String.fromCharCode(heap[p]);
      return text;
    },

    createWindow(width, height) {
      canvas.width = width;
      canvas.height = height;
      context = canvas.getContext("2d", {alpha: false});
      if (!context) return false;
      context.fillStyle = "#000";
      context.fillRect(0, 0, width, height);
      canvas.classList.remove("closed");
      applyScale();
      return true;
    },

    showWindow(shown) {
      canvas.hidden = !shown;
      windowOpen = shown;
      if (shown) setStatus("Running.");
    },

    destroyWindow() {
      windowOpen = false;
      context = null;
      canvas.classList.add("closed");
    },

    setCaption(text) {
      document.title = text;
      heading.textContent = text;
    },

    present(heap, ptr, stride, left, top, right, bottom) {
      if (!context) return;
      const width = right - left, height = bottom - top;
      const image = context.createImageData(width, height);
      const row = width * 4;
      for (let y = 0; y < height; ++y) {
        const from = ptr + ((top + y) * stride + left) * 4;
        image.data.set(heap.subarray(from, from + row), y * row);
      }
      context.putImageData(image, left, top);
      page.test.presents++;
      page.test.lastPresent = performance.now();
    },

    screenMetric(index) {
      switch (index) {
        case SM_CXSCREEN: return screen.width;
        case SM_CYSCREEN: return screen.height;
        case SM_CXFULLSCREEN: return screen.availWidth;
        case SM_CYFULLSCREEN: return screen.availHeight;
        default: return 0;
      }
    },

    showMessageBox(id, text, caption) {
      pendingBoxes.push([id, text, caption]);
      showNextBox();
    },

    ended(code) {
      windowOpen = false;
      canvas.classList.add("closed");
      setStatus("The program has ended with exit code " + code + ".");
      document.body.dataset.exitCode = String(code);
    },

    stopped(what) {
      windowOpen = false;
      setStatus("The program has stopped: " + what);
      document.body.dataset.stopped = "true";
    },

    // For the tests: how often the canvas was drawn, when last, and two
    // things a test needs to do from outside.
    test: {
      presents: 0,
      lastPresent: 0,
      // Runtime error number, raised on the program thread at its next pause.
      raiseRunError(number) {
        return Module._fractals_raise_run_error(number) !== 0;
      },
      // Repaint from the memory image, as an uncovered window is.
      repaint(left, top, right, bottom) {
        Module._fractals_web_repaint(left, top, right, bottom);
      },
    },
  };

  // Page key event flags (platform/web/message_queue_web.cpp).
  const PRESS = 1, REPEAT = 2, SHIFT = 4, CTRL = 8, ALT = 16, META = 32, ALT_GRAPH = 64;

  function onKey(event) {
    // While a box is up the keys are the box's, as they are on a desktop.
    if (!windowOpen || openBox !== 0 || event.isComposing || !Module.calledRun) return;
    const flags = (event.type === "keydown" ? PRESS : 0) | (event.repeat ? REPEAT : 0) |
        (event.shiftKey ? SHIFT : 0) | (event.ctrlKey ? CTRL : 0) | (event.altKey ? ALT : 0) |
        (event.metaKey ? META : 0) |
        (event.getModifierState && event.getModifierState("AltGraph") ? ALT_GRAPH : 0);
    const keep = Module.ccall("fractals_web_key", "number", ["number", "string", "string"],
                              [flags, event.code || "", event.key || ""]);
    if (keep) event.preventDefault();
  }
  window.addEventListener("keydown", onKey);
  window.addEventListener("keyup", onKey);

  // A canvas whose backing store the browser dropped comes back blank.
  canvas.addEventListener("contextrestored", function () {
    if (windowOpen) Module._fractals_web_repaint(0, 0, canvas.width, canvas.height);
  });

  window.FractalsPage = page;
  applyScale();
  if (!window.crossOriginIsolated) {
    setStatus("This page needs to be served with the headers Cross-Origin-Opener-Policy: " +
              "same-origin and Cross-Origin-Embedder-Policy: require-corp " +
              "(scripts/serve-web.sh does).");
  }
})();

// The program's module (fractals.js reads this).
var Module = {
  // Command-line arguments, as ?arg=...&arg=... (the benchmark takes some).
  arguments: new URLSearchParams(location.search).getAll("arg"),
  print(text) { console.log(text); },
  printErr(text) { console.error(text); },
  // The process end (runtime/process_web.cpp): the program's threads stop
  // and the page shows the exit code.
  quit(code) {
    if (Module.PThread) Module.PThread.terminateAllThreads();
    FractalsPage.ended(code);
  },
  onAbort(what) { FractalsPage.stopped(String(what)); },
};
