#!/usr/bin/env node
// Runs a program of the page build in headless Chromium and prints what it
// writes to standard output, then its exit code.
//
//   node bench/web/run_in_chromium.js build/web/bench/frame_loop/frame_loop.html [ARG...]
//
// FIREFOX=/usr/bin/firefox-esr runs it in Firefox instead (WebDriver BiDi).
//
// puppeteer-core comes from tests/web/node_modules (npm ci there first).
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");
const {serve, launch} = require("./harness");

async function main() {
  const [pagePath, ...args] = process.argv.slice(2);
  if (!pagePath) {
    console.error("usage: run_in_chromium.js PAGE.html [ARG...]");
    return 2;
  }
  const folder = path.dirname(path.resolve(pagePath));
  const server = await serve(folder, true);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "fractals-chromium-"));
  const browser = await launch(profile);
  try {
    const page = await browser.newPage();
    page.on("console", (m) => { if (m.type() === "log") console.log(m.text()); });
    const query = args.map((a) => "arg=" + encodeURIComponent(a)).join("&");
    await page.goto(`http://127.0.0.1:${server.address().port}/${path.basename(pagePath)}?${query}`);
    // The page thread's share of each frame shown: its copy to the canvas.
    await page.evaluate(() => {
      const present = FractalsPage.present;
      const spent = window.canvasCopies = {calls: 0, ms: 0, times: []};
      FractalsPage.present = function (...args) {
        const t0 = performance.now();
        present.apply(this, args);
        const ms = performance.now() - t0;
        ++spent.calls;
        spent.ms += ms;
        spent.times.push(ms);
      };
    });
    await page.waitForFunction(() => document.body.dataset.exitCode !== undefined,
                               {timeout: 600000, polling: 200});
    const copies = await page.evaluate(() => {
      const c = window.canvasCopies;
      c.times.sort((a, b) => a - b);
      return {calls: c.calls, mean: c.calls ? c.ms / c.calls : 0,
              p99: c.times.length ? c.times[Math.floor(c.times.length * 0.99)] : 0};
    });
    console.log(`canvas copies                 ${copies.calls}, mean ${copies.mean.toFixed(3)} ms ` +
                `(p99 ${copies.p99.toFixed(3)})`);
    const code = await page.evaluate(() => Number(document.body.dataset.exitCode));
    console.log(`exit code ${code}`);
    return code;
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
}

main().then((code) => process.exit(code), (e) => { console.error(e); process.exit(1); });
