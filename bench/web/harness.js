// What the page benchmarks share: a static server of a page build's folder,
// on a port of its own, and the headless browser they run in.
"use strict";

const fs = require("fs");
const http = require("http");
const path = require("path");
const puppeteer = require(path.join(__dirname, "../../tests/web/node_modules/puppeteer-core"));

const TYPES = {".html": "text/html", ".js": "text/javascript", ".css": "text/css",
               ".wasm": "application/wasm"};

// isolated: with the headers that give the page shared memory (the
// threaded build).
function serve(folder, isolated) {
  const server = http.createServer((request, response) => {
    const name = new URL(request.url, "http://x").pathname;
    const file = path.join(folder, name === "/" ? "index.html" : name);
    if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    const headers = {"Content-Type": TYPES[path.extname(file)] || "application/octet-stream"};
    if (isolated) {
      headers["Cross-Origin-Opener-Policy"] = "same-origin";
      headers["Cross-Origin-Embedder-Policy"] = "require-corp";
    }
    response.writeHead(200, headers);
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// Headless Chromium, or Firefox where FIREFOX names its program (through
// WebDriver BiDi); profile is a folder of the caller's.
function launch(profile) {
  if (process.env.FIREFOX) {
    return puppeteer.launch({browser: "firefox", executablePath: process.env.FIREFOX,
                             headless: true, userDataDir: profile});
  }
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium", headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           `--user-data-dir=${profile}`]});
}

module.exports = {serve, launch};
