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
  const pendingBoxes = [];  // [text, caption, onClose] waiting behind the open box
  let openBox = null;       // onClose of the box that is up
  let ratioQuery = null;    // matches while the device pixel ratio stays

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
    // A ratio change (another screen, browser zoom) ends this query's match.
    if (ratioQuery) ratioQuery.removeEventListener("change", applyScale);
    ratioQuery = matchMedia("(resolution: " + ratio + "dppx)");
    ratioQuery.addEventListener("change", applyScale);
  }

  function setStatus(text) {
    status.textContent = text;
  }

  function showBox(text, caption, onClose) {
    pendingBoxes.push([text, caption, onClose]);
    showNextBox();
  }

  function showNextBox() {
    if (openBox !== null || pendingBoxes.length === 0) return;
    const [text, caption, onClose] = pendingBoxes.shift();
    openBox = onClose;
    boxCaption.textContent = caption;
    boxText.textContent = text.replace(/\r\n/g, "\n").replace(/\n+$/, "");
    box.dataset.caption = caption;
    box.showModal();
  }

  box.addEventListener("close", function () {
    const onClose = openBox;
    openBox = null;
    if (onClose) onClose();
    showNextBox();
  });

  // What a trap of the WebAssembly code means, as the desktops number the
  // same faults.
  const TRAPS = [
    [/divide by zero|integer overflow/, 200],
    [/call stack|too much recursion/, 202],
    [/float unrepresentable/, 207],
    [/memory access out of bounds|unreachable|null function|table index/, 216],
  ];

  // A thread of the program trapped: the module cannot run its exit chain
  // any more, so the page does what it would have done. The window goes,
  // the threads stop, the report names the trap's place in the module's
  // code, and the program ends with the fault's number.
  function trapped(stack) {
    if (page.faulted || document.body.dataset.exitCode !== undefined) return;
    page.faulted = true;
    const found = TRAPS.find(([pattern]) => pattern.test(stack));
    const number = found ? found[1] : 255;
    const places = [...stack.matchAll(/wasm-function\[\d+\]:0x([0-9a-f]+)/g)]
        .map((m) => "$" + m[1].toUpperCase().padStart(8, "0"));
    if (places.length === 0) places.push("$00000000");
    if (Module.PThread) Module.PThread.terminateAllThreads();
    page.destroyWindow();
    const report = "Runtime error " + number + " at " + places[0] + "\r\n" +
        places.map((p) => "  " + p + "\r\n").join("") + "\r\n";
    showBox(report, "Error", () => page.ended(number));
  }

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
      showBox(text, caption, () => Module._fractals_web_box_dismissed(id));
    },

    // An uncaught exception of a thread, as the module reports it.
    threadError(text) {
      const report = text.replace(/^Thread \d+: /, "");
      if (/^(RuntimeError: |RangeError: Maximum call stack)/.test(report)) trapped(report);
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
      // An integer division by zero on the program thread, a trap.
      divideByZero() {
        Module._fractals_divide_by_zero();
      },
      // The program stopped in its pause between two frames (holdProgram,
      // then programHeld) and the window idle with all of it shown: the
      // canvas holds one whole frame until releaseProgram.
      holdProgram() {
        return Module._fractals_hold_program() !== 0;
      },
      programHeld() {
        return Module._fractals_program_held() !== 0;
      },
      windowIdle() {
        return Module._fractals_web_window_idle() !== 0;
      },
      releaseProgram() {
        Module._fractals_release_program();
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
    if (!windowOpen || openBox !== null || event.isComposing || !Module.calledRun) return;
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
  printErr(text) {
    console.error(text);
    FractalsPage.threadError(String(text));
  },
  // The process end (runtime/process_web.cpp): the program's threads stop
  // and the page shows the exit code.
  quit(code) {
    if (Module.PThread) Module.PThread.terminateAllThreads();
    FractalsPage.ended(code);
  },
  onAbort(what) { FractalsPage.stopped(String(what)); },
};
