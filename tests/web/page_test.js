#!/usr/bin/env node
// The page build in Debian's Chromium, headless, driven by puppeteer-core:
// one case per run, each with a browser and a server of its own.
//
//   node page_test.js --page DIR --case NAME [--build threads|nothreads]
//        [--engine chromium|firefox|webkit] [--binary PATH] [--golden TOOL]
//
// DIR is build/web (index.html and what it loads); TOOL the native
// golden_frame program, which gives the picture after frame N as computed by
// the program's own renderer on the in-memory window system.
"use strict";

const childProcess = require("child_process");
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");
const puppeteer = require("puppeteer-core");

const WIDTH = 800, HEIGHT = 600;
const CENTRE = [399, 299];
const NOT_IN_GRAPHICS_MODE =
    "Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)";
// Screen colours of the program's palette entries 113 to 128, and black.
const PROGRAM_COLOURS = new Set([
  "0,0,0", "112,28,0", "112,56,0", "112,84,0", "112,112,0", "84,112,0", "56,112,0", "28,112,0",
  "0,112,0", "0,112,28", "0,112,56", "0,112,84", "0,112,112", "0,84,112", "0,56,112",
  "0,28,112", "56,56,112",
]);

// Each engine and the program that runs it by default.
const ENGINES = {
  chromium: "/usr/bin/chromium",
  firefox: "/usr/bin/firefox-esr",
  webkit: "/usr/bin/WebKitWebDriver",
};

class TestFailure extends Error {}

// What a case returns when it cannot run here; CTest counts it as skipped.
const SKIPPED = "skipped";
const SKIP_CODE = 77;

function check(condition, text) {
  if (!condition) throw new TestFailure(text);
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Polls predicate until it returns a true value; fails after timeout.
async function waitFor(what, predicate, timeoutMs = 20000, intervalMs = 50) {
  const deadline = Date.now() + timeoutMs;
  let value;
  for (;;) {
    value = await predicate();
    if (value) return value;
    if (Date.now() > deadline) {
      throw new TestFailure(`timed out after ${timeoutMs / 1000} s waiting for ${what} ` +
                            `(last: ${JSON.stringify(value)})`);
    }
    await sleep(intervalMs);
  }
}

// --- the server and the browser ------------------------------------------------

const TYPES = {".html": "text/html", ".js": "text/javascript", ".css": "text/css",
               ".wasm": "application/wasm", ".webmanifest": "application/manifest+json",
               ".png": "image/png"};

// Serves folder on a free port. isolated: with the headers that give the
// page shared memory, so that the threaded build runs; without them, as most
// static hosts serve, the page runs its build without threads.
// site.faults: what the server does wrong, by file name (the load_failures
// case): {status}, {type}, {body}, {cut: true} (the connection drops half
// way) or {slow: ms} (the file in small pieces, ms apart). site.down drops
// every connection, as a network gone; site.edits maps a file's name to a
// function that changes its text, as a new version of the site would.
const TEST_PAGE_FILES = ["index-test.html", "test_hooks.js", "fractals-test.js", "fractals-test.wasm",
                         "fractals-test.worker.js", "fractals-test-nothreads.js",
                         "fractals-test-nothreads.wasm"];

function serve(folder, isolated, site = {}) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname);
    let root = path.resolve(folder);
    let file = path.join(root, name === "/" ? "index.html" : name);
    if (site.down) {
      request.socket.destroy();
      return;
    }
    const fault = (site.faults || {})[path.basename(file)] || {};
    if (fault.status) {
      response.writeHead(fault.status);
      response.end();
      return;
    }
    const edit = (site.edits || {})[path.basename(file)];
    // A site archive holds neither the test page nor its hooks: they come
    // from the build folder (--hooks).
    if (site.hooks && TEST_PAGE_FILES.includes(name.slice(1)) && !fs.existsSync(file)) {
      root = site.hooks;
      file = path.join(root, name.slice(1));
    }
    if (!file.startsWith(root) || !fs.existsSync(file) ||
        fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    const headers = {"Content-Type":
                         fault.type || TYPES[path.extname(file)] || "application/octet-stream"};
    if (isolated) {
      headers["Cross-Origin-Opener-Policy"] = "same-origin";
      headers["Cross-Origin-Embedder-Policy"] = "require-corp";
    }
    const bytes = fault.body ||
                  (edit ? Buffer.from(edit(fs.readFileSync(file, "utf8"))) : fs.readFileSync(file));
    headers["Content-Length"] = bytes.length;
    response.writeHead(200, headers);
    if (fault.cut) {
      response.write(bytes.subarray(0, bytes.length >> 1), () => response.destroy());
    } else if (fault.slow) {
      let at = 0;
      const next = () => {
        if (at >= bytes.length) return response.end();
        response.write(bytes.subarray(at, at += 8192));
        setTimeout(next, fault.slow);
      };
      next();
    } else {
      response.end(bytes);
    }
  });
  return new Promise((resolve) => server.listen(0, site.host || "127.0.0.1", () => resolve(server)));
}

// An address of this machine other than loopback, as another machine on
// the network would reach it; null where it has none.
function networkAddress() {
  for (const addresses of Object.values(os.networkInterfaces())) {
    const found = addresses.find((a) => a.family === "IPv4" && !a.internal);
    if (found) return found.address;
  }
  return null;
}

class Session {
  constructor(args) {
    this.args = args;
    this.errors = [];
    this.console = [];
  }

  async start() {
    this.site = {faults: {}, down: false, edits: {},
                 hooks: this.args.hooks && path.resolve(this.args.hooks)};
    this.faults = this.site.faults;
    this.server = await serve(path.resolve(this.args.page), this.args.build === "threads",
                              this.site);
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), "fractals-browser-"));
    const firefox = this.args.engine === "firefox";
    this.browser = await puppeteer.launch({
      browser: firefox ? "firefox" : "chrome",
      executablePath: this.args.binary,
      headless: true,
      userDataDir: this.profile,
      args: firefox ? [] : ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                            "--disable-background-networking", "--disable-component-update",
                            "--disable-sync"],
    });
    this.page = await this.browser.newPage();
    this.page.on("pageerror", (e) => this.errors.push(String(e.message || e)));
    this.page.on("console", (m) => this.console.push(m.text()));
    this.requests = [];
    this.page.on("request", (r) => this.requests.push(r.url()));
  }

  url(name = "index-test.html") {
    return `http://127.0.0.1:${this.server.address().port}/${name}`;
  }

  async open(name) {
    await this.page.goto(this.url(name));
  }

  // Opens the page and waits until the window shows the turning cloud.
  async openWindow() {
    await this.open();
    await waitFor("the window to show the cloud", () => this.evaluate(() =>
        FractalsPage.test.presents > 2 && document.title === "Fractals"), 30000);
  }

  evaluate(fn, ...args) {
    return this.page.evaluate(fn, ...args);
  }

  async keys(...names) {
    for (const name of names) await this.page.keyboard.press(name);
  }

  click(selector) {
    return this.page.click(selector);
  }

  exitCode() {
    return this.evaluate(() => document.body.dataset.exitCode ?? null);
  }

  async close() {
    if (this.browser) await this.browser.close().catch(() => {});
    if (this.server) this.server.close();
    if (this.profile) fs.rmSync(this.profile, {recursive: true, force: true});
  }
}

// WebKit through WebKitWebDriver, which drives WebKitGTK's MiniBrowser on an
// X display of its own (Xvfb), spoken to in plain WebDriver over HTTP. It
// sees no page errors and no requests; the cases it runs need neither.
class WebDriverSession extends Session {
  async start() {
    this.server = await serve(path.resolve(this.args.page), this.args.build === "threads");
    this.requests = [];
    this.display = await startXvfb();
    this.port = await freePort();
    this.driver = childProcess.spawn(this.args.binary, [`--port=${this.port}`], {
      env: {...process.env, DISPLAY: this.display.name},
      stdio: "ignore",
    });
    const capabilities = {alwaysMatch: {
      "browserName": "MiniBrowser",
      "webkitgtk:browserOptions": {binary: WEBKIT_BROWSER, args: ["--automation"]},
    }};
    const made = await waitFor("WebKitWebDriver", () =>
        this.command("POST", "/session", {capabilities}).catch(() => null), 20000, 200);
    this.session = made.sessionId;
  }

  async command(method, route, body) {
    const response = await fetch(`http://127.0.0.1:${this.port}${route}`, {
      method,
      headers: {"Content-Type": "application/json"},
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    const answer = await response.json();
    if (!response.ok) throw new Error(`WebDriver ${route}: ${JSON.stringify(answer.value)}`);
    return answer.value;
  }

  at(route) {
    return `/session/${this.session}${route}`;
  }

  async open(name) {
    await this.command("POST", this.at("/url"), {url: this.url(name)});
  }

  evaluate(fn, ...args) {
    return this.command("POST", this.at("/execute/sync"),
                        {script: `return (${fn}).apply(null, arguments);`, args});
  }

  async keys(...names) {
    for (const name of names) {
      const value = WEBDRIVER_KEYS[name] || name;
      await this.command("POST", this.at("/actions"), {actions: [{
        type: "key", id: "keyboard",
        actions: [{type: "keyDown", value}, {type: "keyUp", value}],
      }]});
    }
  }

  click(selector) {
    return this.evaluate((s) => document.querySelector(s).click(), selector);
  }

  async close() {
    if (this.session) await this.command("DELETE", this.at("")).catch(() => {});
    if (this.driver) this.driver.kill();
    if (this.display) this.display.process.kill();
    if (this.server) this.server.close();
  }
}

const WEBKIT_BROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";
const WEBDRIVER_KEYS = {Enter: "\uE007", Escape: "\uE00C"};

// An Xvfb on a display number it picks itself: {name, process}.
function startXvfb() {
  return new Promise((resolve, reject) => {
    const xvfb = childProcess.spawn("Xvfb", ["-displayfd", "1", "-screen", "0", "1280x1024x24",
                                             "-nolisten", "tcp"], {stdio: ["ignore", "pipe", "ignore"]});
    xvfb.on("error", reject);
    xvfb.stdout.once("data", (data) => resolve({name: ":" + String(data).trim(), process: xvfb}));
  });
}

function freePort() {
  return new Promise((resolve) => {
    const probe = http.createServer().listen(0, "127.0.0.1", () => {
      const port = probe.address().port;
      probe.close(() => resolve(port));
    });
  });
}

// --- what the canvas shows -----------------------------------------------------

// Lit pixels of the canvas: how many, how many lie beyond radius of the
// centre (each axis), and the colours that are not the program's.
function litWithin(session, radius) {
  return session.evaluate((radius, centre, colours) => {
    const canvas = document.getElementById("window");
    const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
    let lit = 0, far = 0;
    const strange = new Set();
    for (let i = 0, p = 0; i < data.length; i += 4, ++p) {
      const rgb = data[i] + "," + data[i + 1] + "," + data[i + 2];
      if (!colours.includes(rgb)) strange.add(rgb);
      if (rgb === "0,0,0") continue;
      ++lit;
      const x = p % canvas.width, y = Math.floor(p / canvas.width);
      if (Math.abs(x - centre[0]) > radius || Math.abs(y - centre[1]) > radius) ++far;
    }
    return {lit, far, strange: [...strange].slice(0, 8)};
  }, radius, CENTRE, [...PROGRAM_COLOURS]);
}

// The canvas between two frames: the program held in its pause after a
// frame (a test hook of the page build), read once the window has shown all
// of it, on the page's thread, then let go. RGB bytes, row by row.
async function canvasBetweenFrames(session) {
  const base64 = await session.evaluate(() => new Promise((resolve, reject) => {
    const t = FractalsPage.test;
    if (!t.holdProgram()) reject(new Error("the program cannot be held"));
    function poll() {
      if (!(t.programHeld() && t.windowIdle())) {
        setTimeout(poll, 1);
        return;
      }
      const canvas = document.getElementById("window");
      const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
      t.releaseProgram();
      const rgb = new Uint8Array(canvas.width * canvas.height * 3);
      for (let i = 0, o = 0; i < data.length; i += 4) {
        rgb[o++] = data[i];
        rgb[o++] = data[i + 1];
        rgb[o++] = data[i + 2];
      }
      let text = "";
      for (let i = 0; i < rgb.length; i += 0x8000) {
        text += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
      }
      resolve(btoa(text));
    }
    poll();
  }));
  return Buffer.from(base64, "base64");
}

// The frame whose picture the RGB image shows most nearly, by the golden
// tool, as after zoom presses of '=': [frame, pixels it differs in].
function goldenMatch(tool, rgb, maxFrames, zoom = 0) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "fractals-shot-"));
  try {
    const file = path.join(folder, "canvas.ppm");
    fs.writeFileSync(file, Buffer.concat([Buffer.from(`P6\n${WIDTH} ${HEIGHT}\n255\n`), rgb]));
    const result = childProcess.spawnSync(tool, ["match", file, "--max", String(maxFrames),
                                                  "--zoom", String(zoom)],
                                          {encoding: "utf8", timeout: 600000});
    const found = /frame (\d+) differs in (\d+) pixels/.exec(result.stdout || "");
    check(found && (result.status === 0 || result.status === 1),
          `golden_frame match failed: ${result.stderr || result.error}`);
    return [Number(found[1]), Number(found[2])];
  } finally {
    fs.rmSync(folder, {recursive: true, force: true});
  }
}

// Paints a red square on the canvas itself, as something covering the
// window would leave it, away from the cloud.
function spoilCorner(session) {
  return session.evaluate(() => {
    const context = document.getElementById("window").getContext("2d");
    context.fillStyle = "rgb(255,0,0)";
    context.fillRect(4, 4, 20, 20);
  });
}

function cornerSpoiled(session) {
  return session.evaluate(() => {
    const d = document.getElementById("window").getContext("2d").getImageData(10, 10, 1, 1).data;
    return d[0] === 255 && d[1] === 0 && d[2] === 0;
  });
}

// The corner spoiled, frames draw only what they change and leave it. A
// frame that outlasts the window thread's wait is shown whole, as on the
// desktops; a loaded machine may see one now and then, so a try that saw
// the whole image drawn over the corner is tried again, a few times.
async function framesLeaveCorner(session) {
  for (let tries = 0; tries < 5; ++tries) {
    const before = await session.evaluate(() => FractalsPage.test.spotPresents);
    await spoilCorner(session);
    await sleep(300);
    if (await cornerSpoiled(session)) return true;
    if ((await session.evaluate(() => FractalsPage.test.spotPresents)) === before) return false;
  }
  return false;
}

// Some frames after a zoom key the canvas shows the golden frames at that
// zoom, one after another.
async function followsZoom(session, zoom) {
  let last = -1;
  for (let read = 0; read < 2;) {
    await sleep(100);
    const [frame, differing] = goldenMatch(session.args.golden, await canvasBetweenFrames(session),
                                           4000, zoom);
    if (differing !== 0) {
      // The first read may still show frames from before the key.
      check(last < 0 && read === 0 && !session.missed,
            `zoom ${zoom}: frame ${frame} differs in ${differing} pixels`);
      session.missed = true;
      continue;
    }
    check(frame > last, `zoom ${zoom}: frame ${frame} after frame ${last}`);
    last = frame;
    ++read;
  }
  session.missed = false;
}

function haveGolden(session, name) {
  if (session.args.golden && fs.existsSync(session.args.golden)) return true;
  console.log(`SKIP ${name}: no golden_frame tool at ${session.args.golden} (build the linux preset)`);
  return false;
}

async function expectExit(session, code, timeoutMs = 20000) {
  const got = await waitFor(`exit code ${code} on the page`, () => session.exitCode(), timeoutMs);
  check(got === String(code), `exit code ${got}, expected ${code}`);
  const status = await session.evaluate(() => document.getElementById("status").textContent);
  check(status.includes(`exit code ${code}`), `the page does not show the end: ${status}`);
}

function messageBox(session) {
  return session.evaluate(() => {
    const box = document.getElementById("message-box");
    return box.open ? {caption: box.dataset.caption,
                       text: document.getElementById("box-text").textContent} : null;
  });
}

// Each kind of trap the page's test hook forces (runtime/fault_handler_web.cpp)
// and the runtime error it is: division by zero and integer overflow 200, a
// float beyond the integers 207, unreachable, memory out of bounds and a null
// function 216, the call stack used up 202.
const TRAP_NUMBERS = [[0, 200], [1, 200], [2, 207], [3, 216], [4, 216], [5, 216], [6, 202]];

// --- cases -----------------------------------------------------------------------

const CASES = {
  // The page, its caption and note, the canvas at its own size, the cloud in
  // the program's colours, turning.
  async window(s) {
    await s.page.setViewport({width: 1200, height: 900});
    await s.openWindow();
    const page = await s.evaluate(() => {
      const canvas = document.getElementById("window");
      return {title: document.title, heading: document.querySelector("h1").textContent,
              note: document.querySelector(".note").textContent.replace(/\s+/g, " "),
              width: canvas.width, height: canvas.height,
              shown: [canvas.getBoundingClientRect().width, canvas.getBoundingClientRect().height],
              rendering: canvas.style.imageRendering};
    });
    check(page.title === "Fractals" && page.heading === "Fractals",
          `caption: title ${page.title}, heading ${page.heading}`);
    check(page.width === WIDTH && page.height === HEIGHT, `canvas ${page.width} x ${page.height}`);
    check(page.shown[0] === WIDTH && page.shown[1] === HEIGHT, `shown at ${page.shown}`);
    check(/Close command has no counterpart/.test(page.note), `note: ${page.note}`);
    const first = await waitFor("a lit picture", async () => {
      const r = await litWithin(s, 0);
      return r.lit > 0 ? r : null;
    });
    check(first.strange.length === 0, `colours outside the palette: ${first.strange}`);
    const shot = await canvasBetweenFrames(s);
    await waitFor("the cloud to turn", async () => !shot.equals(await canvasBetweenFrames(s)));
    // Everything the page loads comes from build/web.
    const elsewhere = s.requests.filter((u) => !u.startsWith(s.url("")) && !u.startsWith("data:"));
    check(elsewhere.length === 0, `fetched from elsewhere: ${elsewhere}`);
    check(s.requests.some((u) => u.endsWith(".wasm")), `no module loaded: ${s.requests}`);
  },

  // Between frames the canvas shows exactly the picture after some frame N,
  // as the program's renderer computes it natively; then Enter ends the
  // program: exit code 0 on the page, the window gone, no box.
  async frames(s) {
    if (!haveGolden(s, "frames")) return SKIPPED;
    await s.openWindow();
    let last = -1;
    // Five reads where the full suite runs, two in the other engines and
    // builds, whose reads are slower.
    const reads = s.args.engine === "chromium" && s.args.build === "threads" ? 5 : 2;
    for (let i = 0; i < reads; ++i) {
      await sleep(200);
      const shot = await canvasBetweenFrames(s);
      const [frame, differing] = goldenMatch(s.args.golden, shot, 4000);
      check(differing === 0, `read ${i + 1}: nearest frame ${frame} differs in ${differing} pixels`);
      check(frame > last, `read ${i + 1} shows frame ${frame}, not after frame ${last}`);
      last = frame;
      console.log(`read ${i + 1}: frame ${frame}, exact`);
    }
    await s.keys("Enter");
    await expectExit(s, 0);
    check(await s.evaluate(() => document.getElementById("window").classList.contains("closed")),
          "the window is still shown");
    check((await messageBox(s)) === null, "a message box is open");
  },

  // 27 x '-' draws everything within 2 pixels of the centre; the 28th passes
  // through zero and the picture comes back reflected, still small.
  async zoom(s) {
    await s.openWindow();
    await s.keys(...Array(27).fill("-"));
    await waitFor("every lit pixel within 2 pixels of the centre", async () => {
      const r = await litWithin(s, 2);
      return r.lit > 0 && r.far === 0;
    });
    await s.keys("-");
    await waitFor("a small lit picture beyond 2 pixels", async () => {
      const near = await litWithin(s, 2), wide = await litWithin(s, 10);
      return near.lit > 0 && near.far > 0 && wide.far === 0;
    });
    check((await s.exitCode()) === null, "the program ended");
  },

  // Letters, arrows and other keys clear and go on; F3 (#0, 61) zooms in like
  // '='.
  async keys(s) {
    await s.openWindow();
    await s.keys(...Array(27).fill("-"));
    const small = async () => {
      const r = await litWithin(s, 2);
      return r.lit > 0 && r.far === 0;
    };
    await waitFor("the picture to shrink", small);
    await s.keys("a", "Z", "Space", "Escape", "ArrowLeft", "ArrowUp", "Home", "PageDown", "F1",
                 "+");
    await sleep(300);
    await waitFor("the picture to stay small after other keys", small);
    await s.keys("F3");
    await waitFor("F3 to zoom in", async () => (await litWithin(s, 2)).far > 0);
    await s.keys("=");
    await waitFor("'=' to zoom in further", async () => (await litWithin(s, 20)).far > 0);
    check((await s.exitCode()) === null, "the program ended");
  },

  // Every character clears the window: what the cloud's drawing never
  // touches goes black on the next key; and a repaint restores the canvas
  // from the memory image.
  async clear(s) {
    await s.openWindow();
    await s.evaluate(() => { FractalsPage.test.spot = [10, 10]; });
    check(await framesLeaveCorner(s), "frames alone redrew the corner");
    await s.keys("a");
    await waitFor("the key to clear the corner", async () => !(await cornerSpoiled(s)), 5000);
    check(await framesLeaveCorner(s), "frames alone redrew the corner");
    await s.evaluate(() => FractalsPage.test.repaint(0, 0, 800, 600));
    await waitFor("the repaint to restore the corner", async () => !(await cornerSpoiled(s)),
                  5000);
  },

  // The page keeps the program's keys from the browser (no scrolling, no
  // find, no help) while its window has the focus; browser keys and
  // combinations stay the browser's, Tab moves the focus on, and once the
  // focus is elsewhere no key is the program's.
  async default_actions(s) {
    await s.openWindow();
    await s.evaluate(() => {
      window.prevented = [];
      window.addEventListener("keydown", (e) => { window.prevented.push(e.defaultPrevented); });
    });
    const inWindow = () => s.evaluate(() => document.activeElement.id === "window-area");
    const cases = [
      ["ArrowDown", true], ["PageDown", true], ["Space", true], ["F1", true], ["F3", true],
      ["/", true], ["F5", false], ["F12", false], ["Control+F3", false], ["Control+KeyR", false],
      ["Alt+KeyD", false], ["Meta+ArrowLeft", false], ["Shift+Tab", false],
    ];
    for (const [keys, kept] of cases) {
      check(await inWindow(), `the window lost the focus before ${keys}`);
      const names = keys.split("+");
      for (const name of names) await s.page.keyboard.down(name);
      for (const name of names.reverse()) await s.page.keyboard.up(name);
      const got = await s.evaluate(() => window.prevented.pop());
      check(got === kept, `${keys}: ${got ? "kept from" : "left to"} the browser`);
      // Shift+Tab left the window: Tab comes back to it.
      if (keys === "Shift+Tab") {
        check(!(await inWindow()), "Shift+Tab kept the focus in the window");
        await s.keys("Tab");
      }
    }
    await s.evaluate(() => document.getElementById("fullscreen").focus());
    await s.keys("ArrowDown");
    check(!(await s.evaluate(() => window.prevented.pop())), "a key kept with the focus elsewhere");
  },

  // A runtime error raised on the program thread: the window closes, then
  // the "Error" box shows the report; OK ends the program with the error's
  // number.
  async runtime_error(s) {
    await s.openWindow();
    check(await s.evaluate(() => FractalsPage.test.raiseRunError(205)), "the hook refused");
    const box = await waitFor("the Error box", () => messageBox(s));
    check(box.caption === "Error", `box caption ${box.caption}`);
    check(/^Runtime error 205 at \$[0-9A-F]{8}\n  \$[0-9A-F]{8}/.test(box.text),
          `box text: ${JSON.stringify(box.text)}`);
    check(await s.evaluate(() => document.getElementById("window").classList.contains("closed")),
          "the window is still shown under the box");
    const status = await s.evaluate(() => document.getElementById("status").textContent);
    check(!/Running/.test(status), `the status under the Error box: ${status}`);
    check((await s.exitCode()) === null, "the program ended before the box was dismissed");
    await s.click("#box-ok");
    await expectExit(s, 205);
  },

  // A trap of each kind WebAssembly has on the program thread: the page
  // closes the window and shows the report the desktops would give for the
  // same fault, "Runtime error N at $...", and the program ends with N.
  async trap(s, traps = TRAP_NUMBERS) {
    for (const [kind, number] of traps) {
      await s.openWindow();
      check(await s.evaluate((k) => FractalsPage.test.trap(k), kind), "the hook refused");
      const box = await waitFor(`the Error box of trap ${kind}`, () => messageBox(s));
      check(box.caption === "Error", `trap ${kind}: box caption ${box.caption}`);
      check(new RegExp(`^Runtime error ${number} at \\$[0-9A-F]{8}\n  \\$[0-9A-F]{8}`).test(box.text),
            `trap ${kind}: box text ${JSON.stringify(box.text)}`);
      check(await s.evaluate(() => document.getElementById("window").classList.contains("closed")),
            `trap ${kind}: the window is still shown under the box`);
      await s.keys("Enter");
      await expectExit(s, number);
      // Without threads the trap ends the page's turn: an error of the page.
      if (s.args.build === "nothreads") s.errors = [];
    }
  },

  // The build the page picks and what its status line says of it: with
  // threads where the server isolates the page; without where it does not,
  // or where the address is not a secure one (plain http to another host),
  // which no header mends.
  async which_build(s) {
    const lan = networkAddress();
    if (lan === null) return SKIPPED;
    for (const [host, isolated, expected] of [
      ["127.0.0.1", true, /^Running \(with threads\)\.$/],
      ["127.0.0.1", false, /^Running \(without threads, as the server does not isolate the page\)\.$/],
      [lan, true, /^Running \(without threads, as this address is not a secure one \(https or localhost\)\)\.$/],
    ]) {
      const server = await serve(path.resolve(s.args.page), isolated, {host});
      try {
        await s.page.goto(`http://${host}:${server.address().port}/index-test.html`);
        const status = await waitFor(`${host}, isolated ${isolated}: the window`, () => s.evaluate(
            () => FractalsPage.test.presents > 2 && document.getElementById("status").textContent));
        check(expected.test(status), `${host}, isolated ${isolated}: ${status}`);
      } finally {
        server.close();
      }
    }
  },

  // The call stack used up on the program's worker: in Firefox that error
  // passes the worker's own error handler by.
  stack_trap(s) {
    return CASES.trap(s, TRAP_NUMBERS.filter(([, number]) => number === 202));
  },

  // The program's files failing to load, each way a host can fail them: the
  // page says what failed in words, or runs where nothing is lost (a .wasm
  // of the wrong type); a slow .wasm shows its progress.
  async load_failures(s) {
    const program = s.args.build === "threads" ? "fractals-test" : "fractals-test-nothreads";
    const status = () => s.evaluate(() => document.getElementById("status").textContent);
    const failures = [
      [{[program + ".wasm"]: {status: 404}}, /could not be loaded: the server answered 404/],
      [{[program + ".wasm"]: {status: 500}}, /could not be loaded: the server answered 500/],
      [{[program + ".wasm"]: {body: Buffer.from("<html>not found</html>")}}, /is damaged/],
      [{[program + ".wasm"]: {cut: true}}, /the network failed/],
      [{[program + ".js"]: {status: 404}}, /its script fractals[-a-z]*\.js did not load/],
    ];
    for (const [faults, said] of failures) {
      for (const name of Object.keys(s.faults)) delete s.faults[name];
      Object.assign(s.faults, faults);
      await s.open();
      const text = await waitFor(`the page to say ${said}`, async () => {
        const t = await status();
        return said.test(t) ? t : null;
      });
      check(!/Starting|Aborted|ASSERTIONS/.test(text), `a build message: ${text}`);
      s.errors = [];
    }
    for (const name of Object.keys(s.faults)) delete s.faults[name];
    s.faults[program + ".wasm"] = {type: "text/plain"};
    await s.openWindow();
    s.faults[program + ".wasm"] = {slow: 40};
    await s.open();
    await waitFor("the progress of a slow load", async () => /Loading the program: \d+ kB of \d+ kB/.test(await status()));
    await waitFor("the slow load to run", async () => /^Running/.test(await status()), 60000);
  },

  // The tests' hooks are in the test page's programs only, in both builds.
  test_hooks_apart(s) {
    const named = (file) => new Set(
        fs.readFileSync(path.join(__dirname, "../../platform/web/page", file), "utf8")
            .match(/_fractals_\w+/g).map((name) => name.slice(1)));
    const pageCalls = named("page.js");
    const hooks = [...named("test_hooks.js")].filter((name) => !pageCalls.has(name));
    check(hooks.length > 0, "no hooks named in test_hooks.js");
    for (const program of ["fractals", "fractals-nothreads", "fractals-test", "fractals-test-nothreads"]) {
      // The .wasm's export names are minified; its script maps them to the C names.
      const script = fs.readFileSync(path.join(s.args.page, program + ".js"), "utf8");
      const carried = hooks.filter((name) => new RegExp(`\\b_${name}\\b`).test(script));
      const expected = program.includes("-test") ? hooks : [];
      check(JSON.stringify(carried) === JSON.stringify(expected),
            `${program} exports ${JSON.stringify(carried)} of the hooks`);
    }
  },

  // A browser without WebAssembly: the page says so.
  async no_webassembly(s) {
    await s.page.evaluateOnNewDocument(() => { delete window.WebAssembly; });
    await s.open();
    await waitFor("the page to say it", () => s.evaluate(() =>
        /has no WebAssembly/.test(document.getElementById("status").textContent)));
  },

  // Any screen runs the program (1920 x 1080 at a device pixel ratio of 2,
  // 1366 x 768 at 1.5, 2560 x 1440 at 3, a small one): the mode is about the
  // canvas's 800 x 600 pixels, shown scaled down where the page has less
  // room, nearest neighbour at every ratio, so only the program's colours
  // reach the screen.
  async screens(s) {
    const cdp = await s.page.createCDPSession();
    for (const [width, height, ratio] of [[960, 540, 2], [911, 512, 1.5], [853, 480, 3],
                                          [640, 480, 1], [1000, 800, 1.25], [1500, 1000, 0.67]]) {
      const at = `${width} x ${height} at ${ratio}`;
      await cdp.send("Emulation.setDeviceMetricsOverride", {
        width, height, deviceScaleFactor: ratio, mobile: false, screenWidth: width,
        screenHeight: height});
      await s.openWindow();
      await sleep(100);
      check((await messageBox(s)) === null, `${at}: box ${JSON.stringify(await messageBox(s))}`);
      const rect = await s.evaluate(() => {
        const r = document.getElementById("window").getBoundingClientRect();
        return {x: r.x, y: r.y, width: r.width, height: r.height, right: r.right,
                page: document.documentElement.scrollWidth};
      });
      check(rect.right <= width && rect.page <= width, `${at}: wider than the page ${JSON.stringify(rect)}`);
      check(Math.abs(rect.width / rect.height - WIDTH / HEIGHT) < 0.01, `${at}: aspect ${JSON.stringify(rect)}`);
      // Device pixels, inside the canvas's edges.
      const shot = await cdp.send("Page.captureScreenshot", {format: "png", clip: {
        x: rect.x + 2, y: rect.y + 2, width: rect.width - 4, height: rect.height - 4, scale: 1}});
      const colours = screenColours(Buffer.from(shot.data, "base64"));
      check(colours.strange === 0 && colours.lit > 0,
            `${at}: ${colours.strange} device pixels of ${colours.all} not the program's ` +
            `colours (${colours.examples}), ${colours.lit} lit`);
    }
  },

  // A phone (390 x 844 CSS pixels at 3, touch only): the canvas fits the
  // width, the on-screen keys are thumb-sized; a tap of '=' zooms in (the
  // frames follow the zoomed golden sequence) and neither scrolls nor zooms
  // the page; a keyboard still works beside them; a tap of Enter ends with 0.
  async touch(s) {
    if (!haveGolden(s, "touch")) return SKIPPED;
    await s.page.setViewport({width: 390, height: 844, deviceScaleFactor: 3, isMobile: true,
                              hasTouch: true});
    await s.openWindow();
    const layout = await s.evaluate(() => {
      const r = document.getElementById("window").getBoundingClientRect();
      const keys = [...document.querySelectorAll("#touch-keys button")].map((b) => {
        const k = b.getBoundingClientRect();
        return Math.min(k.width, k.height);
      });
      return {left: r.left, right: r.right, keys, page: document.documentElement.scrollWidth,
              shown: !document.getElementById("touch-keys").hidden};
    });
    check(layout.shown && layout.keys.length === 4 && Math.min(...layout.keys) >= 44,
          `on-screen keys: ${JSON.stringify(layout)}`);
    check(layout.right <= 390 && layout.right - layout.left >= 350 && layout.page <= 390,
          `the canvas does not fit the width: ${JSON.stringify(layout)}`);
    await s.page.tap('#touch-keys [data-key="="]');
    await s.page.tap("#window-area");
    await followsZoom(s, 1);
    const view = await s.evaluate(() => ({scale: visualViewport.scale, x: scrollX, y: scrollY}));
    check(view.scale === 1 && view.x === 0 && view.y === 0, `the page moved: ${JSON.stringify(view)}`);
    await s.keys("-");
    await followsZoom(s, 0);
    await s.page.tap('#touch-keys [data-key="Enter"]');
    await expectExit(s, 0);
  },

  // Installable: the manifest names the program's icons at their sizes.
  // Offline: after the first visit the site is kept, so with the server
  // gone a reload runs the program. A new version of the site takes the
  // kept one's place on the next visit, and the old version's cache goes.
  async offline(s) {
    // The site kept is the served one; the test page, its hooks and its
    // program join it.
    const withTestPage = (text) =>
        text.replace("const FILES = [", `const FILES = ${JSON.stringify(TEST_PAGE_FILES).slice(0, -1)}, `);
    s.site.edits = {"offline_worker.js": withTestPage};
    await s.openWindow();
    const manifest = await s.evaluate(async () => {
      const link = document.querySelector('link[rel="manifest"]');
      const m = await (await fetch(link.href)).json();
      const icons = await Promise.all(m.icons.map(async (icon) => {
        const image = await createImageBitmap(await (await fetch(new URL(icon.src, link.href))).blob());
        return [icon.sizes, `${image.width}x${image.height}`];
      }));
      return {name: m.name, start: m.start_url, display: m.display, icons};
    });
    check(manifest.name === "Fractals" && manifest.display === "standalone" &&
          manifest.icons.length > 0 && manifest.icons.every(([said, is]) => said === is) &&
          manifest.icons.some(([size]) => parseInt(size) >= 144),
          `manifest: ${JSON.stringify(manifest)}`);
    const kept = () => s.evaluate(async () => navigator.serviceWorker.controller !== null &&
                                              (await caches.keys()));
    const first = await waitFor("the site to be kept", kept);
    check(first.length === 1, `caches: ${first}`);
    s.site.down = true;
    await s.page.reload();
    await waitFor("frames from the kept site", () => s.evaluate(() =>
        FractalsPage.test.presents > 2 && document.title === "Fractals"), 30000);
    const shot = await canvasBetweenFrames(s);
    await waitFor("the cloud to turn offline", async () => !shot.equals(await canvasBetweenFrames(s)));
    // A new version: another worker, and a page whose style says so.
    s.site.down = false;
    s.site.edits = {
      "offline_worker.js": (text) =>
          withTestPage(text).replace(/const VERSION = "[^"]*"/, 'const VERSION = "next"'),
      "page.css": (text) => text + "\n:root { --version: next; }\n",
    };
    await s.page.reload();
    // The page looks for a new version as it starts, so the swap is done by
    // the next visit, not whenever the browser checks by itself.
    await waitFor("the new version kept, the old one gone", async () => {
      const names = await kept();
      return names && names.length === 1 && names[0] === "fractals-next";
    }, 30000, 500);
    await s.page.reload();
    const version = await s.evaluate(
        () => getComputedStyle(document.documentElement).getPropertyValue("--version").trim());
    check(version === "next", `the next visit still runs the old site (${version})`);
  },

  // The fullscreen button: the canvas at the largest integer scale that
  // fits the screen in device pixels (2 on 1700 x 1300 at 1 or on 1300 x
  // 1000 at 1.5, 1 on 700 x 500 at 2), centred on black; the keys still go to the
  // program; Escape leaves.
  async fullscreen(s) {
    for (const [width, height, ratio, shown] of [[1700, 1300, 1, 1600], [1300, 1000, 1.5, 1600 / 1.5],
                                                    [700, 500, 2, 400]]) {
      const at = `${width} x ${height} at ${ratio}`;
      await s.page.setViewport({width, height, deviceScaleFactor: ratio});
      await s.openWindow();
      await s.page.click("#fullscreen");
      // The page sizes the canvas when the browser tells it of the change,
      // which may come a frame after fullscreenElement is set.
      let got;
      await waitFor(`${at}: fullscreen at its size`, async () => {
        got = await s.evaluate(() => {
          const r = document.getElementById("window").getBoundingClientRect();
          const e = document.fullscreenElement;
          return {full: e !== null && e.id === "window-area", x: r.x, y: r.y, width: r.width,
                  height: r.height, inner: [innerWidth, innerHeight], focus: document.activeElement.id};
        });
        return got.full && Math.abs(got.width - shown) < 0.05;
      }, 5000).catch(() => {});
      const [w, h] = got.inner;
      check(got.full && Math.abs(got.width - shown) < 0.05 && Math.abs(got.x - (w - shown) / 2) <= 0.5 &&
            Math.abs(got.y - (h - shown * 3 / 4) / 2) <= 0.5 && got.focus === "window-area",
            `${at}: ${JSON.stringify(got)}`);
      const corner = await s.page.screenshot({clip: {x: 0, y: 0, width: 4, height: 4}});
      const colours = screenColours(Buffer.from(corner));
      check(colours.strange === 0 && colours.lit === 0, `${at}: around the canvas ${colours.examples}`);
      await s.keys("Escape");
      await waitFor(`${at}: Escape to leave fullscreen`,
                    () => s.evaluate(() => document.fullscreenElement === null));
    }
  },

  // Ctrl held in the window, the user goes to another tab and lets it go
  // there: the page, hidden and without the focus, lets Ctrl go for the
  // program too, and back in the window F3 zooms in. The program went on
  // while hidden and goes on at its frames, with no error.
  async elsewhere(s) {
    if (!haveGolden(s, "elsewhere")) return SKIPPED;
    await s.openWindow();
    await s.page.keyboard.down("Control");
    const other = await s.browser.newPage();
    await other.bringToFront();
    await other.keyboard.up("Control");
    const away = await s.evaluate(() => [document.visibilityState, document.hasFocus()]);
    check(away[0] === "hidden" && !away[1], `the other tab did not hide the page: ${away}`);
    await sleep(1000);
    await s.page.bringToFront();
    await other.close();
    await waitFor("the window to have the focus again", () => s.evaluate(
        () => document.hasFocus() && document.activeElement.id === "window-area"));
    await s.keys("F3");
    await followsZoom(s, 1);
    check((await messageBox(s)) === null && (await s.exitCode()) === null,
          "the program stopped while hidden");
  },

  // At a device pixel ratio of 2 or more each pixel is an integer block of
  // device pixels, nearest neighbour; the picture stays the program's.
  async high_dpi(s) {
    const shownAs = () => s.evaluate(() => {
      const canvas = document.getElementById("window");
      return {width: canvas.getBoundingClientRect().width, rendering: canvas.style.imageRendering,
              scale: canvas.dataset.scale};
    });
    await s.page.setViewport({width: 1200, height: 900, deviceScaleFactor: 1});
    await s.openWindow();
    let got = await shownAs();
    check(got.width === 800 && got.scale === "1", `ratio 1: ${JSON.stringify(got)}`);
    for (const [ratio, shown, factor] of [[2, 800, 2], [3, 800, 3], [2.5, 640, 2]]) {
      await s.page.setViewport({width: 1200, height: 900, deviceScaleFactor: ratio});
      await s.openWindow();
      got = await shownAs();
      check(Math.abs(got.width - shown) < 0.05 && got.rendering === "pixelated" &&
            got.scale === String(factor), `ratio ${ratio}: ${JSON.stringify(got)}`);
    }
    // Device pixels: every 2 x 2 block one colour.
    await s.page.setViewport({width: 1200, height: 900, deviceScaleFactor: 2});
    await s.openWindow();
    const box = await s.evaluate(() => {
      const r = document.getElementById("window").getBoundingClientRect();
      return {x: r.x, y: r.y};
    });
    const png = await s.page.screenshot({clip: {x: box.x, y: box.y, width: 800, height: 600}});
    const blocks = uniformBlocks(Buffer.from(png), 2);
    check(blocks.width === 1600 && blocks.mixed === 0 && blocks.lit > 0,
          `2 x 2 blocks: ${JSON.stringify(blocks)}`);
  },

  // 10,000 random key events neither stall nor crash the page; Enter still
  // ends the program. They go in through the browser's own input path,
  // 500 at a time without waiting for each.
  async flood(s) {
    await s.openWindow();
    let seed = 20261208;
    const random = (n) => {
      seed = (seed * 1103515245 + 12345) % 2147483648;
      return seed % n;
    };
    const keys = [];
    for (const c of "abcdefghijklmnopqrstuvwxyz") keys.push({key: c, code: `Key${c.toUpperCase()}`, text: c});
    for (const c of "0123456789") keys.push({key: c, code: `Digit${c}`, text: c});
    for (const [key, code] of [["-", "Minus"], ["=", "Equal"], [",", "Comma"], [".", "Period"],
                               ["/", "Slash"], [" ", "Space"]]) {
      keys.push({key, code, text: key});
    }
    // Tab is left out: it moves the focus out of the window, as on any page.
    for (const name of ["Escape", "Backspace", "ArrowLeft", "ArrowRight", "ArrowUp",
                        "ArrowDown", "Home", "End", "PageUp", "PageDown", "Insert", "Delete",
                        "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10"]) {
      keys.push({key: name, code: name});
    }
    keys.push({key: "Control", code: "ControlLeft"}, {key: "Shift", code: "ShiftLeft"});
    await s.evaluate(() => {
      window.keyDowns = 0;
      window.addEventListener("keydown", () => ++window.keyDowns);
    });
    const cdp = await s.page.createCDPSession();
    for (let sent = 0; sent < 10000; sent += 500) {
      const before = await s.evaluate(() => FractalsPage.test.presents);
      const pending = [];
      for (let i = 0; i < 500; ++i) {
        const k = keys[random(keys.length)];
        pending.push(cdp.send("Input.dispatchKeyEvent", {type: k.text ? "keyDown" : "rawKeyDown", ...k}));
        pending.push(cdp.send("Input.dispatchKeyEvent", {type: "keyUp", key: k.key, code: k.code}));
      }
      await Promise.all(pending);
      check((await s.exitCode()) === null, "the program ended during the flood");
      await waitFor("frames during the flood",
                    async () => (await s.evaluate(() => FractalsPage.test.presents)) > before,
                    5000);
    }
    const seen = await s.evaluate(() => window.keyDowns);
    check(seen === 10000, `the page saw ${seen} of the 10,000 key presses`);
    await s.keys("Enter");
    await expectExit(s, 0, 30000);
  },
};

// How many pixels of a PNG screenshot are lit, and how many have colours
// that are not the program's.
function screenColours(png) {
  const {rgba} = decodePng(png);
  let strange = 0, lit = 0;
  const examples = new Set();
  for (let i = 0; i < rgba.length; i += 4) {
    const rgb = rgba[i] + "," + rgba[i + 1] + "," + rgba[i + 2];
    if (!PROGRAM_COLOURS.has(rgb)) {
      ++strange;
      if (examples.size < 4) examples.add(rgb);
    } else if (rgb !== "0,0,0") {
      ++lit;
    }
  }
  return {strange, lit, all: rgba.length / 4, examples: [...examples].join(" ")};
}

// Counts the factor x factor blocks of a PNG screenshot that are not one
// colour, and the lit ones.
function uniformBlocks(png, factor) {
  const {width, height, rgba} = decodePng(png);
  let mixed = 0, lit = 0;
  for (let by = 0; by + factor <= height; by += factor) {
    for (let bx = 0; bx + factor <= width; bx += factor) {
      const at = (x, y) => rgba.readUInt32BE((y * width + x) * 4);
      const first = at(bx, by);
      let same = true;
      for (let y = by; y < by + factor; ++y) {
        for (let x = bx; x < bx + factor; ++x) same = same && at(x, y) === first;
      }
      if (!same) ++mixed;
      if ((first >>> 8) !== 0) ++lit;
    }
  }
  return {mixed, lit, width, height};
}

// A minimal PNG reader for Chromium's screenshots: 8-bit RGB or RGBA, no
// interlace.
function decodePng(png) {
  const zlib = require("zlib");
  let at = 8, width = 0, height = 0, channels = 0;
  const data = [];
  while (at < png.length) {
    const length = png.readUInt32BE(at), type = png.toString("ascii", at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      check(body[8] === 8 && body[12] === 0, "unexpected PNG format");
      channels = {2: 3, 6: 4}[body[9]];
      check(channels, `unexpected PNG colour type ${body[9]}`);
    } else if (type === "IDAT") {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels, rgba = Buffer.alloc(width * height * 4);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? line[i - channels] : 0, b = previous[i];
      const c = i >= channels ? previous[i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      line[i] = (line[i] + predictor) & 0xFF;
    }
    for (let x = 0; x < width; ++x) {
      for (let k = 0; k < 3; ++k) rgba[(y * width + x) * 4 + k] = line[x * channels + k];
      rgba[(y * width + x) * 4 + 3] = 255;
    }
    previous = line;
  }
  return {width, height, rgba};
}

function parseArgs(argv) {
  const args = {engine: "chromium", build: "threads"};
  for (let i = 0; i < argv.length; i += 2) {
    const name = argv[i].replace(/^--/, "");
    check(["page", "case", "golden", "engine", "binary", "build", "hooks"].includes(name) &&
              i + 1 < argv.length,
          "usage: page_test.js --page DIR --case NAME [--build threads|nothreads] " +
              "[--engine chromium|firefox|webkit] [--binary PATH] [--golden TOOL] " +
              "[--hooks BUILD_DIR]");
    args[name] = argv[i + 1];
  }
  check(args.page && CASES[args.case], `--case is one of ${Object.keys(CASES).join(", ")}`);
  check(["threads", "nothreads"].includes(args.build), "--build is threads or nothreads");
  check(ENGINES[args.engine], `--engine is one of ${Object.keys(ENGINES).join(", ")}`);
  args.binary = args.binary || ENGINES[args.engine];
  return args;
}

async function main() {
  let args;
  try {
    args = parseArgs(process.argv.slice(2));
  } catch (e) {
    console.error(e.message);
    return 2;
  }
  const session = args.engine === "webkit" ? new WebDriverSession(args) : new Session(args);
  try {
    await session.start();
    if ((await CASES[args.case](session)) === SKIPPED) return SKIP_CODE;
    check(session.errors.length === 0, `errors on the page: ${session.errors.join("; ")}`);
  } catch (e) {
    console.error(`FAIL ${args.case} (${args.engine}, ${args.build}): ${e instanceof TestFailure ? e.message : e.stack}`);
    if (session.console.length) console.error("page console:\n  " + session.console.join("\n  "));
    return 1;
  } finally {
    await session.close();
  }
  console.log(`ok ${args.case} (${args.engine}, ${args.build})`);
  return 0;
}

main().then((code) => process.exit(code));
