#!/usr/bin/env node
// The real page's frame pace, seen from outside: the page (index.html, the
// build it picks itself) in a headless browser, its canvas photographed
// every 10 s and each photograph matched to the golden frames, so that the
// frames shown between two photographs are counted, not timed from inside.
// The period is the time between the photographs over the frames between
// them; each photograph's time is the middle of its taking.
//
//   node bench/web/page_pace.js build/web GOLDEN_FRAME [INTERVALS]
//
// GOLDEN_FRAME is build/linux/tools/golden_frame/golden_frame; INTERVALS of
// 10 s each, 3 unless given. Both builds: with shared memory (the server
// isolates the page) and without. FIREFOX=/usr/bin/firefox-esr runs it in
// Firefox instead of Chromium. The desktop's period for the same machine and
// run: bench/frame_pace.sh build/linux.
"use strict";

const {execFileSync} = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const {serve, launch} = require("./harness");

const INTERVAL_MS = 10000;

// The golden frame the canvas shows now, and when.
async function frameShown(page, golden, folder) {
  const canvas = await page.$("#window");
  const before = performance.now();
  const png = await canvas.screenshot({type: "png"});
  const at = (before + performance.now()) / 2;
  const file = path.join(folder, "shot.ppm");
  fs.writeFileSync(file, execFileSync("convert", ["png:-", "-alpha", "off", "ppm:-"],
                                         {input: png, maxBuffer: 64 << 20}));
  let out;
  try {
    out = execFileSync(golden, ["match", file, "--max", "6000"], {encoding: "utf8"});
  } catch (e) {
    out = String(e.stdout || "");
  }
  const found = /frame (\d+) differs in (\d+) pixels/.exec(out);
  if (!found || found[2] !== "0") throw new Error(`the canvas shows no golden frame: ${out.trim()}`);
  return {frame: Number(found[1]), at};
}

async function measure(browser, site, golden, isolated, intervals, folder) {
  const server = await serve(site, isolated);
  const page = await browser.newPage();
  try {
    await page.setViewport({width: 1024, height: 900, deviceScaleFactor: 1});
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
    await page.waitForFunction(() => /^Running/.test(document.getElementById("status").textContent),
                               {timeout: 60000, polling: 50});
    const build = await page.evaluate(() => document.body.dataset.build);
    await new Promise((resolve) => setTimeout(resolve, 2000));
    const shots = [await frameShown(page, golden, folder)];
    for (let i = 0; i < intervals; ++i) {
      const next = shots[shots.length - 1].at + INTERVAL_MS;
      await new Promise((resolve) => setTimeout(resolve, Math.max(0, next - performance.now())));
      shots.push(await frameShown(page, golden, folder));
    }
    const periods = shots.slice(1).map((s, i) => (s.at - shots[i].at) / (s.frame - shots[i].frame));
    const mean = (shots[shots.length - 1].at - shots[0].at) /
        (shots[shots.length - 1].frame - shots[0].frame);
    console.log(`${build}: period ${mean.toFixed(3)} ms over ` +
                `${shots[shots.length - 1].frame - shots[0].frame} frames; per 10 s: ` +
                periods.map((p) => p.toFixed(3)).join(", ") + " ms");
  } finally {
    await page.close();
    server.close();
  }
}

async function main() {
  const [site, golden, count] = process.argv.slice(2);
  if (!site || !golden) {
    console.error("usage: page_pace.js BUILD_WEB GOLDEN_FRAME [INTERVALS]");
    return 2;
  }
  const intervals = Math.max(1, Number(count || 3));
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "fractals-pace-"));
  const browser = await launch(path.join(folder, "profile"));
  try {
    for (const isolated of [true, false]) {
      await measure(browser, path.resolve(site), golden, isolated, intervals, folder);
    }
  } finally {
    await browser.close();
    fs.rmSync(folder, {recursive: true, force: true});
  }
  return 0;
}

main().then((code) => process.exit(code), (e) => { console.error(e.message || e); process.exit(1); });
