// Plays the browser build of Velmora in Debian's headless Chromium, as players
// would: on a desktop window, where the canvas is compared with the desktop
// game's picture of the start and the mouse drags food; and on an emulated
// phone, upright and sideways, where a finger does. Also checks loading (a
// file that fails, the progress bar), the first visit over a slow connection,
// the buttons and the menu on a phone, full screen and the bars beside the
// mouth, one update per shown frame, a hidden tab's return, installability
// and a reload without a network; the help sign of a first visit, and the
// buttons reached with Tab. Prints the figures it saw; exits non-zero
// on a fault.
//   node browser_test.js --site DIR --reference START.png
//   node browser_test.js --site DIR --figures     only the figures (also for an older build)
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {checker, launchChromium, option, serve} = require('./harness');

const canvasWidth = 800;
const canvasHeight = 600;
// Pixels that differ by more than this in some channel count as different.
const channelTolerance = 40;
// The bacteria move, so some pixels always differ from the desktop's picture.
const mostDifferentShare = 0.08;
// Window pixels (800 x 600) of the first tooth's box and of the food.
const firstTooth = {left: 40, top: 110, right: 147, bottom: 327};
const foods = [{x: 325, y: 50}, {x: 400, y: 50}, {x: 475, y: 50}];
const toothCentres = [{x: 93, y: 218}, {x: 193, y: 220}, {x: 300, y: 220}];
// The page's stated cap on the canvas's backing store, in pixels across.
const maximumBackingWidth = 1600;
const phone = {width: 412, height: 915, deviceScaleFactor: 2.625, isMobile: true, hasTouch: true};
// Generous for a loaded two-core machine; waits end as soon as their condition holds.
const longWait = 60000;

// Set up in the page before its own script: WebGL keeps its picture after a
// frame is shown, so the canvas can be read between frames; every clear (one
// a displayed frame) and every animation frame the browser shows is counted.
function instrumentPage() {
    // A visitor who has seen the help sign: the game runs from the start.
    localStorage.setItem('velmora.help', 'off');
    window.velmoraClears = 0;
    window.velmoraAnimationFrames = 0;
    window.velmoraShots = {};
    const countFrame = () => {
        window.velmoraAnimationFrames += 1;
        requestAnimationFrame(countFrame);
    };
    requestAnimationFrame(countFrame);
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (type, attributes) {
        if (/webgl/.test(type)) attributes = Object.assign({}, attributes, {preserveDrawingBuffer: true});
        return getContext.call(this, type, attributes);
    };
    const clear = WebGLRenderingContext.prototype.clear;
    WebGLRenderingContext.prototype.clear = function (mask) {
        window.velmoraClears += 1;
        return clear.call(this, mask);
    };
    // Any picture drawn onto an 800 x 600 canvas, as RGBA bytes.
    window.velmoraScaled = function (source) {
        const scaled = document.createElement('canvas');
        scaled.width = 800;
        scaled.height = 600;
        const context = scaled.getContext('2d');
        context.imageSmoothingQuality = 'high';
        context.drawImage(source, 0, 0, 800, 600);
        return context.getImageData(0, 0, 800, 600).data;
    };
}

// Writes shot `name` as a PNG picture, to look at when a check fails.
async function saveShot(page, name, file) {
    const url = await page.evaluate((name) => {
        const picture = document.createElement('canvas');
        picture.width = 800;
        picture.height = 600;
        picture.getContext('2d').putImageData(new ImageData(window.velmoraShots[name], 800, 600), 0, 0);
        return picture.toDataURL('image/png');
    }, name);
    fs.writeFileSync(file, Buffer.from(url.split(',')[1], 'base64'));
    console.log(`      the browser's picture is in ${file}`);
}

async function takeShot(page, name) {
    await page.evaluate((name) => {
        window.velmoraShots[name] = window.velmoraScaled(document.getElementById('canvas'));
    }, name);
}

// Share of pixels of shot `name` that differ from the picture at `url` by more
// than the tolerance in some colour channel.
function differentShare(page, name, url, tolerance) {
    return page.evaluate(
        async (name, url, tolerance) => {
            const picture = new Image();
            picture.src = url;
            await picture.decode();
            const a = window.velmoraScaled(picture);
            const b = window.velmoraShots[name];
            let different = 0;
            for (let i = 0; i < a.length; i += 4) {
                if (Math.abs(a[i] - b[i]) > tolerance || Math.abs(a[i + 1] - b[i + 1]) > tolerance ||
                    Math.abs(a[i + 2] - b[i + 2]) > tolerance)
                    different += 1;
            }
            return different / (a.length / 4);
        },
        name, url, tolerance);
}

// Green pixels of shot `name` inside a box of window pixels: the bacteria
// there, the only green in the mouth. Counted in one picture, this does not
// depend on how many frames the browser managed between two.
function greenPixels(page, name, box) {
    return page.evaluate(
        (name, box) => {
            const a = window.velmoraShots[name];
            let green = 0;
            for (let y = box.top; y < box.bottom; ++y)
                for (let x = box.left; x < box.right; ++x) {
                    const i = (y * 800 + x) * 4;
                    if (a[i + 1] > a[i] + 30 && a[i + 1] > a[i + 2] + 30) green += 1;
                }
            return green;
        },
        name, box);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The game's clock, in milliseconds, where the build has one to read (builds
// before the page could read it have not).
const gameClock = (page) => page.evaluate(() => (Module._webGameClockMs ? Module._webGameClockMs() : -1));

// Waits until the game's clock reads at least ms; wall time where it has none.
async function waitForGameTime(page, ms) {
    if ((await gameClock(page)) < 0) return sleep(ms);
    await page.waitForFunction((ms) => Module._webGameClockMs() >= ms, {timeout: longWait, polling: 50}, ms);
}

// Frames shown, frames the game drew (clears) and updates it ran over ms.
async function countFrames(page, ms) {
    const browserPid = page.browser().process().pid;
    const read = async () => {
        const counts = await page.evaluate(() => [window.velmoraAnimationFrames, window.velmoraClears,
                                                  Module._webFramesRun ? Module._webFramesRun() : NaN,
                                                  performance.now()]);
        return counts.concat([browserProcessorMs(browserPid)]);
    };
    const start = await read();
    await sleep(ms);
    const end = await read();
    const seconds = (end[3] - start[3]) / 1000;
    const drawn = end[1] - start[1];
    return {shown: end[0] - start[0], drawn, updates: end[2] - start[2], perSecond: drawn / seconds,
            processorPerFrame: (end[4] - start[4]) / drawn};
}

// Processor time, in milliseconds, used so far by the browser and every
// process under it (renderer, GPU process with SwiftShader). On a loaded
// machine frames per second say more about the neighbours than about the
// game; processor time per frame does not.
function browserProcessorMs(rootPid) {
    const parents = new Map();
    const used = new Map();
    for (const entry of fs.readdirSync('/proc')) {
        if (!/^\d+$/.test(entry)) continue;
        try {
            const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
            const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
            parents.set(+entry, +fields[1]);
            used.set(+entry, +fields[11] + +fields[12]);  // utime and stime, in clock ticks
        } catch (error) {
            // The process ended while the list was read.
        }
    }
    const ticksPerSecond = 100;
    let ticks = 0;
    for (const [pid, ticksUsed] of used) {
        for (let p = pid; p > 1; p = parents.get(p) || 0) {
            if (p === rootPid) {
                ticks += ticksUsed;
                break;
            }
        }
    }
    return (ticks * 1000) / ticksPerSecond;
}

// Where window pixel (x, y) of the 800 x 600 canvas lies on the page.
async function pageMapper(page) {
    const box = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return {left: r.left, top: r.top, width: r.width, height: r.height};
    });
    return (point) => ({x: box.left + (point.x * box.width) / canvasWidth,
                        y: box.top + (point.y * box.height) / canvasHeight});
}

async function mouseDrag(page, from, to) {
    const toPage = await pageMapper(page);
    const a = toPage(from), b = toPage(to);
    await page.mouse.move(a.x, a.y);
    await page.mouse.down();
    await page.mouse.move(b.x, b.y, {steps: 10});
    await page.mouse.up();
}

// One finger from `from` to `to` through the DevTools protocol's touch input;
// with `second`, another finger lands halfway, spreads away as in a pinch and
// lifts before the first arrives.
async function touchDrag(page, from, to, second) {
    const cdp = await page.createCDPSession();
    const toPage = await pageMapper(page);
    const touch = (type, points) => cdp.send('Input.dispatchTouchEvent', {type, touchPoints: points});
    const finger = (p) => Object.assign({id: 0}, toPage(p));
    const along = (t) => ({x: from.x + (to.x - from.x) * t, y: from.y + (to.y - from.y) * t});
    await touch('touchStart', [finger(from)]);
    for (let step = 1; step <= 10; ++step) {
        await touch('touchMove', [finger(along(step / 10))]);
        if (second && step === 5) {
            const other = (t) => Object.assign({id: 1}, toPage({x: second.x + 150 * t, y: second.y + 100 * t}));
            await touch('touchStart', [finger(along(0.5)), other(0)]);
            for (let t = 1; t <= 5; ++t) await touch('touchMove', [finger(along(0.5)), other(t / 5)]);
            await touch('touchMove', [finger(along(0.5))]);
        }
    }
    await touch('touchEnd', []);
    await cdp.detach();
}

// Food onto the first tooth by `drag`: after four seconds of breeding (four
// bacteria a second) the tooth must hold far more bacteria than its first two.
// Food feeds at most once an update: a busy machine that runs fewer than four
// updates a second breeds fewer in those seconds, so 16 updates are waited for
// as well.
// A new game first: the brush then waits 15 s of game time before it enters
// from the left, and the first tooth is the first it covers, hiding its
// bacteria long before its sweep takes them. A machine so busy that the drag
// and the breeding outlast those 15 s is given a second and a third new game.
async function feedFirstTooth(page, drag, text, check) {
    const tries = 3;
    for (let attempt = 1;; ++attempt) {
        await page.evaluate(() => Module._velmoraNewGame());
        const start = await gameClock(page);
        await waitForGameTime(page, start + 100);
        await takeShot(page, 'before');
        const before = await greenPixels(page, 'before', firstTooth);
        await drag(foods[0], toothCentres[0]);
        const updates = await page.evaluate(() => Module._webFramesRun());
        const dropped = (await gameClock(page)) - start;
        await waitForGameTime(page, (await gameClock(page)) + 4000);
        await page.waitForFunction((n) => Module._webFramesRun() >= n, {timeout: longWait, polling: 50}, updates + 16);
        await takeShot(page, 'after');
        const after = await greenPixels(page, 'after', firstTooth);
        const bred = after > 3 * before + 200;
        const elapsed = (await gameClock(page)) - start;
        const late = elapsed > 15000;
        if (!bred && late && attempt < tries) {
            console.log(`${text}: the brush may have come before the tooth was judged; a new game again`);
            continue;
        }
        check(bred, `${text}: the bacteria's green in the fed tooth grew: ${before} -> ${after} pixels (dropped ${
                        dropped} ms and judged ${elapsed} ms into a new game${late ? ': the brush may have come' : ''})`);
        if (!bred) await saveShot(page, 'after', path.join(os.tmpdir(), 'velmora-after.png'));
        return;
    }
}

// The canvas's size on the page, its backing store and the viewport.
function measureCanvas(page) {
    return page.evaluate(() => {
        const canvas = document.getElementById('canvas');
        const r = canvas.getBoundingClientRect();
        return {cssWidth: r.width, cssHeight: r.height, backingWidth: canvas.width, backingHeight: canvas.height,
                ratio: window.devicePixelRatio, viewWidth: window.innerWidth, viewHeight: window.innerHeight};
    });
}

function checkSharp(size, text, check) {
    const share = (size.backingWidth * size.backingHeight) /
                  (size.cssWidth * size.ratio * size.cssHeight * size.ratio);
    check(share >= 0.95 || size.backingWidth === maximumBackingWidth,
          `${text}: the backing store (${size.backingWidth} x ${size.backingHeight}) is ${
              (share * 100).toFixed(0)} % of the device pixels it covers (at least 95 %, or ${
              maximumBackingWidth} across)`);
}

// Milliseconds from navigation to the game's first frame, and the bytes the
// page received until then, headers included, as the browser counted them
// (the server compresses nothing; the sounds and the service worker's own
// fetching come after the first frame and are not counted).
function startup(page) {
    return page.evaluate(() => {
        const first = window.velmoraFirstFrameMs;
        let bytes = performance.getEntriesByType('navigation')[0].transferSize;
        for (const entry of performance.getEntriesByType('resource'))
            if (entry.startTime <= first) bytes += entry.transferSize;
        return {ms: Math.round(first), bytes};
    });
}

async function openGame(browser, url, viewport, errors) {
    const page = await browser.newPage();
    page.on('pageerror', (error) => errors.push('page error: ' + error.message));
    page.on('console', (message) => {
        if (message.type() === 'error' || message.type() === 'warn')
            errors.push(`console ${message.type()}: ${message.text()}`);
    });
    page.on('requestfailed', (request) => {
        // Requests the offline check makes fail on purpose are not faults.
        if (!page.velmoraOffline) errors.push('request failed: ' + request.url());
    });
    page.on('response', (response) => {
        if (response.status() >= 400) errors.push(`HTTP ${response.status()}: ${response.url()}`);
    });
    await page.setViewport(viewport);
    await page.evaluateOnNewDocument(instrumentPage);
    await page.goto(url, {waitUntil: 'load'});
    await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: longWait});
    return page;
}

// Three pieces of food onto three teeth, then the frame rate once they swarm,
// before the brush's first sweep (about 20 s in) takes the food back.
async function swarmingFrames(page, drag) {
    for (let i = 1; i < 3; ++i) await drag(foods[i], toothCentres[i]);
    await waitForGameTime(page, (await gameClock(page)) + 8000);
    return countFrames(page, 2000);
}

// The figures alone, for this build or an older one: start-up, bytes, frame
// rates at the start and with three teeth swarming, at ratio 1 and the phone's.
async function figures(browser, url) {
    for (const [name, viewport] of [['ratio 1', {width: 1024, height: 840}],
                                    ['ratio 2.625', Object.assign({}, phone, {width: 915, height: 412,
                                                                              hasTouch: false})]]) {
        const page = await openGame(browser, url, viewport, []);
        const start = await startup(page);
        const size = await measureCanvas(page);
        // The same three seconds for every build, past the first visit's
        // service worker fetching and keeping the files.
        await sleep(3000);
        const rate = await countFrames(page, 3000);
        await mouseDrag(page, foods[0], toothCentres[0]);
        const swarm = await swarmingFrames(page, (a, b) => mouseDrag(page, a, b));
        console.log(`${name}: first frame ${start.ms} ms, ${start.bytes} bytes received before it, ` +
                    `backing ${size.backingWidth} x ${size.backingHeight}, frames per second ${
                        rate.perSecond.toFixed(1)} at the start, ${swarm.perSecond.toFixed(1)} with three teeth ` +
                    `swarming; processor ms a frame ${rate.processorPerFrame.toFixed(1)} and ${
                        swarm.processorPerFrame.toFixed(1)}`);
        await page.close();
    }
}

async function desktopChecks(browser, url, server, reference, site, check) {
    const errors = [];
    const page = await openGame(browser, url, {width: 1024, height: 840}, errors);
    const start = await startup(page);
    console.log(`desktop: first frame ${start.ms} ms after navigation, ${start.bytes} bytes received before it`);
    const size = await measureCanvas(page);
    check(Math.abs(size.cssWidth * 3 - size.cssHeight * 4) <= 4 && size.cssWidth > canvasWidth,
          `desktop: the canvas is 4:3 and fills the page (${size.cssWidth} x ${size.cssHeight})`);
    checkSharp(size, 'desktop', check);

    // The start, a second in, beside the desktop game's picture of it.
    await waitForGameTime(page, 1000);
    await takeShot(page, 'start');
    const share = await differentShare(page, 'start', reference, channelTolerance);
    check(share <= mostDifferentShare, `desktop: ${(share * 100).toFixed(1)} % of the pixels differ from the ` +
                                       `desktop's start by more than ${channelTolerance} (at most ${
                                           mostDifferentShare * 100} %)`);
    if (share > mostDifferentShare) await saveShot(page, 'start', path.join(site, 'browser-start.png'));

    console.log(`desktop: frames per second at the start: ${(await countFrames(page, 2000)).perSecond.toFixed(1)}`);
    await tabChecks(page, check);
    await feedFirstTooth(page, (a, b) => mouseDrag(page, a, b), 'desktop, mouse', check);
    const swarm = (await swarmingFrames(page, (a, b) => mouseDrag(page, a, b))).perSecond;
    console.log(`desktop: frames per second with three teeth swarming: ${swarm.toFixed(1)}`);

    const frames = await countFrames(page, 5000);
    check(frames.shown > 0 && frames.updates === frames.drawn && Math.abs(frames.updates - frames.shown) <= 2,
          `desktop: one update and one display per shown frame over 5 s: ${frames.updates} updates, ${
              frames.drawn} displays, ${frames.shown} frames shown (${(frames.updates / frames.shown).toFixed(2)})`);

    // Another tab in front for ten seconds: no frames, no updates, and the game
    // comes back one ordinary step on, as if no time had passed.
    await page.evaluate(() => {
        window.velmoraStepBack = undefined;
        document.addEventListener('visibilitychange', function back() {
            if (document.hidden) return;
            document.removeEventListener('visibilitychange', back);
            const framesBefore = Module._webFramesRun();
            const afterFirstFrameBack = () => {
                if (Module._webFramesRun() === framesBefore) requestAnimationFrame(afterFirstFrameBack);
                else window.velmoraStepBack = Module._webTakeLongestStep();
            };
            requestAnimationFrame(afterFirstFrameBack);
        });
    });
    const clockBefore = await gameClock(page);
    const other = await browser.newPage();
    await other.bringToFront();
    await page.waitForFunction(() => document.hidden, {timeout: longWait, polling: 200});
    // No frame runs while hidden, so the longest step read back is the return's.
    const framesHidden = await page.evaluate(() => (Module._webTakeLongestStep(), Module._webFramesRun()));
    const hiddenSince = Date.now();
    await sleep(10000);
    const framesWhileHidden = (await page.evaluate(() => Module._webFramesRun())) - framesHidden;
    await page.bringToFront();
    await other.close();
    await page.waitForFunction(() => window.velmoraStepBack !== undefined, {timeout: longWait});
    const stepBack = await page.evaluate(() => window.velmoraStepBack);
    const clockAdvance = (await gameClock(page)) - clockBefore;
    const wallAdvance = Date.now() - hiddenSince;
    // The hidden ten seconds, had they counted, would make one step of ten
    // seconds; a busy machine may hold an ordinary frame back a good part of one.
    check(framesWhileHidden === 0 && stepBack <= 1 && clockAdvance < wallAdvance - 9000,
          `desktop, a tab in front for 10 s: ${framesWhileHidden} frames while hidden, the step back ` +
              `into view ${stepBack.toFixed(3)} s (at most 1), the game's clock ${clockAdvance} ms on ` +
              `over ${wallAdvance} ms`);

    // Installable, and playable with the network off once visited.
    await page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
    const cdp = await page.createCDPSession();
    await page.reload({waitUntil: 'load'});
    await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined && navigator.serviceWorker.controller,
                               {timeout: longWait});
    const {installabilityErrors} = await cdp.send('Page.getInstallabilityErrors');
    check(installabilityErrors.length === 0,
          'installable: Chromium reports no installability errors' +
              installabilityErrors.map((e) => '\n      ' + e.errorId).join(''));
    // What the page fetches after its first frame (the sounds, the worker's
    // copies) is over before the network goes off: the server has sent
    // nothing for a second.
    for (let sent = -1; sent !== server.bytesSent; await sleep(1000)) sent = server.bytesSent;
    const namesBefore = server.served.length;
    page.velmoraOffline = true;
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions',
                   {offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
    await page.reload({waitUntil: 'load'});
    await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: longWait});
    await waitForGameTime(page, 1000);
    await takeShot(page, 'offline');
    const offlineShare = await differentShare(page, 'offline', reference, channelTolerance);
    // The browser's own check for a new worker, a second after a visit, is
    // not the page's and does not go through its emulated network; offline,
    // it fails and changes nothing.
    const fetched = server.served.slice(namesBefore).filter((name) => name !== '/service-worker.js');
    check(offlineShare <= mostDifferentShare && fetched.length === 0,
          `offline: a reload with the network off shows the mouth (${(offlineShare * 100).toFixed(1)} % of ` +
              `the pixels off the desktop's start) and fetches nothing` +
              fetched.map((name) => '\n      fetched ' + name).join(''));
    await cdp.send('Network.emulateNetworkConditions',
                   {offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
    await cdp.detach();
    await page.close();
    check(errors.length === 0, 'desktop: no page errors, console errors or warnings' +
                                   errors.map((e) => '\n      ' + e).join(''));
}

// The file of the site whose name starts with `stem` and is followed by its
// contents' hash (velmora.3f2a....wasm.gz).
function siteFile(site, stem, extension) {
    const pattern = new RegExp(`^${stem}\\.[0-9a-f]{16}\\.${extension.replace('.', '\\.')}$`);
    const name = fs.readdirSync(site).find((n) => pattern.test(n));
    if (!name) throw new Error(`the site has no ${stem}.HASH.${extension}`);
    return {name, bytes: fs.statSync(path.join(site, name)).size};
}

// Loading, seen in a context of its own where no worker keeps the files yet:
// a file that cannot be fetched ends in a message rather than a blank page,
// and the progress bar follows what the first frame needs to the end.
async function loadingChecks(browser, url, site, check) {
    const context = await browser.createBrowserContext();
    try {
        const signs = siteFile(site, 'signs', 'gz');
        const firstFrameFiles = [signs, siteFile(site, 'velmora', 'wasm.gz'), siteFile(site, 'velmora', 'js.gz'),
                                 siteFile(site, 'picture_drawing', 'wasm.gz'), siteFile(site, 'picture_worker', 'js.gz')];
        const failing = await context.newPage();
        await failing.setRequestInterception(true);
        failing.on('request', (request) => (request.url().endsWith(signs.name) ? request.abort() : request.continue()));
        await failing.goto(url, {waitUntil: 'load'});
        await failing.waitForFunction(() => !document.getElementById('message').hidden,
                                      {timeout: longWait, polling: 200});
        const text = await failing.evaluate(() => document.getElementById('message').textContent);
        check(/could not be loaded/.test(text), `loading: a file that cannot be fetched says so: "${text}"`);
        await failing.close();

        const page = await context.newPage();
        await page.goto(url, {waitUntil: 'load'});
        await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: longWait});
        const bar = await page.evaluate(() => {
            const progress = document.getElementById('progress');
            return {value: progress.value, max: progress.max, hidden: document.getElementById('loading').hidden};
        });
        const all = firstFrameFiles.reduce((sum, file) => sum + file.bytes, 0);
        check(bar.max === all && bar.value === bar.max && bar.hidden,
              `loading: the progress bar counted ${bar.value} of ${bar.max} bytes (the code, the code that draws ` +
                  `the pictures and the signs: ${all}), then went away`);
        await helpChecks(context, page, url, check);
    } finally {
        await context.close();
    }
}

// A first visit shows the help sign and the game stands still under it; a
// key takes it away and the page keeps that, so the next visit starts
// playing; the menu's Help shows it again.
async function helpChecks(context, first, url, check) {
    const clock = await first.evaluate(() => Module._webGameClockMs());
    await first.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
    const shown = await first.evaluate(() => [Module._velmoraHelping(), Module._webGameClockMs()]);
    await first.keyboard.press('a');
    const gone = await first.evaluate(() => [Module._velmoraHelping(), localStorage.getItem('velmora.help')]);
    await first.close();
    const second = await context.newPage();
    await second.goto(url, {waitUntil: 'load'});
    await second.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: longWait});
    const later = await second.evaluate(() => Module._velmoraHelping());
    await second.click('#menu-button');
    await second.click('#help');
    const asked = await second.evaluate(() => Module._velmoraHelping());
    await second.close();
    check(shown[0] === 1 && shown[1] === clock && gone[0] === 0 && gone[1] === 'off' && later === 0 && asked === 1,
          `help: a first visit shows the sign (${shown[0]}) and the game's clock stands at ${shown[1]} ms; a key ` +
              `takes it away (${gone[0]}, kept ${JSON.stringify(gone[1])}); the next visit starts without it (${
                  later}); the menu's Help shows it (${asked})`);
}

// Tab steps through the buttons in order, each showing its focus; every
// button that has a key names it.
async function tabChecks(page, check) {
    const stops = [];
    for (let i = 0; i < 3; ++i) {
        await page.keyboard.press('Tab');
        stops.push(await page.evaluate(() => {
            const focused = document.activeElement;
            const style = getComputedStyle(focused);
            return {id: focused.id, ring: focused.matches(':focus-visible') && style.outlineStyle !== 'none' &&
                                          parseFloat(style.outlineWidth) >= 2};
        }));
    }
    const keys = await page.evaluate(() => ['pause', 'sound', 'fullscreen', 'help', 'new-game'].map(
                                         (id) => id + ' ' + document.getElementById(id).getAttribute('aria-keyshortcuts')));
    await page.evaluate(() => document.activeElement.blur());
    check(stops.map((stop) => stop.id).join(' ') === 'pause sound menu-button' && stops.every((stop) => stop.ring) &&
              keys.every((key) => !/ null$/.test(key)),
          `desktop: Tab steps to ${stops.map((stop) => stop.id + (stop.ring ? ' (outlined)' : ' (no outline)'))
                                   .join(', ')}; the keys named: ${keys.join(', ')}`);
}

// The first visit over a slow mobile connection (1.6 Mbit/s down, 750 kbit/s
// up, 150 ms round trip, through Chromium's own network emulation), from a
// server that compresses nothing: the bytes received before the first frame
// must stay within budget; the time it took is printed.
const slowNetwork = {offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 0.75e6 / 8};
const mostBytesBeforeFirstFrame = 500000;
async function slowNetworkChecks(browser, url, check) {
    for (let attempt = 1;; ++attempt) {
        const context = await browser.createBrowserContext();
        // What the page still waits for, should the load not come.
        const pending = new Set();
        try {
            const page = await context.newPage();
            page.on('request', (r) => pending.add(r.url()));
            page.on('requestfinished', (r) => pending.delete(r.url()));
            page.on('requestfailed', (r) => pending.delete(r.url()));
            await page.setViewport({width: 1024, height: 840});
            const cdp = await page.createCDPSession();
            await cdp.send('Network.enable');
            await cdp.send('Network.emulateNetworkConditions', slowNetwork);
            await page.goto(url, {waitUntil: 'load', timeout: 120000});
            await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: 120000});
            const start = await startup(page);
            console.log(`slow network (1.6 Mbit/s, 150 ms): the first frame came ${(start.ms / 1000).toFixed(1)} s ` +
                        `after navigation (the goal: within 4 s), ${start.bytes} bytes received before it`);
            check(start.bytes <= mostBytesBeforeFirstFrame, `slow network: ${start.bytes} bytes received before the ` +
                                                                `first frame (at most ${mostBytesBeforeFirstFrame})`);
            await cdp.detach();
            return;
        } catch (error) {
            // A busy machine has once left the slow load unfinished for two
            // minutes; a page that never loads there fails the second try too.
            if (error.name !== 'TimeoutError' || attempt === 2) throw error;
            console.log(`slow network: no first frame within 120 s (still waiting for: ${
                [...pending].map((u) => u.replace(/^.*\//, '')).join(', ') || 'nothing'}); a new visit`);
        } finally {
            await context.close();
        }
    }
}

// The buttons a player sees: displayed, inside the window, not in a closed menu.
function visibleButtons(page) {
    return page.evaluate(() => [...document.querySelectorAll('button')].filter((b) => {
        const r = b.getBoundingClientRect();
        return b.getClientRects().length > 0 && getComputedStyle(b).visibility === 'visible' && r.right > 0 &&
               r.bottom > 0 && r.left < innerWidth && r.top < innerHeight;
    }).map((b) => {
        const r = b.getBoundingClientRect();
        return {id: b.id, text: b.textContent, left: r.left, top: r.top, width: r.width, height: r.height};
    }));
}

// At most three buttons, each at least 44 x 44 CSS pixels, and the rest in
// a menu that opens and closes with a tap.
const mostButtons = 3;
const smallestButton = 44;
async function buttonChecks(page, name, check) {
    const shown = await visibleButtons(page);
    const small = shown.filter((b) => b.width < smallestButton || b.height < smallestButton);
    check(shown.length <= mostButtons && small.length === 0 && !shown.some((b) => b.id === 'save-recording'),
          `${name}: ${shown.length} buttons show (at most ${mostButtons}), ${small.length} smaller than ${
              smallestButton} x ${smallestButton}: ` +
              shown.map((b) => `"${b.text}" ${b.width.toFixed(0)} x ${b.height.toFixed(0)}`).join(', '));
    await page.tap('#menu-button');
    const items = (await visibleButtons(page)).filter((b) => ['save-recording', 'new-game'].includes(b.id));
    check(items.length === 2 && items.every((b) => b.height >= smallestButton && b.width >= smallestButton),
          `${name}: a tap on Menu shows Save recording and New game, large enough for a finger: ` +
              items.map((b) => `"${b.text}" ${b.width.toFixed(0)} x ${b.height.toFixed(0)}`).join(', '));
    // Elsewhere: the gum at the mouth's top-right corner, where a tap does nothing in the game.
    const gum = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return [r.right - 0.02 * r.width, r.top + 0.02 * r.height];
    });
    await page.touchscreen.tap(...gum);
    check(await page.evaluate(() => document.getElementById('menu').hidden), `${name}: a tap elsewhere closes the menu`);
}

// Everything beside the mouth, outside the buttons, in the page's own colour
// (#2a2e35), and no mid-grey along the canvas's edges: a picture of the
// whole window, looked at in the page itself.
const pageColour = [0x2a, 0x2e, 0x35];
async function barsCheck(page, name, check) {
    const shot = await page.screenshot({encoding: 'base64'});
    const found = await page.evaluate(async (shot, pageColour) => {
        const picture = new Image();
        picture.src = 'data:image/png;base64,' + shot;
        await picture.decode();
        const width = picture.naturalWidth, height = picture.naturalHeight, scale = width / innerWidth;
        const grid = document.createElement('canvas');
        grid.width = width;
        grid.height = height;
        const context = grid.getContext('2d');
        context.drawImage(picture, 0, 0);
        const pixels = context.getImageData(0, 0, width, height).data;
        // Device pixel boxes, a pixel wider each way for the edges' smoothing.
        const boxes = ['canvas', 'panel', 'menu'].map((id) => document.getElementById(id))
                          .filter((e) => e.getClientRects().length > 0).map((e) => {
                              const r = e.getBoundingClientRect();
                              return [r.left * scale - 2, r.top * scale - 2, r.right * scale + 2, r.bottom * scale + 2];
                          });
        const inside = (x, y, b) => x >= b[0] && x < b[2] && y >= b[1] && y < b[3];
        let beside = 0, wrong = 0, example = '';
        for (let y = 0; y < height; ++y)
            for (let x = 0; x < width; ++x) {
                if (boxes.some((b) => inside(x, y, b))) continue;
                ++beside;
                const i = (y * width + x) * 4;
                if (Math.abs(pixels[i] - pageColour[0]) > 3 || Math.abs(pixels[i + 1] - pageColour[1]) > 3 ||
                    Math.abs(pixels[i + 2] - pageColour[2]) > 3) {
                    if (!wrong) example = `(${pixels[i]}, ${pixels[i + 1]}, ${pixels[i + 2]}) at ${x}, ${y}`;
                    ++wrong;
                }
            }
        // The canvas's outermost rows and columns, inside its box.
        const c = document.getElementById('canvas').getBoundingClientRect();
        const left = Math.ceil(c.left * scale) + 1, right = Math.floor(c.right * scale) - 2;
        const top = Math.ceil(c.top * scale) + 1, bottom = Math.floor(c.bottom * scale) - 2;
        let grey = 0;
        const isGrey = (x, y) => {
            const i = (y * width + x) * 4;
            return [0, 1, 2].every((k) => Math.abs(pixels[i + k] - 128) <= 10);
        };
        for (let x = left; x <= right; ++x) grey += isGrey(x, top) + isGrey(x, bottom);
        for (let y = top; y <= bottom; ++y) grey += isGrey(left, y) + isGrey(right, y);
        return {beside, wrong, example, grey, edge: 2 * (right - left + bottom - top + 2)};
    }, shot, pageColour);
    check(found.wrong === 0 && found.grey < found.edge / 10,
          `${name}: beside the mouth ${found.wrong} of ${found.beside} pixels are not the page's colour ${
              found.example}; ${found.grey} of the canvas's ${found.edge} edge pixels are mid-grey`);
}

// Full screen, laid out for it, and a few frames drawn at the new size.
async function waitForFullScreen(page) {
    await page.waitForFunction(() => document.fullscreenElement && document.body.classList.contains('full'),
                               {timeout: longWait, polling: 100});
    const clears = await page.evaluate(() => window.velmoraClears);
    await page.waitForFunction((clears) => window.velmoraClears >= clears + 3, {timeout: longWait, polling: 50}, clears);
}

// The page maximized on a wide screen, and full screen on it: the bars beside
// the mouth are the page's.
async function barsChecks(browser, url, check) {
    const errors = [];
    const page = await openGame(browser, url, {width: 1920, height: 1040}, errors);
    await barsCheck(page, 'maximized on a wide screen', check);
    await page.setViewport({width: 1920, height: 1080});
    // F11, held down a moment, as in the desktop's window: full screen once.
    await page.keyboard.down('F11');
    await page.keyboard.down('F11');
    await page.keyboard.up('F11');
    await waitForFullScreen(page);
    await barsCheck(page, 'full screen on a wide screen', check);
    await page.close();
    check(errors.length === 0, 'wide screen: no page errors, console errors or warnings' +
                                   errors.map((e) => '\n      ' + e).join(''));
}

// Nothing still moved: neither scrolled nor zoomed.
function viewportStill(page) {
    return page.evaluate(() => window.visualViewport.scale === 1 && window.visualViewport.pageTop === 0 &&
                               window.visualViewport.pageLeft === 0 && window.scrollY === 0);
}

async function phoneChecks(browser, url, upright, check) {
    const errors = [];
    const name = upright ? 'phone upright' : 'phone sideways';
    const viewport = upright ? phone : Object.assign({}, phone, {width: phone.height, height: phone.width,
                                                                 isLandscape: true});
    const page = await openGame(browser, url, viewport, errors);
    const size = await measureCanvas(page);
    checkSharp(size, name, check);
    if (upright)
        check(size.cssWidth >= 0.95 * size.viewWidth,
              `${name}: the mouth fills the width: ${size.cssWidth} of ${size.viewWidth} pixels`);
    else
        check(size.cssHeight >= 0.9 * size.viewHeight,
              `${name}: the mouth takes ${(100 * size.cssHeight / size.viewHeight).toFixed(0)} % of the height ` +
                  '(at least 90 %)');
    await buttonChecks(page, name, check);
    const start = (await countFrames(page, 2000)).perSecond;
    const drag = (a, b, second) => touchDrag(page, a, b, second);
    if (upright)
        await feedFirstTooth(page, (a, b) => drag(a, b, {x: 560, y: 380}),
                             `${name}, one finger dragging while a second pinches`, check);
    else
        await feedFirstTooth(page, drag, `${name}, one finger`, check);
    if (!upright) {
        const swarm = (await swarmingFrames(page, drag)).perSecond;
        console.log(`${name}: frames per second at ratio ${phone.deviceScaleFactor}: ${start.toFixed(1)} at the ` +
                    `start, ${swarm.toFixed(1)} with three teeth swarming`);
    }
    check(await viewportStill(page), `${name}: the page neither scrolled nor zoomed`);
    if (!upright) {
        await page.tap('#menu-button');
        await page.tap('#fullscreen');
        const full = await waitForFullScreen(page).then(() => true, () => false);
        check(full, `${name}: Full screen in the menu makes the page full screen`);
        // The mouth as tall as the screen, the buttons beside it, nothing else.
        const laid = await page.evaluate(() => {
            const box = (id) => document.getElementById(id).getBoundingClientRect();
            const c = box('canvas'), p = box('panel');
            const apart = p.right <= c.left || p.left >= c.right || p.bottom <= c.top || p.top >= c.bottom;
            return {apart, height: c.height, viewHeight: innerHeight,
                    title: document.querySelector('h1').getClientRects().length > 0};
        });
        check(laid.apart && laid.height >= 0.99 * laid.viewHeight && !laid.title,
              `${name}, full screen: the mouth ${laid.height} of ${laid.viewHeight} pixels tall, the panel ${
                  laid.apart ? 'beside it' : 'over it'}, the title ${laid.title ? 'shown' : 'hidden'}`);
        await buttonChecks(page, `${name}, full screen`, check);
        await barsCheck(page, `${name}, full screen`, check);
    }
    await page.close();
    check(errors.length === 0,
          `${name}: no page errors, console errors or warnings` + errors.map((e) => '\n      ' + e).join(''));
}

async function main() {
    const site = path.resolve(option('--site'));
    const figuresOnly = process.argv.includes('--figures');
    const {check, failures} = checker();

    const server = await serve(site);
    const {browser, close} = await launchChromium();
    const url = `http://127.0.0.1:${server.address().port}/`;
    try {
        if (figuresOnly) {
            await slowNetworkChecks(browser, url, () => {});
            await figures(browser, url);
        } else {
            const reference = 'data:image/png;base64,' + fs.readFileSync(option('--reference')).toString('base64');
            await loadingChecks(browser, url, site, check);
            await slowNetworkChecks(browser, url, check);
            await desktopChecks(browser, url, server, reference, site, check);
            await barsChecks(browser, url, check);
            await phoneChecks(browser, url, true, check);
            await phoneChecks(browser, url, false, check);
        }
    } finally {
        await close();
        server.close();
    }
    if (failures.length > 0) {
        console.log(`${failures.length} check(s) failed`);
        process.exit(1);
    }
    console.log(figuresOnly ? 'figures taken' : 'all checks passed');
}

// A hung browser must not hang the test command.
setTimeout(() => {
    console.log('FAIL: the browser test took longer than six minutes');
    process.exit(1);
}, 360000).unref();

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
