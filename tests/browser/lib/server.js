// Static files for the pages the browser tests open (serve-static): each URL prefix
// from its own folder, e.g. { "/": root, "/dist/": built }; the longest prefix wins.
"use strict";

const http = require("http");
const serveStatic = require("serve-static");

// Listens on every loopback address (127.0.0.1, 127.0.0.2, ::1 for "localhost").
function serve(mounts, port) {
  const handlers = Object.keys(mounts).sort((a, b) => b.length - a.length)
    .map((prefix) => [prefix, serveStatic(mounts[prefix], { index: false, dotfiles: "ignore" })]);
  const server = http.createServer((request, response) => {
    const [prefix, handler] = handlers.find(([p]) => request.url.startsWith(p));
    request.url = "/" + request.url.slice(prefix.length);
    handler(request, response, (error) => {
      response.statusCode = error ? error.status || 500 : 404;
      response.end();
    });
  });
  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port || 0, "::", () => resolve(server));
  });
}

module.exports = { serve };
