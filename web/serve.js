// Serves a folder on 127.0.0.1 for the web page: node web/serve.js DIR [PORT].
// Port 0 takes any free port. Prints the address once it listens.
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.data': 'application/octet-stream', '.txt': 'text/plain',
  '.png': 'image/png',
};

// Starts serving root; resolves to the server once it listens.
function serve(folder, port) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    } catch (e) {
      response.writeHead(400).end();
      return;
    }
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    // Nothing outside the folder, whatever the path says.
    if (file !== root && !file.startsWith(root + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {
        'Content-Type': types[path.extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-cache',
      });
      response.end(data);
    });
  });

  return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

if (require.main === module) {
  serve(process.argv[2] || 'build-web/site', Number(process.argv[3] || 8080)).then((server) => {
    console.log(`Tessaveld is served at http://127.0.0.1:${server.address().port}/`);
  });
}
module.exports = serve;
