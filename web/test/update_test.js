// A new build deployed over an old one, from a server that lets the browser
// keep every file for ten minutes (Cache-Control: max-age=600): the first
// build is visited until its service worker keeps it, the second is deployed,
// and once its worker has taken over, the page must run the second build's
// bytes only (its page, its code, every file it fetches, everything its
// worker keeps), with the network and without it. Exits non-zero on a fault.
//   node update_test.js --first DIR --second DIR
// The second build's velmora.js sets window.velmoraSecondBuild (the test's
// shell script adds that line before laying the site out).
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const {checker, launchChromium, option, serve} = require('./harness');

const longWait = 90000;

// name -> sha256 of each file a page of the build at `dir` can fetch; "" is the page.
function buildFiles(dir) {
    const files = new Map();
    for (const name of fs.readdirSync(dir)) {
        const file = path.join(dir, name);
        if (!fs.statSync(file).isFile() || name === 'service-worker.js') continue;
        const hash = crypto.createHash('sha256').update(fs.readFileSync(file)).digest('hex');
        files.set(name === 'index.html' ? '' : name, hash);
    }
    return files;
}

function buildName(dir) {
    return /name="velmora-build" content="([0-9a-f]+)"/.exec(fs.readFileSync(path.join(dir, 'index.html'), 'utf8'))[1];
}

// Opens the game and waits for its first frame; `requested` collects the
// paths of everything the page asks for of its site (not the blob: addresses
// it gives the code it inflated).
async function openGame(browser, url, requested, errors) {
    const page = await browser.newPage();
    page.on('pageerror', (error) => errors.push('page error: ' + error.message));
    page.on('request', (request) => {
        if (!request.url().startsWith('blob:')) requested.push(new URL(request.url()).pathname.slice(1));
    });
    await page.setViewport({width: 1024, height: 840});
    await page.goto(url, {waitUntil: 'load'});
    await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: longWait});
    return page;
}

// What the page runs and what its worker keeps, each file's bytes hashed.
function pageState(page) {
    return page.evaluate(async () => {
        const hex = (buffer) => [...new Uint8Array(buffer)].map((b) => b.toString(16).padStart(2, '0')).join('');
        const caches_ = {};
        for (const name of await caches.keys()) {
            const cache = await caches.open(name);
            caches_[name] = {};
            for (const request of await cache.keys()) {
                const body = await (await cache.match(request)).arrayBuffer();
                caches_[name][new URL(request.url).pathname.slice(1)] = hex(await crypto.subtle.digest('SHA-256', body));
            }
        }
        return {build: document.querySelector('meta[name="velmora-build"]').content,
                second: window.velmoraSecondBuild === true, caches: caches_};
    });
}

// The page runs build `files` (named `name`, second or not) and its worker
// keeps that build's bytes and nothing else.
function checkRuns(state, requested, name, files, second, text, check) {
    const strangers = requested.filter((n) => !files.has(n) && !n.startsWith('service-worker.js'));
    check(state.build === name && state.second === second && strangers.length === 0,
          `${text}: the page is build ${state.build} (expected ${name}), its code ${
              state.second ? 'the second' : 'the first'} build's, and it fetched ${
              strangers.length ? 'files of no such build: ' + strangers.join(', ') : "only its own build's files"}`);
    const kept = Object.entries(state.caches);
    const wrong = kept.length === 1 && /^velmora .* [0-9a-f]+$/.test(kept[0][0]) && kept[0][0].endsWith(' ' + name)
                      ? Object.entries(kept[0][1]).filter(([n, hash]) => files.get(n) !== hash).map(([n]) => n || 'the page')
                      : null;
    check(wrong !== null && wrong.length === 0 && Object.keys(kept[0][1]).length >= 6,
          `${text}: the worker keeps ${kept.map(([c, f]) => `${c} (${Object.keys(f).length} files)`).join(', ')}` +
              (wrong && wrong.length ? `, with other bytes than the build's in: ${wrong.join(', ')}` : ''));
}

// Waits until the newest service worker version of the browser is activated.
async function waitForNewestActivated(browser) {
    const watcher = await browser.newPage();
    const cdp = await watcher.createCDPSession();
    const versions = new Map();
    let resolveActive;
    const active = new Promise((resolve) => (resolveActive = resolve));
    cdp.on('ServiceWorker.workerVersionUpdated', ({versions: changed}) => {
        for (const v of changed) versions.set(+v.versionId, v.status);
        const newest = Math.max(...versions.keys());
        if (versions.get(newest) === 'activated') resolveActive(newest);
    });
    await cdp.send('ServiceWorker.enable');
    let timer;
    const timeout = new Promise((resolve, reject) => {
        timer = setTimeout(() => reject(new Error('no new worker took over')), longWait);
    });
    try {
        await Promise.race([active, timeout]);
    } finally {
        clearTimeout(timer);
        await cdp.detach();
        await watcher.close();
    }
}

async function main() {
    const first = path.resolve(option('--first'));
    const second = path.resolve(option('--second'));
    const {check, failures} = checker();
    const firstName = buildName(first), secondName = buildName(second);
    const secondFiles = buildFiles(second);
    const server = await serve(first, {cacheControl: 'max-age=600'});
    const url = `http://127.0.0.1:${server.address().port}/`;
    const {browser, close} = await launchChromium();
    const errors = [];
    try {
        // The first build, visited until its worker keeps it and runs the page.
        const visit = await openGame(browser, url, [], errors);
        await visit.evaluate(() => navigator.serviceWorker.ready.then(() => true));
        await visit.reload({waitUntil: 'load'});
        await visit.waitForFunction(() => window.velmoraFirstFrameMs !== undefined && navigator.serviceWorker.controller,
                                    {timeout: longWait});
        check((await pageState(visit)).build === firstName, `the first build ${firstName} runs and is kept`);

        // The second build deployed; a visit finds it and its worker installs
        // beside the first, then takes over once no page of the first is open.
        server.folder = second;
        await visit.reload({waitUntil: 'load'});
        await visit.waitForFunction(() => navigator.serviceWorker.getRegistration().then((r) => !!(r && r.waiting)),
                                    {timeout: longWait, polling: 200});
        await visit.close();
        await waitForNewestActivated(browser);

        const requested = [];
        const page = await openGame(browser, url, requested, errors);
        checkRuns(await pageState(page), requested, secondName, secondFiles, true,
                  `the second build ${secondName}, with the network`, check);

        const cdp = await page.createCDPSession();
        await cdp.send('Network.enable');
        await cdp.send('Network.emulateNetworkConditions',
                       {offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
        requested.length = 0;
        await page.reload({waitUntil: 'load'});
        await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: longWait});
        checkRuns(await pageState(page), requested, secondName, secondFiles, true,
                  `the second build ${secondName}, offline`, check);
        await cdp.detach();
        await page.close();
        check(errors.length === 0, 'no page errors' + errors.map((e) => '\n      ' + e).join(''));
    } finally {
        await close();
        server.close();
    }
    if (failures.length > 0) {
        console.log(`${failures.length} check(s) failed`);
        process.exit(1);
    }
    console.log('all checks passed');
}

// A hung browser must not hang the test command.
setTimeout(() => {
    console.log('FAIL: the update test took longer than five minutes');
    process.exit(1);
}, 300000).unref();

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
