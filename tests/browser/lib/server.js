// A static file server over the source tree, for the pages the browser tests open.
"use strict";

const fs = require("fs");
const http = require("http");
const path = require("path");

const TYPES = { ".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8" };

// Listens on every loopback address (127.0.0.1, 127.0.0.2, ::1 for "localhost").
function serve(root, port) {
  const server = http.createServer((request, response) => {
    const wanted = path.normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
    const file = path.join(root, wanted);
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream" });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port || 0, "::", () => resolve(server));
  });
}

module.exports = { serve };
