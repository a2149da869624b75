// A static server of a page build's folder for the page benchmarks, on a
// port of its own; isolated: with the headers that give the page shared
// memory (the threaded build).
"use strict";

const fs = require("fs");
const http = require("http");
const path = require("path");

const TYPES = {".html": "text/html", ".js": "text/javascript", ".css": "text/css",
               ".wasm": "application/wasm"};

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

module.exports = {serve};
