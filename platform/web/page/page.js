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
  let image = null;  // the last part drawn's pixels (present)
  let windowOpen = false;
  const pendingBoxes = [];  // [text, caption, onClose] waiting behind the open box
  let openBox = null;       // onClose of the box that is up
  let ratioQuery = null;    // matches while the device pixel ratio stays

  // Metric indices as the window system asks for them.
  const SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17;

  // The page offers the program a screen at least as large as the canvas it
  // starts with: it shows any canvas scaled to what room there is.
  const leastScreen = [canvas.width, canvas.height];

  // The canvas's shown size in CSS pixels. At a device pixel ratio of 2 or
  // more each canvas pixel becomes an integer block of device pixels; below
  // it the canvas keeps its own size in CSS pixels. Fullscreen takes the
  // largest integer block that fits the screen. Never larger than the room
  // the page has (a phone, a small screen at a high ratio): as wide as the
  // page, as tall as the view below the heading, the aspect kept; nearest
  // neighbour at every ratio so that only the program's colours show.
  function shownSize(ratio) {
    if (document.fullscreenElement === area) {
      const fits = Math.floor(Math.min(innerWidth * ratio / canvas.width,
                                       innerHeight * ratio / canvas.height));
      if (fits >= 1) return [canvas.width * fits / ratio, canvas.height * fits / ratio];
      const down = Math.min(innerWidth / canvas.width, innerHeight / canvas.height);
      return [canvas.width * down, canvas.height * down];
    }
    const factor = ratio >= 2 ? Math.floor(ratio) : 1;
    let width = ratio >= 2 ? canvas.width * factor / ratio : canvas.width;
    const roomWidth = document.body.clientWidth;
    const roomHeight = Math.max(innerHeight - area.offsetTop - 8, innerHeight / 2);
    const room = Math.min(roomWidth, roomHeight * canvas.width / canvas.height);
    if (room > 0 && width > room) width = room;
    return [width, width * canvas.height / canvas.width];
  }

  function applyScale() {
    const ratio = window.devicePixelRatio || 1;
    const [width, height] = shownSize(ratio);
    canvas.style.width = width + "px";
    canvas.style.height = height + "px";
    canvas.style.imageRendering = "pixelated";
    if (document.fullscreenElement !== area) {
      area.style.width = width + "px";
      area.style.height = height + "px";
    }
    // Device pixels per canvas pixel.
    canvas.dataset.scale = String(Math.round(width * ratio / canvas.width * 1000) / 1000);
    // A ratio change (another screen, browser zoom) ends this query's match.
    if (ratioQuery) ratioQuery.removeEventListener("change", applyScale);
    ratioQuery = matchMedia("(resolution: " + ratio + "dppx)");
    ratioQuery.addEventListener("change", applyScale);
  }
  window.addEventListener("resize", applyScale);
  document.addEventListener("fullscreenchange", applyScale);

  // A screen size in CSS pixels as device pixels, as the mode sees it.
  function devicePixels(css, axis) {
    return Math.max(Math.round(css * (window.devicePixelRatio || 1)), leastScreen[axis]);
  }

  function runningText() {
    return "Running" + (page.build ? " (" + page.build + ")" : "") + ".";
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
    // The program waits for the box; an error box means it is stopping.
    setStatus(caption === "Error" ? "The program has stopped with an error: OK ends it."
                                  : "The program waits for its message to be closed.");
    box.showModal();
  }

  box.addEventListener("close", function () {
    const onClose = openBox;
    openBox = null;
    if (windowOpen) setStatus(runningText());
    if (onClose) onClose();
    showNextBox();
    if (windowOpen && openBox === null) area.focus({preventScroll: true});
  });

  // What a trap of the WebAssembly code means, as the desktops number the
  // same faults. Every engine throws a WebAssembly.RuntimeError (a
  // RangeError or InternalError for the call stack) and words each kind in
  // its own way: Chromium, Firefox and WebKit, in that order on each line.
  const TRAPS = [
    [/divide by zero|division by zero|integer overflow|divide result unrepresentable/i, 200],
    [/maximum call stack|too much recursion/i, 202],
    [/float unrepresentable|conversion to integer|trunc/i, 207],
    [/out of bounds|unreachable|null|signature|table/i, 216],
  ];

  // A thread of the program trapped: the module cannot run its exit chain
  // any more, so the page does what it would have done. The window goes,
  // the threads stop, the report names the trap's place in the module's
  // code, and the program ends with the fault's number.
  function trapped(error, stack) {
    if (page.faulted || document.body.dataset.exitCode !== undefined) return;
    page.faulted = true;
    const found = TRAPS.find(([pattern]) => pattern.test(error));
    const number = found ? found[1] : 255;
    const places = [...stack.matchAll(/wasm-function\[\d+\]:0x([0-9a-f]+)/g)]
        .map((m) => "$" + m[1].toUpperCase().padStart(8, "0"));
    if (places.length === 0) places.push("$00000000");
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

    // Which build runs, for the status line (loader.js).
    build: "",

    showWindow(shown) {
      canvas.hidden = !shown;
      windowOpen = shown;
      if (shown && openBox === null) {
        setStatus(runningText());
        area.focus({preventScroll: true});
      }
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
      // One image for as long as the parts drawn keep their size: no new
      // allocation (and none for the collector) per frame.
      if (image === null || image.width !== width || image.height !== height) {
        image = context.createImageData(width, height);
      }
      const row = width * 4;
      for (let y = 0; y < height; ++y) {
        const from = ptr + ((top + y) * stride + left) * 4;
        image.data.set(heap.subarray(from, from + row), y * row);
      }
      context.putImageData(image, left, top);
      if (page.onPresent) page.onPresent(left, top, right, bottom);
    },

    screenMetric(index) {
      switch (index) {
        case SM_CXSCREEN: return devicePixels(screen.width, 0);
        case SM_CYSCREEN: return devicePixels(screen.height, 1);
        case SM_CXFULLSCREEN: return devicePixels(screen.availWidth, 0);
        case SM_CYFULLSCREEN: return devicePixels(screen.availHeight, 1);
        default: return 0;
      }
    },

    showMessageBox(id, text, caption) {
      showBox(text, caption, () => Module._fractals_web_box_dismissed(id));
    },

    ended(code) {
      if (document.body.dataset.exitCode !== undefined) return;
      windowOpen = false;
      canvas.classList.add("closed");
      setStatus("The program has ended with exit code " + code + ".");
      document.body.dataset.exitCode = String(code);
    },

    // A key pressed (down) or let go on the page's own keys: as the keyboard
    // would send it.
    key(down, code, key) {
      sendKey(down ? PRESS : 0, code, key);
    },

    stopped(what) {
      windowOpen = false;
      setStatus("The program has stopped: " + what);
      document.body.dataset.stopped = "true";
    },

    // Called after each drawing of the canvas with the part drawn; the test
    // page counts them.
    onPresent: null,
  };

  // Page key event flags (platform/web/message_queue_web.cpp).
  const PRESS = 1, REPEAT = 2, SHIFT = 4, CTRL = 8, ALT = 16, META = 32, ALT_GRAPH = 64;
  // The key's code and name as UTF-8, in a buffer of the module's memory.
  const KEY_TEXT_BYTES = 64;
  let keyText = 0;

  // Hands a key event to the program; whether the page keeps it from the
  // browser.
  function sendKey(flags, code, key) {
    // While a box is up the keys are the box's, as they are on a desktop.
    if (!windowOpen || openBox !== null || !Module.calledRun) return false;
    if (keyText === 0) keyText = Module._malloc(2 * KEY_TEXT_BYTES);
    if (keyText === 0) return false;
    // Straight into the export, not through ccall: in the build without
    // threads the program may be between two turns, and ccall would then
    // hand back a promise.
    Module.stringToUTF8(code, keyText, KEY_TEXT_BYTES);
    Module.stringToUTF8(key, keyText + KEY_TEXT_BYTES, KEY_TEXT_BYTES);
    return Module._fractals_web_key(flags, keyText, keyText + KEY_TEXT_BYTES) !== 0;
  }

  // Keys reach the program while the window's area has the focus; Tab moves
  // the focus on as on any page.
  function onKey(event) {
    if (event.isComposing) return;
    const flags = (event.type === "keydown" ? PRESS : 0) | (event.repeat ? REPEAT : 0) |
        (event.shiftKey ? SHIFT : 0) | (event.ctrlKey ? CTRL : 0) | (event.altKey ? ALT : 0) |
        (event.metaKey ? META : 0) |
        (event.getModifierState && event.getModifierState("AltGraph") ? ALT_GRAPH : 0);
    if (sendKey(flags, event.code || "", event.key || "")) event.preventDefault();
  }
  area.addEventListener("keydown", onKey);
  area.addEventListener("keyup", onKey);

  // The focus leaves the window (another element, another tab or program):
  // the keys held now are let go there, so the program lets them go too, as
  // a desktop window is told when it loses the focus.
  function focusLost() {
    if (windowOpen && Module.calledRun) Module._fractals_web_focus_lost();
  }
  area.addEventListener("blur", focusLost);
  window.addEventListener("blur", focusLost);

  // A canvas whose backing store the browser dropped comes back blank.
  canvas.addEventListener("contextrestored", function () {
    if (windowOpen) Module._fractals_web_repaint(0, 0, canvas.width, canvas.height);
  });

  // A trap ends the turn of the thread it happens on with the engine's
  // error, uncaught: on the page's own thread in the build without threads,
  // on a worker in the other (thread_errors.js passes it on). The stack
  // overflows as a RangeError or InternalError, the rest as a
  // WebAssembly.RuntimeError.
  function threadError(name, message, stack) {
    const text = name ? name + ": " + message : message;
    const trap = name === "RuntimeError" || TRAPS[1][0].test(text);
    if (trap) trapped(text, stack);
    return trap;
  }
  // Some errors pass a worker's own error handler by (Firefox's call stack
  // used up): the worker's owner hears of them, with the place in the code
  // as the line of the module's "file", so every worker the program makes is
  // heard here as well, and a trap goes no further: the page ends the
  // program. A second word of the same trap changes nothing.
  const BrowserWorker = window.Worker;
  if (typeof BrowserWorker === "function") {
    window.Worker = function (url, options) {
      const worker = new BrowserWorker(url, options);
      worker.addEventListener("error", function (event) {
        const inModule = /wasm/i.test(String(event.filename)) && event.lineno > 0;
        if (threadError("", String(event.message),
                        inModule ? "wasm-function[0]:0x" + event.lineno.toString(16) : "")) {
          event.preventDefault();
          event.stopImmediatePropagation();
        }
      });
      return worker;
    };
    window.Worker.prototype = BrowserWorker.prototype;
  }
  window.addEventListener("error", function (event) {
    const error = event.error;
    // Once a thread has trapped, the module's runtime on this thread gives
    // up any wait for a lock by throwing "unwind" back to the event loop,
    // so that the word of the trap gets through: its own way out, no fault.
    if (error === "unwind") {
      event.preventDefault();
      return;
    }
    if (!(error instanceof Error)) return;
    threadError(error instanceof WebAssembly.RuntimeError ? "RuntimeError" : error.name,
                error.message, String(error.stack || ""));
  });
  // The workers' channel is this page's alone: its name rides on the worker
  // script's address (Module.locateFile).
  page.channel = "fractals-" + Math.random().toString(36).slice(2);
  if (typeof BroadcastChannel === "function") {
    new BroadcastChannel(page.channel).onmessage = function (event) {
      const d = event.data || {};
      threadError(String(d.name), String(d.message), String(d.stack));
    };
  }

  window.FractalsPage = page;
  applyScale();
})();

// The program's module (fractals.js reads this).
var Module = {
  // Command-line arguments, as ?arg=...&arg=... (the benchmark takes some).
  arguments: new URLSearchParams(location.search).getAll("arg"),
  print(text) { console.log(text); },
  // The workers' script carries the page's channel for their errors.
  locateFile(file, prefix) {
    return prefix + file + (/\.worker\.js$/.test(file) ? "?channel=" + FractalsPage.channel : "");
  },
  printErr(text) { console.error(text); },
  // The process end (runtime/process_web.cpp): the page shows the exit code.
  onExit(code) {
    // After a trap the page ends the program itself, with the fault's number.
    if (!FractalsPage.faulted) FractalsPage.ended(code);
  },
  // The module's end throws to unwind the caller, which the build without
  // threads needs; the threaded build ends on a worker, and the page's own
  // thread has nothing to unwind.
  quit(code, toThrow) {
    if (document.body.dataset.build === "nothreads") throw toThrow;
  },
  onAbort(what) { FractalsPage.stopped(String(what)); },
};
