// What the browser tests share: their options, their ok/FAIL lines, a static
// server for the built site on 127.0.0.1 (or python3's own), Debian's Chromium started headless
// on SwiftShader, and a page that reports its faults.
'use strict';
const {spawn} = require('child_process');
const fs = require('fs');
const http = require('http');
const net = require('net');
const os = require('os');
const path = require('path');

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
    '.gz': 'application/gzip',
    '.wasm': 'application/wasm',
    '.webmanifest': 'application/manifest+json',
    '.png': 'image/png',
    '.rec': 'text/plain; charset=utf-8',
};

// A static file server for the built site, on a free port of 127.0.0.1, that
// compresses nothing (as python3 -m http.server). Options: cacheControl (the
// header every file gets; "no-store" unless given), routes (path -> handler
// (request, response), for servers that misbehave on purpose). server.folder
// can be changed to deploy another build; server.bytesSent counts the files'
// bytes sent, and server.served lists their paths.
function serve(folder, options = {}) {
    const routes = options.routes || {};
    const server = http.createServer((request, response) => {
        let name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
        if (routes[name]) return routes[name](request, response);
        if (name.endsWith('/')) name += 'index.html';
        const root = server.folder;
        const file = path.join(root, path.normalize(name));
        fs.readFile(file, (error, data) => {
            if (error || !file.startsWith(root + path.sep)) {
                response.writeHead(404);
                response.end();
                return;
            }
            server.bytesSent += data.length;
            server.served.push(name);
            const type = contentTypes[path.extname(file)] || 'application/octet-stream';
            response.writeHead(200, {'Content-Type': type, 'Content-Length': data.length,
                                     'Cache-Control': options.cacheControl || 'no-store'});
            response.end(data);
        });
    });
    server.folder = folder;
    server.bytesSent = 0;
    server.served = [];  // the paths sent, in order
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Debian's Chromium, headless, drawing with SwiftShader, in a profile of its
// own that close() removes.
async function launchChromium(extraArgs = []) {
    // Required here, so that checks without a browser run without the driver.
    const puppeteer = require('puppeteer-core');
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

function freePort() {
    return new Promise((resolve) => {
        const probe = net.createServer().listen(0, '127.0.0.1', () => {
            const port = probe.address().port;
            probe.close(() => resolve(port));
        });
    });
}

// python3 -m http.server on a folder, as a player's simplest server (it
// compresses nothing), once it answers.
async function pythonServer(site) {
    const port = await freePort();
    const server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1', '--directory', site],
                         {stdio: 'ignore'});
    for (;;) {
        const up = await new Promise((resolve) => {
            const socket = net.connect(port, '127.0.0.1', () => { socket.end(); resolve(true); });
            socket.on('error', () => resolve(false));
        });
        if (up) return {url: `http://127.0.0.1:${port}/`, stop: () => server.kill()};
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
}

module.exports = {option, checker, serve, launchChromium, pythonServer};
