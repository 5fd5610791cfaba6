// Plays the browser build of Velmora in Debian's headless Chromium, as a player
// would: the page is served from 127.0.0.1, the canvas is compared with the
// desktop game's picture of the start, and real mouse events drag food onto a
// tooth. Prints the start-up time and frame rates it saw; exits non-zero on a fault.
//   node browser_test.js --site DIR --reference START.png
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const canvasWidth = 800;
const canvasHeight = 600;
// Pixels that differ by more than this in some channel count as different.
const channelTolerance = 40;
// The bacteria move, so some pixels always differ from the desktop's picture.
const mostDifferentShare = 0.08;
// Window pixels (800 x 600) of the first tooth's box and of the left food.
const firstTooth = {left: 40, top: 110, right: 147, bottom: 327};
const leftFood = {x: 325, y: 50};

function option(name) {
    const at = process.argv.indexOf(name);
    if (at < 0 || at + 1 >= process.argv.length) throw new Error('missing ' + name);
    return process.argv[at + 1];
}

const contentTypes = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript',
    '.wasm': 'application/wasm',
    '.data': 'application/octet-stream',
};

// A static file server for the built site, on a free port of 127.0.0.1.
function serve(folder) {
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
            const type = contentTypes[path.extname(file)] || 'application/octet-stream';
            response.writeHead(200, {'Content-Type': type, 'Cache-Control': 'no-store'});
            response.end(data);
        });
    });
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Set up in the page before its own script: WebGL keeps its picture after a
// frame is shown, so the canvas can be read between frames, and every clear
// (one a frame) is counted.
function instrumentPage() {
    window.velmoraClears = 0;
    window.velmoraShots = {};
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

// Pixels that changed clearly between two shots inside a box of window pixels:
// how much the bacteria there stir (the measure of the X window test).
function stir(page, first, second, box) {
    return page.evaluate(
        (first, second, box) => {
            const a = window.velmoraShots[first], b = window.velmoraShots[second];
            let changed = 0;
            for (let y = box.top; y < box.bottom; ++y)
                for (let x = box.left; x < box.right; ++x) {
                    const i = (y * 800 + x) * 4;
                    const sum = Math.abs(a[i] - b[i]) + Math.abs(a[i + 1] - b[i + 1]) + Math.abs(a[i + 2] - b[i + 2]);
                    if (sum > 60) changed += 1;
                }
            return changed;
        },
        first, second, box);
}

// Frames the game drew per second over the next `ms` milliseconds.
async function framesPerSecond(page, ms) {
    const start = await page.evaluate(() => [window.velmoraClears, performance.now()]);
    await sleep(ms);
    const end = await page.evaluate(() => [window.velmoraClears, performance.now()]);
    return ((end[0] - start[0]) * 1000) / (end[1] - start[1]);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function main() {
    const site = path.resolve(option('--site'));
    const reference = 'data:image/png;base64,' + fs.readFileSync(option('--reference')).toString('base64');
    const failures = [];
    const check = (ok, text) => {
        console.log((ok ? 'ok:   ' : 'FAIL: ') + text);
        if (!ok) failures.push(text);
    };

    const server = await serve(site);
    const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'velmora-chromium-'));
    const browser = await puppeteer.launch({
        executablePath: '/usr/bin/chromium',
        headless: true,
        userDataDir,
        args: ['--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
               '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
    });
    try {
        const page = await browser.newPage();
        const pageErrors = [];
        page.on('pageerror', (error) => pageErrors.push('page error: ' + error.message));
        page.on('console', (message) => {
            if (message.type() === 'error') pageErrors.push('console error: ' + message.text());
        });
        page.on('requestfailed', (request) => pageErrors.push('request failed: ' + request.url()));
        page.on('response', (response) => {
            if (response.status() >= 400) pageErrors.push(`HTTP ${response.status()}: ${response.url()}`);
        });
        await page.setViewport({width: 1024, height: 840});
        await page.evaluateOnNewDocument(instrumentPage);

        const port = server.address().port;
        await page.goto(`http://127.0.0.1:${port}/`, {waitUntil: 'load'});
        await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: 60000});
        const startup = await page.evaluate(() => window.velmoraFirstFrameMs);
        console.log(`start-up to first frame: ${Math.round(startup)} ms`);
        const canvas = await page.evaluate(() => {
            const r = document.getElementById('canvas').getBoundingClientRect();
            return {left: r.left, top: r.top, width: r.width, height: r.height};
        });
        console.log(`canvas: ${canvas.width} x ${canvas.height} at ${canvas.left}, ${canvas.top}`);
        check(Math.abs(canvas.width * 3 - canvas.height * 4) <= 4 && canvas.width > canvasWidth,
              'the canvas is 4:3 and fills the page');

        // The start, about a second in, beside the desktop game's picture of it.
        await sleep(1000);
        await takeShot(page, 'start');
        const share = await differentShare(page, 'start', reference, channelTolerance);
        check(share <= mostDifferentShare,
              `${(share * 100).toFixed(1)} % of the pixels differ from the desktop's start by more than ${
                  channelTolerance} (at most ${mostDifferentShare * 100} %)`);
        if (share > mostDifferentShare) await saveShot(page, 'start', path.join(site, 'browser-start.png'));
        console.log(`frames per second at the start: ${(await framesPerSecond(page, 2000)).toFixed(1)}`);

        // Food dragged onto the first tooth with the mouse, and let go there.
        const toPage = (x, y) => [canvas.left + (x * canvas.width) / canvasWidth,
                                  canvas.top + (y * canvas.height) / canvasHeight];
        await takeShot(page, 'before');
        await sleep(400);
        await takeShot(page, 'beforeLater');
        const swarmBefore = await stir(page, 'before', 'beforeLater', firstTooth);
        await page.mouse.move(...toPage(leftFood.x, leftFood.y));
        await page.mouse.down();
        await page.mouse.move(...toPage(200, 130), {steps: 8});
        await page.mouse.move(...toPage(93, 218), {steps: 8});
        await page.mouse.up();
        await sleep(4000);
        await takeShot(page, 'after');
        await sleep(400);
        await takeShot(page, 'afterLater');
        const swarmAfter = await stir(page, 'after', 'afterLater', firstTooth);
        check(swarmAfter > 3 * swarmBefore + 100,
              `the bacteria's stir in the fed tooth grew: ${swarmBefore} -> ${swarmAfter} pixels`);

        // The other two pieces onto two more teeth; the figure is taken before
        // the brush's first sweep (about 20 s in) takes the food back.
        for (const [food, tooth] of [[[400, 50], [193, 220]], [[475, 50], [300, 220]]]) {
            await page.mouse.move(...toPage(...food));
            await page.mouse.down();
            await page.mouse.move(...toPage(...tooth), {steps: 8});
            await page.mouse.up();
        }
        await sleep(9000);
        console.log(`frames per second with three teeth swarming: ${(await framesPerSecond(page, 2000)).toFixed(1)}`);

        check(pageErrors.length === 0, 'no page errors' + pageErrors.map((e) => '\n      ' + e).join(''));
    } finally {
        await browser.close();
        server.close();
        fs.rmSync(userDataDir, {recursive: true, force: true});
    }
    if (failures.length > 0) {
        console.log(`${failures.length} check(s) failed`);
        process.exit(1);
    }
    console.log('all checks passed');
}

// A hung browser must not hang the test command.
setTimeout(() => {
    console.log('FAIL: the browser test took longer than three minutes');
    process.exit(1);
}, 180000).unref();

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
