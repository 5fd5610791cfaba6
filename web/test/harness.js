// What the browser tests share: their options, their ok/FAIL lines, a static
// server for the built site on 127.0.0.1, and Debian's Chromium started
// headless on SwiftShader.
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const puppeteer = require('puppeteer-core');

// The value after `name` on the command line; a missing one ends the test.
function option(name) {
    const at = process.argv.indexOf(name);
    if (at < 0 || at + 1 >= process.argv.length) throw new Error('missing ' + name);
    return process.argv[at + 1];
}

// check(ok, text) prints one line a check; failures holds the failed ones.
function checker() {
    const failures = [];
    const check = (ok, text) => {
        console.log((ok ? 'ok:   ' : 'FAIL: ') + text);
        if (!ok) failures.push(text);
    };
    return {check, failures};
}

const contentTypes = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript',
    '.wasm': 'application/wasm',
    '.data': 'application/octet-stream',
    '.webmanifest': 'application/manifest+json',
    '.png': 'image/png',
    '.rec': 'text/plain; charset=utf-8',
};

// A static file server for the built site, on a free port of 127.0.0.1. It
// keeps each file's size as gzip compresses it, as a web server serving
// compressed files would send it, and counts the bytes it sends that way.
function serve(folder) {
    const gzipSizes = new Map();
    const server = http.createServer((request, response) => {
        let name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
        if (name.endsWith('/')) name += 'index.html';
        const file = path.join(folder, path.normalize(name));
        fs.readFile(file, (error, data) => {
            if (error || !file.startsWith(folder + path.sep)) {
                response.writeHead(404);
                response.end();
                return;
            }
            if (!gzipSizes.has(name)) gzipSizes.set(name, zlib.gzipSync(data, {level: 9}).length);
            server.gzipBytes += gzipSizes.get(name);
            const type = contentTypes[path.extname(file)] || 'application/octet-stream';
            response.writeHead(200, {'Content-Type': type, 'Cache-Control': 'no-store'});
            response.end(data);
        });
    });
    server.gzipBytes = 0;
    server.gzipSizes = gzipSizes;
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Debian's Chromium, headless, drawing with SwiftShader, in a profile of its
// own that close() removes.
async function launchChromium(extraArgs = []) {
    const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'velmora-chromium-'));
    const browser = await puppeteer.launch({
        executablePath: '/usr/bin/chromium',
        headless: true,
        userDataDir,
        args: ['--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
               '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
               ...extraArgs],
    });
    const close = async () => {
        await browser.close();
        fs.rmSync(userDataDir, {recursive: true, force: true});
    };
    return {browser, close};
}

module.exports = {option, checker, serve, launchChromium};
