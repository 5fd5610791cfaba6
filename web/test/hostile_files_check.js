// Files made to hurt the page: a sounds pack that inflates to a GiB of zeros
// (a gzip bomb, as the pack's bytes or as the server's compression), a pack of the signs' pictures sent without a length and
// without end, and a recording of millions of new games watched as fast as the
// machine goes. Each bomb or endless pack must end in a line that names it,
// with the tab's renderer at a peak (VmHWM) within 100 MiB of a plain visit's
// and the endless sender let go; the recording must play to its end with the
// page's thread never held more than 100 ms. Exits non-zero on a fault.
//   node hostile_files_check.js --site DIR --part packs [--bomb-mib N]
//   node hostile_files_check.js --site DIR --part recording [--restarts N]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const {checker, launchChromium, option, serve} = require('./harness');

const mebibyte = 1 << 20;
const peakMargin = 100;     // MiB over a plain visit's renderer peak
const longestHold = 100;    // ms the page's thread may be held while a recording plays
const messageWait = 60000;
const watchWait = 180000;

function optional(name, fallback) { return process.argv.includes(name) ? Number(option(name)) : fallback; }

// The built site's name for a file of the build: sounds.gz -> sounds.<hash>.gz.
function builtName(site, base) {
    const [stem, ...rest] = base.split('.');
    const pattern = new RegExp(`^${stem}\\.[0-9a-f]{16}\\.${rest.join('\\.')}$`);
    const name = fs.readdirSync(site).find((file) => pattern.test(file));
    if (!name) throw new Error(`${base} is not in ${site}`);
    return name;
}

// A pack's first line, then `mib` MiB of zeros, gzip -9: made once, streamed
// through zlib so that the zeros are never whole in the test's memory.
function gzipBomb(mib) {
    return new Promise((resolve, reject) => {
        const gzip = zlib.createGzip({level: 9});
        const parts = [];
        gzip.on('data', (part) => parts.push(part));
        gzip.on('end', () => resolve(Buffer.concat(parts)));
        gzip.on('error', reject);
        gzip.write('velmora-pack 1\n');
        const zeros = Buffer.alloc(mebibyte);
        let left = mib;
        const more = () => {
            while (left > 0) {
                --left;
                if (!gzip.write(zeros)) return gzip.once('drain', more);
            }
            gzip.end();
        };
        more();
    });
}

// The largest peak resident size (VmHWM) of the browser's renderers, in MiB:
// the page's tab, its workers and its script heap live in its renderer.
function rendererPeakMiB(browser) {
    const children = {};
    for (const entry of fs.readdirSync('/proc')) {
        if (!/^\d+$/.test(entry)) continue;
        try {
            const stat = fs.readFileSync(`/proc/${entry}/stat`, 'latin1');
            const parent = Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
            (children[parent] = children[parent] || []).push(Number(entry));
        } catch (error) {
            // gone meanwhile
        }
    }
    let peak = 0;
    const visit = (pid) => {
        for (const child of children[pid] || []) {
            try {
                if (fs.readFileSync(`/proc/${child}/cmdline`, 'latin1').includes('--type=renderer')) {
                    const kib = Number(/VmHWM:\s*(\d+)/.exec(fs.readFileSync(`/proc/${child}/status`, 'latin1'))[1]);
                    peak = Math.max(peak, kib / 1024);
                }
            } catch (error) {
                // gone meanwhile
            }
            visit(child);
        }
    };
    visit(browser.process().pid);
    return peak;
}

// The most a connection on this machine holds between a sender and a reader
// that has stopped: the kernel's largest send and receive buffers.
function socketBuffersMost() {
    const most = (file) => Number(fs.readFileSync(file, 'latin1').trim().split(/\s+/)[2]);
    return most('/proc/sys/net/ipv4/tcp_rmem') + most('/proc/sys/net/ipv4/tcp_wmem');
}

// A fresh browser for one visit, so that its renderer's peak is that visit's
// alone: `until` waits in the page for what ends the visit and returns what
// the check reads.
async function visit(url, until, {beforeLoad} = {}) {
    const {browser, close} = await launchChromium();
    const errors = [];
    const lines = [];
    try {
        const page = await browser.newPage();
        page.on('pageerror', (error) => errors.push(error.message));
        page.on('console', (message) => lines.push(message.text()));
        if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
        await page.goto(url, {waitUntil: 'load'});
        const seen = await until(page, lines);
        return {seen, errors, lines, peak: rendererPeakMiB(browser)};
    } finally {
        await close();
    }
}

// A plain visit: the game runs and its sounds are where it reads them.
function plainVisit(page) {
    return page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined &&
                                      Module.FS.analyzePath('/sounds').exists && Module.FS.readdir('/sounds').length > 2,
                                {timeout: messageWait, polling: 100});
}

// The first console line that matches, once it comes.
async function lineLike(lines, pattern) {
    for (const end = Date.now() + messageWait; Date.now() < end;) {
        const line = lines.find((text) => pattern.test(text));
        if (line) return line;
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
    return '';
}

// Before the page's script: how long the page's thread was held. A heartbeat
// every 10 ms keeps its gaps over 50 ms; the game's frames (its animation
// frame callbacks) and the browser's long tasks are timed too, each with when
// it began. The game's first frame (the first animation frame once its main
// has run) and the watch's end, when the heartbeat first sees it, are marked.
function holdWatch() {
    const holds = window.velmoraHolds = {gaps: [], frames: [], tasks: [], firstFrame: null, endedAt: 0};
    let last = performance.now();
    setInterval(() => {
        const now = performance.now();
        if (now - last > 50) holds.gaps.push({at: last, ms: now - last});
        last = now;
        if (!holds.endedAt && window.velmoraRecording && velmoraRecording.watchEnded()) holds.endedAt = now;
    }, 10);
    const request = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => request((time) => {
        const began = performance.now();
        const first = !holds.firstFrame && typeof Module === 'object' && Module.calledRun;
        callback(time);
        const ms = performance.now() - began;
        if (first) holds.firstFrame = {at: began, ms};
        if (ms > 30) holds.frames.push({at: began, ms});
    });
    new PerformanceObserver((list) => {
        for (const entry of list.getEntries()) holds.tasks.push({at: entry.startTime, ms: entry.duration});
    }).observe({entryTypes: ['longtask']});
}

// How many times over the machine's processors are asked for, at least 1
// and at most 10, as the window tests reckon their patience: a thread that
// waits its turn on a busy machine is held longer by the machine, not the page.
function busyness() {
    return Math.min(10, Math.max(1, os.loadavg()[0] / os.cpus().length));
}

// A recording of `restarts` new games and then one frame, watched at speed 0:
// it must play to its end, with no hold of the page's thread over
// longestHold from the game's first frame to the end.
async function newGamesChecks(base, site, restarts, check) {
    const file = path.join(site, 'recordings', 'new-games.rec');
    fs.mkdirSync(path.dirname(file), {recursive: true});
    fs.writeFileSync(file, Buffer.concat([Buffer.alloc(restarts * 8, 'restart\n'), Buffer.from('frame 16\n')]));
    try {
        const watched = await visit(`${base}/?play=recordings/new-games.rec&speed=0`, async (page) => {
            await page.waitForFunction(() => window.velmoraHolds.endedAt > 0, {timeout: watchWait, polling: 200})
                .catch(() => {});
            return page.evaluate(() => window.velmoraHolds);
        }, {beforeLoad: holdWatch});
        const holds = watched.seen;
        const first = holds.firstFrame ? holds.firstFrame.at : Infinity;
        const end = holds.endedAt || Infinity;
        // Those that began from the game's first frame to its end; loading
        // the game (its code, the probe of WebGL) holds the thread before.
        const during = (list) => list.filter((hold) => hold.at >= first && hold.at < end);
        const longest = (list) => Math.max(0, ...during(list).map((hold) => hold.ms));
        const [gap, frame, task] = [longest(holds.gaps), longest(holds.frames), longest(holds.tasks)];
        const said = `${restarts} new games then a frame (${(fs.statSync(file).size / mebibyte).toFixed(2)} MiB), ` +
                     `watched at speed 0: ${holds.endedAt ? 'ended ' + ((end - first) / 1000).toFixed(1) + ' s after the first frame'
                                                          : 'did not end'}; the first frame ${
                         holds.firstFrame ? holds.firstFrame.ms.toFixed(0) : '-'} ms, the longest game frame ${frame.toFixed(0)} ms, the longest task ${task.toFixed(0)} ms, the heartbeat's longest gap ${gap.toFixed(0)} ms`;
        const bound = longestHold * busyness();
        for (const [kind, list] of Object.entries({gap: holds.gaps, frame: holds.frames, task: holds.tasks}))
            for (const hold of during(list).filter((hold) => hold.ms > longestHold))
                console.log(`  a ${kind} of ${hold.ms.toFixed(0)} ms at ${((hold.at - first) / 1000).toFixed(2)} s`);
        check(holds.endedAt > 0 && Math.max(gap, frame, task) <= bound,
              `${said} (at most ${bound.toFixed(0)} ms: ${longestHold} on a machine of load ${
                  os.loadavg()[0].toFixed(1)} on ${os.cpus().length} cores)`);
    } finally {
        fs.rmSync(file, {force: true});
    }
}

// A sounds pack that inflates to bombMib MiB of zeros, then a signs pack
// without end: each named in the page's line, the tab's peak near a plain
// visit's, and the endless sender let go.
async function packChecks(site, bombMib, check) {
    const sounds = builtName(site, 'sounds.gz');
    const signs = builtName(site, 'signs.gz');
    const made = Date.now();
    const bomb = await gzipBomb(bombMib);
    console.log(`the bomb: ${bombMib} MiB of zeros in ${(bomb.length / mebibyte).toFixed(1)} MiB of gzip, made in ${
        ((Date.now() - made) / 1000).toFixed(1)} s`);
    const endless = {sent: 0, closed: false};
    // Which of the build's files the server replaces, visit by visit.
    const hostile = {sounds: false, signs: false};
    const own = (name, response) => {
        const data = fs.readFileSync(path.join(site, name));
        response.writeHead(200, {'Content-Type': 'application/gzip', 'Content-Length': data.length,
                                 'Cache-Control': 'no-store'});
        response.end(data);
    };
    const routes = {
        // The bomb as the pack's own bytes, or as the server's compression of
        // them, which the browser inflates before the page reads a byte.
        [`/${sounds}`]: (request, response) => {
            if (!hostile.sounds) return own(sounds, response);
            response.writeHead(200, {'Content-Type': 'application/gzip', 'Content-Length': bomb.length,
                                     'Cache-Control': 'no-store',
                                     ...(hostile.sounds === 'encoded' ? {'Content-Encoding': 'gzip'} : {})});
            response.end(bomb);
        },
        // Bytes that never end, without a length, as fast as they are taken.
        [`/${signs}`]: (request, response) => {
            if (!hostile.signs) return own(signs, response);
            response.writeHead(200, {'Content-Type': 'application/gzip', 'Cache-Control': 'no-store'});
            const block = Buffer.alloc(64 * 1024, 7);
            const more = () => {
                while (!endless.closed && response.write(block)) endless.sent += block.length;
                if (!endless.closed) endless.sent += block.length;
            };
            response.on('drain', more);
            response.on('close', () => (endless.closed = true));
            more();
        },
    };
    const server = await serve(site, {routes});
    const base = `http://127.0.0.1:${server.address().port}`;
    try {
        const plain = await visit(`${base}/`, plainVisit);
        console.log(`a plain visit: renderer peak ${plain.peak.toFixed(0)} MiB`);
        check(plain.errors.length === 0, 'a plain visit has no page errors' + plain.errors.map((e) => '\n      ' + e).join(''));

        for (const [how, said] of [['bytes', /inflates to more than 64 MiB/], ['encoded', /larger than 16 MiB/]]) {
            hostile.sounds = how;
            const bombed = await visit(`${base}/`, (page, lines) => lineLike(lines, /sounds could not be loaded/));
            check(bombed.seen.includes(sounds) && said.test(bombed.seen) && bombed.peak <= plain.peak + peakMargin,
                  `a sounds pack of ${bombMib} MiB of zeros${how === 'encoded' ? ' in the server\'s compression' : ''}: "${
                      bombed.seen}"; renderer peak ${bombed.peak.toFixed(0)} MiB (a plain visit's ${
                      plain.peak.toFixed(0)} + at most ${peakMargin})`);
        }

        hostile.sounds = false;
        hostile.signs = true;
        const flooded = await visit(`${base}/`, (page) => page.waitForFunction(() => {
            const m = document.getElementById('message');
            return !m.hidden && m.textContent;
        }, {timeout: messageWait, polling: 100}).then((handle) => handle.jsonValue(), () => ''));
        for (const end = Date.now() + messageWait; !endless.closed && Date.now() < end;)
            await new Promise((resolve) => setTimeout(resolve, 50));
        // 16 MiB read, and no more sent than the sockets between hold and a
        // few MiB of the browser's own pipes.
        const mostInFlight = 16 * mebibyte + socketBuffersMost() + 8 * mebibyte;
        check(flooded.seen.includes(signs) && /larger than 16 MiB/.test(flooded.seen) && endless.closed &&
                  endless.sent <= mostInFlight && flooded.peak <= plain.peak + peakMargin,
              `a signs pack without end: "${flooded.seen}"; the server ${endless.closed ? 'saw the page go' : 'still sends'} after ${
                  (endless.sent / mebibyte).toFixed(1)} MiB (at most ${(mostInFlight / mebibyte).toFixed(0)}); renderer peak ${
                  flooded.peak.toFixed(0)} MiB`);
    } finally {
        server.close();
        if (server.closeAllConnections) server.closeAllConnections();
    }
}

async function main() {
    const site = path.resolve(option('--site'));
    const part = option('--part');
    const {check, failures} = checker();
    if (part === 'packs') {
        await packChecks(site, optional('--bomb-mib', 1024), check);
    } else if (part === 'recording') {
        const server = await serve(site);
        try {
            await newGamesChecks(`http://127.0.0.1:${server.address().port}`, site, optional('--restarts', 4194300), check);
        } finally {
            server.close();
            if (server.closeAllConnections) server.closeAllConnections();
        }
    } else {
        throw new Error(`--part ${part}: packs or recording`);
    }
    if (failures.length > 0) {
        console.log(`${failures.length} check(s) failed`);
        process.exit(1);
    }
    console.log('all checks passed');
}

// A hung browser must not hang the test command.
setTimeout(() => {
    console.log('FAIL: the hostile files checks took longer than four minutes');
    process.exit(1);
}, 240000).unref();

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
