#!/usr/bin/env node
// The page build in Debian's Chromium, headless, driven by puppeteer-core:
// one case per run, each with a browser and a server of its own.
//
//   node page_test.js --page DIR --case NAME [--golden TOOL] [--chromium PATH]
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
               ".wasm": "application/wasm"};

function serve(folder) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname);
    const file = path.join(folder, name === "/" ? "index.html" : name);
    if (!file.startsWith(path.resolve(folder)) || !fs.existsSync(file) ||
        fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, {
      "Content-Type": TYPES[path.extname(file)] || "application/octet-stream",
      "Cross-Origin-Opener-Policy": "same-origin",
      "Cross-Origin-Embedder-Policy": "require-corp",
    });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

class Session {
  constructor(args) {
    this.args = args;
    this.errors = [];
    this.console = [];
  }

  async start() {
    this.server = await serve(path.resolve(this.args.page));
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), "fractals-chromium-"));
    this.browser = await puppeteer.launch({
      executablePath: this.args.chromium,
      headless: true,
      args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             `--user-data-dir=${this.profile}`],
    });
    this.page = await this.browser.newPage();
    this.page.on("pageerror", (e) => this.errors.push(String(e.message || e)));
    this.page.on("console", (m) => this.console.push(m.text()));
    this.requests = [];
    this.page.on("request", (r) => this.requests.push(r.url()));
  }

  url(name = "index.html") {
    return `http://127.0.0.1:${this.server.address().port}/${name}`;
  }

  async open(name) {
    await this.page.goto(this.url(name));
  }

  // Opens the page and waits until the window shows the turning cloud.
  async openWindow() {
    await this.open();
    await waitFor("the window to show the cloud", () => this.page.evaluate(() =>
        FractalsPage.test.presents > 2 && document.title === "Fractals"), 30000);
  }

  evaluate(fn, ...args) {
    return this.page.evaluate(fn, ...args);
  }

  async keys(...names) {
    for (const name of names) await this.page.keyboard.press(name);
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
// tool: [frame, pixels it differs in].
function goldenMatch(tool, rgb, maxFrames) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "fractals-shot-"));
  try {
    const file = path.join(folder, "canvas.ppm");
    fs.writeFileSync(file, Buffer.concat([Buffer.from(`P6\n${WIDTH} ${HEIGHT}\n255\n`), rgb]));
    const result = childProcess.spawnSync(tool, ["match", file, "--max", String(maxFrames)],
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

// --- cases -----------------------------------------------------------------------

const CASES = {
  // The page, its caption and note, the canvas at its own size, the cloud in
  // the program's colours, turning.
  async window(s) {
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
  // as the program's renderer computes it natively.
  async frames(s) {
    if (!s.args.golden || !fs.existsSync(s.args.golden)) {
      console.log(`SKIP frames: no golden_frame tool at ${s.args.golden} (build the linux preset)`);
      return SKIPPED;
    }
    await s.openWindow();
    let last = -1;
    for (let i = 0; i < 5; ++i) {
      await sleep(200);
      const shot = await canvasBetweenFrames(s);
      const [frame, differing] = goldenMatch(s.args.golden, shot, 4000);
      check(differing === 0, `read ${i + 1}: nearest frame ${frame} differs in ${differing} pixels`);
      check(frame > last, `read ${i + 1} shows frame ${frame}, not after frame ${last}`);
      last = frame;
      console.log(`read ${i + 1}: frame ${frame}, exact`);
    }
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
    await spoilCorner(s);
    await sleep(300);
    check(await cornerSpoiled(s), "frames alone redrew the corner");
    await s.keys("a");
    await waitFor("the key to clear the corner", async () => !(await cornerSpoiled(s)), 5000);
    await spoilCorner(s);
    await sleep(300);
    check(await cornerSpoiled(s), "frames alone redrew the corner");
    await s.evaluate(() => FractalsPage.test.repaint(0, 0, 800, 600));
    await waitFor("the repaint to restore the corner", async () => !(await cornerSpoiled(s)),
                  5000);
  },

  // The page keeps the program's keys from the browser: no scrolling, no
  // find, no help; browser keys like F12 stay the browser's.
  async default_actions(s) {
    await s.openWindow();
    await s.evaluate(() => {
      window.prevented = {};
      window.addEventListener("keydown", (e) => { window.prevented[e.key] = e.defaultPrevented; });
    });
    await s.keys("ArrowDown", "PageDown", "Space", "F1", "F3", "F5", "/", "F12");
    const prevented = await s.evaluate(() => window.prevented);
    for (const key of ["ArrowDown", "PageDown", " ", "F1", "F3", "F5", "/"]) {
      check(prevented[key] === true, `${key} was left to the browser: ${JSON.stringify(prevented)}`);
    }
    check(prevented.F12 === false, "F12 was taken from the browser");
  },

  // Enter ends the program: exit code 0 on the page, the window gone, no box.
  async enter(s) {
    await s.openWindow();
    await s.keys("Enter");
    await expectExit(s, 0);
    check(await s.evaluate(() => document.getElementById("window").classList.contains("closed")),
          "the window is still shown");
    check((await messageBox(s)) === null, "a message box is open");
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
    check((await s.exitCode()) === null, "the program ended before the box was dismissed");
    await s.page.click("#box-ok");
    await expectExit(s, 205);
  },

  // A trap on the program thread (an integer division by zero): the page
  // closes the window and shows the report the desktops would, "Runtime
  // error 200 at $...", and the program ends with 200.
  async trap(s) {
    await s.openWindow();
    await s.evaluate(() => FractalsPage.test.divideByZero());
    const box = await waitFor("the Error box", () => messageBox(s));
    check(box.caption === "Error", `box caption ${box.caption}`);
    check(/^Runtime error 200 at \$[0-9A-F]{8}\n  \$[0-9A-F]{8}/.test(box.text),
          `box text: ${JSON.stringify(box.text)}`);
    check(await s.evaluate(() => document.getElementById("window").classList.contains("closed")),
          "the window is still shown under the box");
    await s.keys("Enter");
    await expectExit(s, 200);
    // The trap itself is reported on the page's console, not as a page error.
    s.errors = s.errors.filter((e) => !/divide by zero|ErrorEvent/.test(e));
  },

  // A screen too small for 800 x 600: no graphics mode, so the first pixel
  // ends the program with the one-line "Error" box and exit code 1.
  async not_in_graphics_mode(s) {
    const cdp = await s.page.createCDPSession();
    await cdp.send("Emulation.setDeviceMetricsOverride", {
      width: 1000, height: 800, deviceScaleFactor: 1, mobile: false,
      screenWidth: 640, screenHeight: 480});
    await s.open();
    const box = await waitFor("the Error box", () => messageBox(s), 30000);
    check(box.caption === "Error" && box.text === NOT_IN_GRAPHICS_MODE,
          `box: ${JSON.stringify(box)}`);
    await s.keys("Enter");
    await expectExit(s, 1);
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
      check(Math.abs(got.width - shown) < 0.01 && got.rendering === "pixelated" &&
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
    for (const name of ["Escape", "Tab", "Backspace", "ArrowLeft", "ArrowRight", "ArrowUp",
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
  const args = {chromium: "/usr/bin/chromium"};
  for (let i = 0; i < argv.length; i += 2) {
    const name = argv[i].replace(/^--/, "");
    check(["page", "case", "golden", "chromium"].includes(name) && i + 1 < argv.length,
          `usage: page_test.js --page DIR --case NAME [--golden TOOL] [--chromium PATH]`);
    args[name] = argv[i + 1];
  }
  check(args.page && CASES[args.case], `--case is one of ${Object.keys(CASES).join(", ")}`);
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
  const session = new Session(args);
  try {
    await session.start();
    if ((await CASES[args.case](session)) === SKIPPED) return SKIP_CODE;
    check(session.errors.length === 0, `errors on the page: ${session.errors.join("; ")}`);
  } catch (e) {
    console.error(`FAIL ${args.case} (web): ${e instanceof TestFailure ? e.message : e.stack}`);
    if (session.console.length) console.error("page console:\n  " + session.console.join("\n  "));
    return 1;
  } finally {
    await session.close();
  }
  console.log(`ok ${args.case} (web)`);
  return 0;
}

main().then((code) => process.exit(code));
