#!/usr/bin/env node
// Load to first frame of the page, for both builds, in headless Chromium:
// from the start of the navigation to the first picture on the canvas, and
// the bytes the page loads. The yardstick, measured in the same run, is the
// page's own DOMContentLoaded (the HTML and its scripts, no program).
//
//   node bench/web/load_to_first_frame.js build/web [RUNS]
//
// puppeteer-core comes from tests/web/node_modules (npm ci there first).
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");
const {serve, launch} = require("./harness");

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[sorted.length >> 1];
}

async function measure(browser, folder, isolated) {
  const server = await serve(folder, isolated);
  const page = await browser.newPage();
  let bytes = 0;
  const client = await page.createCDPSession();
  await client.send("Network.enable");
  await client.send("Network.setCacheDisabled", {cacheDisabled: true});
  client.on("Network.loadingFinished", (e) => { bytes += e.encodedDataLength; });
  await page.goto(`http://127.0.0.1:${server.address().port}/index-test.html`);
  await page.waitForFunction(() => window.FractalsPage && FractalsPage.test.presents > 0,
                             {timeout: 60000, polling: 5});
  const times = await page.evaluate(() => ({
    build: document.body.dataset.build,
    firstFrame: FractalsPage.test.firstPresent,
    domReady: performance.getEntriesByType("navigation")[0].domContentLoadedEventEnd,
  }));
  await page.close();
  server.close();
  return {...times, bytes};
}

async function main() {
  const folder = path.resolve(process.argv[2] || "build/web");
  const runs = Number(process.argv[3] || 5);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "fractals-bench-"));
  // Chromium: the bytes loaded come from its DevTools protocol.
  delete process.env.FIREFOX;
  const browser = await launch(profile);
  try {
    for (const isolated of [true, false]) {
      const results = [];
      for (let i = 0; i < runs; ++i) results.push(await measure(browser, folder, isolated));
      const first = median(results.map((r) => r.firstFrame));
      const ready = median(results.map((r) => r.domReady));
      console.log(`${results[0].build}: first frame ${first.toFixed(0)} ms after navigation ` +
                  `(median of ${runs}), ${(first / ready).toFixed(1)} x the page's ` +
                  `DOMContentLoaded (${ready.toFixed(0)} ms); ${results[0].bytes} bytes loaded`);
    }
  } finally {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
