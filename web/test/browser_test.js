// Plays the browser build of Velmora in Debian's headless Chromium, as players
// would: on a desktop window, where the canvas is compared with the desktop
// game's picture of the start and the mouse drags food; and on an emulated
// phone, upright and sideways, where a finger does. Also checks one update per
// shown frame, a hidden tab's return, installability and a reload without a
// network. Prints the figures it saw; exits non-zero on a fault.
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
async function feedFirstTooth(page, drag, text, check) {
    await takeShot(page, 'before');
    const before = await greenPixels(page, 'before', firstTooth);
    await drag(foods[0], toothCentres[0]);
    await waitForGameTime(page, (await gameClock(page)) + 4000);
    await takeShot(page, 'after');
    const after = await greenPixels(page, 'after', firstTooth);
    const bred = after > 3 * before + 200;
    // The brush's first sweep (about 20 s in) takes the food back and most
    // bacteria with it; on a machine too slow to feed before it, say so.
    const late = (await gameClock(page)) > 19000 ? ' (too late: the brush may have come)' : '';
    check(bred, `${text}: the bacteria's green in the fed tooth grew: ${before} -> ${after} pixels${late}`);
    if (!bred) await saveShot(page, 'after', path.join(os.tmpdir(), 'velmora-after.png'));
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

// Milliseconds from navigation to the game's first frame, and the bytes of
// the files the page fetched until then, gzip-compressed (the service
// worker's own fetching comes later and is not the page's).
async function startup(page, server) {
    const seen = await page.evaluate(() => {
        const first = window.velmoraFirstFrameMs;
        const names = performance.getEntriesByType('resource').filter((e) => e.startTime <= first)
                          .map((e) => new URL(e.name).pathname);
        return {first, names: ['/'].concat(names)};
    });
    let bytes = 0;
    for (const name of seen.names) bytes += server.gzipSizes.get(name.endsWith('/') ? name + 'index.html' : name) || 0;
    return {ms: Math.round(seen.first), bytes};
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
async function figures(browser, url, server) {
    for (const [name, viewport] of [['ratio 1', {width: 1024, height: 840}],
                                    ['ratio 2.625', Object.assign({}, phone, {width: 915, height: 412,
                                                                              hasTouch: false})]]) {
        const page = await openGame(browser, url, viewport, []);
        const start = await startup(page, server);
        const size = await measureCanvas(page);
        // The same three seconds for every build, past the first visit's
        // service worker fetching and keeping the files.
        await sleep(3000);
        const rate = await countFrames(page, 3000);
        await mouseDrag(page, foods[0], toothCentres[0]);
        const swarm = await swarmingFrames(page, (a, b) => mouseDrag(page, a, b));
        console.log(`${name}: first frame ${start.ms} ms, ${start.bytes} bytes gzip-compressed, ` +
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
    const start = await startup(page, server);
    console.log(`desktop: first frame ${start.ms} ms after navigation, ${start.bytes} bytes gzip-compressed`);
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
    check(framesWhileHidden === 0 && stepBack <= 0.1 && clockAdvance < wallAdvance - 9000,
          `desktop, a tab in front for 10 s: ${framesWhileHidden} frames while hidden, the step back ` +
              `into view ${stepBack.toFixed(3)} s (at most 0.1), the game's clock ${clockAdvance} ms on ` +
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
    page.velmoraOffline = true;
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions',
                   {offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
    const servedBefore = server.gzipBytes;
    await page.reload({waitUntil: 'load'});
    await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: longWait});
    await waitForGameTime(page, 1000);
    await takeShot(page, 'offline');
    const offlineShare = await differentShare(page, 'offline', reference, channelTolerance);
    check(offlineShare <= mostDifferentShare && server.gzipBytes === servedBefore,
          `offline: a reload with the network off shows the mouth (${(offlineShare * 100).toFixed(1)} % of ` +
              `the pixels off the desktop's start) and fetches nothing`);
    await cdp.send('Network.emulateNetworkConditions',
                   {offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
    await cdp.detach();
    await page.close();
    check(errors.length === 0, 'desktop: no page errors, console errors or warnings' +
                                   errors.map((e) => '\n      ' + e).join(''));
}

// Loading, seen in a context of its own where no worker keeps the files yet:
// a file that cannot be fetched ends in a message rather than a blank page,
// and the progress bar follows the pictures to the end.
async function loadingChecks(browser, url, check) {
    const context = await browser.createBrowserContext();
    try {
        const failing = await context.newPage();
        await failing.setRequestInterception(true);
        failing.on('request', (request) => (request.url().endsWith('velmora.data') ? request.abort() : request.continue()));
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
        check(bar.max > 1000000 && bar.value === bar.max && bar.hidden,
              `loading: the progress bar counted ${bar.value} of ${bar.max} bytes, then went away`);
    } finally {
        await context.close();
    }
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
        await page.tap('#fullscreen');
        const full = await page.waitForFunction(() => document.fullscreenElement === document.documentElement,
                                                {timeout: longWait, polling: 100}).then(() => true, () => false);
        check(full, `${name}: one tap on the button makes the page full screen`);
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
            await figures(browser, url, server);
        } else {
            const reference = 'data:image/png;base64,' + fs.readFileSync(option('--reference')).toString('base64');
            await loadingChecks(browser, url, check);
            await desktopChecks(browser, url, server, reference, site, check);
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
    console.log('FAIL: the browser test took longer than four minutes');
    process.exit(1);
}, 240000).unref();

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
