#!/usr/bin/env bash
# Builds the page (preset web) and serves build/web/ on localhost with the
# headers that shared-memory threads need, printing the address.
#   scripts/serve-web.sh [PORT]     (default 8080; 0 picks a free one)
set -euo pipefail
cd "$(dirname "$0")/.."
port="${1:-8080}"
# Debian's emcc runs on Debian's node modules, whichever node is on PATH.
export NODE_PATH=/usr/share/nodejs
scripts/install-deps.sh web
cmake --preset web >/dev/null
cmake --build --preset web --target fractals fractals_offline_worker
exec python3 - "$port" build/web <<'PY'
import functools
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".webmanifest": "application/manifest+json"}

    def end_headers(self):
        # Cross-origin isolation: without it a page gets no SharedArrayBuffer.
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()


port, folder = int(sys.argv[1]), sys.argv[2]
server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", port), functools.partial(Handler, directory=folder))
print(f"Fractals: http://localhost:{server.server_address[1]}/  (Ctrl+C stops)", flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
PY
