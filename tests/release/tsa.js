'use strict';
// A time-stamp authority on 127.0.0.1 for the release check: every RFC 3161 query
// POSTed to it is answered by `openssl ts -reply`, run in FOLDER with its tsa.cnf.
//   node tsa.js FOLDER     prints the port it listens on, then serves until killed
const http = require('http');
const fs = require('fs');
const path = require('path');
const { execFile } = require('child_process');

const folder = process.argv[2];
let count = 0;
const log = (line) => fs.appendFileSync(path.join(folder, 'tsa.log'), `${line}\n`);

http.createServer((req, res) => {
  if (req.method !== 'POST') {
    log(`${req.method} ${req.url}: refused`);
    res.writeHead(405).end();
    return;
  }
  const chunks = [];
  req.on('data', (chunk) => chunks.push(chunk));
  req.on('end', () => {
    const n = ++count;
    const query = path.join(folder, `query-${n}.tsq`);
    const reply = path.join(folder, `reply-${n}.tsr`);
    fs.writeFileSync(query, Buffer.concat(chunks));
    execFile('openssl', ['ts', '-reply', '-config', 'tsa.cnf', '-queryfile', query, '-out', reply],
      { cwd: folder }, (err, _stdout, stderr) => {
        log(`query ${n}: ${err ? `failed: ${stderr}` : 'stamped'}`);
        if (err) {
          res.writeHead(500).end();
          return;
        }
        res.writeHead(200, { 'Content-Type': 'application/timestamp-reply' }).end(fs.readFileSync(reply));
      });
  });
}).listen(0, '127.0.0.1', function listening() {
  console.log(this.address().port);
});
