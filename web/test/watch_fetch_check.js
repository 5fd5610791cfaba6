// Watching recordings the page cannot have, or should not take: from servers
// that answer 404, not at all, stall, declare 500 MB, or send without end,
// each must end in its own message on the page, soon and without reading on;
// and a recording that changes the canvas's size every frame must neither
// resize the canvas's store more than once a drawn frame nor make it wider
// than the page's cap. Exits non-zero on a fault.
//   node watch_fetch_check.js --site DIR
'use strict';
const fs = require('fs');
const net = require('net');
const path = require('path');
const {checker, launchChromium, option, serve} = require('./harness');

const mebibyte = 1 << 20;
// The page gives up a recording that sends nothing for 15 s; more than
// enough for that on a loaded machine.
const messageWait = 90000;

// Routes of a server that misbehaves on purpose; `sent` counts what the
// endless one wrote, `closed` whether its reader went away.
function misbehaving() {
    const endless = {sent: 0, closed: false};
    const routes = {
        // Declares 500 MB, sends a line, then holds: a page that reads before
        // it checks the size waits here.
        '/declared.rec': (request, response) => {
            response.writeHead(200, {'Content-Type': 'text/plain', 'Content-Length': String(500 * mebibyte)});
            response.write('frame 16\n');
        },
        // Lines without end and without a declared length, as fast as they are taken.
        '/endless.rec': (request, response) => {
            response.writeHead(200, {'Content-Type': 'text/plain'});
            const block = Buffer.from('frame 16\n'.repeat(7282));  // 64 KiB
            const more = () => {
                while (!endless.closed && response.write(block)) endless.sent += block.length;
                if (!endless.closed) endless.sent += block.length;
            };
            response.on('drain', more);
            response.on('close', () => (endless.closed = true));
            more();
        },
        // Headers and ten bytes of a thousand, then nothing.
        '/stalled.rec': (request, response) => {
            response.writeHead(200, {'Content-Type': 'text/plain', 'Content-Length': '1000'});
            response.write('frame 16\nf');
        },
        // Not even headers.
        '/silent.rec': () => {},
    };
    return {routes, endless};
}

// A port on which nothing listens: one the system gave, then closed.
function closedPort() {
    return new Promise((resolve) => {
        const probe = net.createServer();
        probe.listen(0, '127.0.0.1', () => {
            const port = probe.address().port;
            probe.close(() => resolve(port));
        });
    });
}

// What the page's own readers took from the recordings it fetched, before
// its script runs.
function countReads() {
    window.velmoraBytesRead = window.velmoraLargestRead = 0;
    const recordings = new WeakSet();
    const fetchFirst = window.fetch;
    window.fetch = function (...args) {
        return fetchFirst.apply(this, args).then((response) => {
            if (/\.rec$/.test(new URL(response.url).pathname)) recordings.add(response.body);
            return response;
        });
    };
    const getReader = ReadableStream.prototype.getReader;
    ReadableStream.prototype.getReader = function (...args) {
        const reader = getReader.apply(this, args);
        if (!recordings.has(this)) return reader;
        const read = reader.read.bind(reader);
        reader.read = () => read().then((part) => {
            if (part.done || !part.value) return part;
            window.velmoraBytesRead += part.value.byteLength;
            window.velmoraLargestRead = Math.max(window.velmoraLargestRead, part.value.byteLength);
            return part;
        });
        return reader;
    };
}

// The message the page shows for url, whether the loading screen stayed, and
// how many bytes its readers took, the most at once.
async function messageFor(browser, url, pageErrors) {
    const page = await browser.newPage();
    page.on('pageerror', (error) => pageErrors.push('page error: ' + error.message));
    await page.evaluateOnNewDocument(countReads);
    await page.goto(url, {waitUntil: 'load'});
    const text = await page.waitForFunction(() => {
        const m = document.getElementById('message');
        return !m.hidden && m.textContent;
    }, {timeout: messageWait, polling: 200}).then((handle) => handle.jsonValue());
    const [loadingShown, bytesRead, largestRead] = await page.evaluate(
        () => [!document.getElementById('mouth').hidden, window.velmoraBytesRead, window.velmoraLargestRead]);
    await page.close();
    return {text, loadingShown, bytesRead, largestRead};
}

// The most a connection on this machine holds on its way between a sender
// and a reader that has stopped: the kernel's largest send and receive
// buffers (the receive side grows to tcp_rmem's largest as the data flows).
function socketBuffersMost() {
    const most = (file) => Number(fs.readFileSync(file, 'latin1').trim().split(/\s+/)[2]);
    return most('/proc/sys/net/ipv4/tcp_rmem') + most('/proc/sys/net/ipv4/tcp_wmem');
}

// A recording whose window is 8192 and 8000 pixels wide by turns, every frame.
function reshapingRecording(frames) {
    const lines = ['# velmora reshaping every frame'];
    for (let i = 1; i <= frames; ++i) lines.push(`reshape ${i % 2 ? 8192 : 8000} 6000`, `frame ${16 * i}`);
    return lines.join('\n') + '\n';
}

// Counts the canvas's store sizes set and the frames drawn, before the page's
// own script runs.
function countResizes() {
    window.velmoraResizes = {width: 0, height: 0};
    window.velmoraWidest = 0;
    window.velmoraClears = 0;
    for (const side of ['width', 'height']) {
        const property = Object.getOwnPropertyDescriptor(HTMLCanvasElement.prototype, side);
        Object.defineProperty(HTMLCanvasElement.prototype, side, {
            get: property.get,
            set(value) {
                if (this.id === 'canvas') {
                    window.velmoraResizes[side] += 1;
                    if (side === 'width') window.velmoraWidest = Math.max(window.velmoraWidest, value);
                }
                property.set.call(this, value);
            },
        });
    }
    const clear = WebGLRenderingContext.prototype.clear;
    WebGLRenderingContext.prototype.clear = function (mask) {
        window.velmoraClears += 1;
        return clear.call(this, mask);
    };
}

async function reshapingChecks(browser, base, site, check, pageErrors) {
    const frames = 3000;
    fs.mkdirSync(path.join(site, 'recordings'), {recursive: true});
    fs.writeFileSync(path.join(site, 'recordings', 'reshaping.rec'), reshapingRecording(frames));
    const page = await browser.newPage();
    page.on('pageerror', (error) => pageErrors.push('page error: ' + error.message));
    await page.setViewport({width: 1024, height: 840});
    await page.evaluateOnNewDocument(countResizes);
    let crashed = '';
    page.on('error', (error) => (crashed = error.message));
    const started = Date.now();
    await page.goto(`${base}/?play=recordings/reshaping.rec&speed=1000`, {waitUntil: 'load'});
    const ended = await page.waitForFunction(() => window.velmoraRecording && velmoraRecording.watchEnded(),
                                             {timeout: 240000, polling: 200}).then(() => true, () => false);
    // A tab that ran out of memory on the canvas's stores has nothing to say.
    const seen = await page.evaluate(() => ({resizes: Math.max(window.velmoraResizes.width, window.velmoraResizes.height),
                                             widest: window.velmoraWidest,
                                             drawn: window.velmoraClears, width: document.getElementById('canvas').width}))
                     .catch(() => null);
    if (!seen) {
        check(false, `a recording that reshapes every frame: the tab died (${crashed || 'no longer answers'})`);
        return;
    }
    console.log(`reshaping every frame: ${frames} frames watched at speed 1000 in ${
        ((Date.now() - started) / 1000).toFixed(1)} s, ${seen.drawn} drawn`);
    check(ended && seen.resizes <= seen.drawn + 2 && seen.widest <= 1600 && seen.width === 1600,
          `a recording that reshapes every frame ${ended ? 'was watched to its end' : 'did not end'}: the canvas's ` +
              `store set ${seen.resizes} times over ${seen.drawn} drawn frames (at most one a frame), at most ${
                  seen.widest} pixels wide (the page's cap: 1600)`);
    await page.close();
}

async function main() {
    const site = path.resolve(option('--site'));
    const {check, failures} = checker();
    const {routes, endless} = misbehaving();
    const server = await serve(site, {routes});
    const base = `http://127.0.0.1:${server.address().port}`;
    const {browser, close} = await launchChromium();
    const pageErrors = [];
    try {
        const noServer = `http://127.0.0.1:${await closedPort()}/bug.rec`;
        // The slow ones side by side, so that their waits overlap.
        const [missing, unanswered, declared, endlessSeen, stalled, silent] = await Promise.all([
            messageFor(browser, `${base}/?play=recordings/missing.rec`, pageErrors),
            messageFor(browser, `${base}/?play=${encodeURIComponent(noServer)}`, pageErrors),
            messageFor(browser, `${base}/?play=declared.rec`, pageErrors),
            messageFor(browser, `${base}/?play=endless.rec`, pageErrors),
            messageFor(browser, `${base}/?play=stalled.rec`, pageErrors),
            messageFor(browser, `${base}/?play=silent.rec`, pageErrors),
        ]);
        const notFile = (seen) => !/not a recording file/.test(seen.text) && !seen.loadingShown;
        check(/could not be fetched: HTTP 404/.test(missing.text) && notFile(missing),
              `a recording the server does not have: "${missing.text}"`);
        check(/could not be fetched: the server did not answer/.test(unanswered.text) && notFile(unanswered),
              `a recording whose server is not there: "${unanswered.text}"`);
        check(/is not watched: it is 524288000 bytes, larger than 32 MiB/.test(declared.text) && notFile(declared),
              `a recording that declares 500 MB is refused before it is read: "${declared.text}"`);
        // The page takes 32 MiB and the chunk that crosses it, then lets the connection
        // go: the server may have sent more, but no more than the sockets
        // between them hold, and a few MiB of the browser's own pipes.
        for (const end = Date.now() + messageWait; !endless.closed && Date.now() < end;)
            await new Promise((resolve) => setTimeout(resolve, 50));
        const mostInFlight = 32 * mebibyte + socketBuffersMost() + 8 * mebibyte;
        check(/is not watched: it is larger than 32 MiB: reading stopped there/.test(endlessSeen.text) &&
                  endlessSeen.bytesRead <= 32 * mebibyte + endlessSeen.largestRead && endless.closed && endless.sent <= mostInFlight &&
                  notFile(endlessSeen),
              `a recording without end is cut at 32 MiB: "${endlessSeen.text}"; the page read ${
                  (endlessSeen.bytesRead / mebibyte).toFixed(1)} MiB in chunks of at most ${
                  (endlessSeen.largestRead / 1024).toFixed(0)} KiB; the server ${
                  endless.closed ? 'saw the page go' : 'still sends'} after ${
                  (endless.sent / mebibyte).toFixed(1)} MiB (at most ${(mostInFlight / mebibyte).toFixed(0)})`);
        check(/could not be fetched: nothing arrived for 15 s/.test(stalled.text) && notFile(stalled),
              `a recording whose server stalls midway: "${stalled.text}"`);
        check(/could not be fetched: nothing arrived for 15 s/.test(silent.text) && notFile(silent),
              `a recording whose server never answers: "${silent.text}"`);

        await reshapingChecks(browser, base, site, check, pageErrors);
        check(pageErrors.length === 0, 'no page errors' + pageErrors.map((e) => '\n      ' + e).join(''));
    } finally {
        await close();
        server.close();
        if (server.closeAllConnections) server.closeAllConnections();
    }
    if (failures.length > 0) {
        console.log(`${failures.length} check(s) failed`);
        process.exit(1);
    }
    console.log('all checks passed');
}

// A hung browser must not hang the test command.
setTimeout(() => {
    console.log('FAIL: the recording fetch checks took longer than eight minutes');
    process.exit(1);
}, 480000).unref();

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
