// A new build deployed over an old one, from a server that lets the browser
// keep every file for ten minutes (Cache-Control: max-age=600): the first
// build is visited until its service worker keeps it, the second is deployed
// while a watch of the first stays open in another tab; a reload of the one
// tab says that the new version is ready, without covering the game or taking
// its keys, and its "Play it" reloads it once into the second build, which
// must run its own bytes only (its page, its code, every file it fetches,
// everything its worker keeps), with the network and without it. The watch
// says so too, and is not reloaded until its own button is pressed. Exits
// non-zero on a fault.
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
    // A visitor who has seen the help sign: P pauses from the start.
    await page.evaluateOnNewDocument(() => localStorage.setItem('velmora.help', 'off'));
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

// Counts the page's own navigations (reloads included) from now on.
function countNavigations(page) {
    const counted = {navigations: 0};
    page.on('framenavigated', (frame) => {
        if (frame === page.mainFrame()) counted.navigations += 1;
    });
    return counted;
}

const newVersionText = 'A new version of Velmora is ready.';

// Waits for the page's notice of a new version; then its place and what it
// leaves the game: the notice beside the mouth, never over it, the keyboard's
// focus not on it, and P still the game's.
async function noticeChecks(page, text, check) {
    await page.bringToFront();
    const seen = await page.waitForFunction((wanted) => {
        const line = [...document.querySelectorAll('#notices p')].find((p) => p.textContent.startsWith(wanted));
        if (!line || !line.offsetParent) return null;
        const button = line.querySelector('button');
        const a = line.getBoundingClientRect(), b = document.getElementById('canvas').getBoundingClientRect();
        const over = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
        return {text: line.firstChild.textContent, button: button && button.textContent, over,
                focused: line.contains(document.activeElement), notices: document.querySelectorAll('#notices p').length};
    }, {timeout: longWait, polling: 200}, newVersionText).then((handle) => handle.jsonValue());
    check(seen.button === 'Play it' && !seen.over && !seen.focused && seen.notices === 1,
          `${text}: the page says "${seen.text}" once (${seen.notices} notice(s)), with its button "${
              seen.button}", ${seen.over ? 'over the mouth' : 'beside the mouth'}, ${
              seen.focused ? 'holding the focus' : 'the focus left to the game'}`);
    await page.keyboard.press('p');
    const paused = await page.evaluate(() => Module._velmoraPaused());
    await page.keyboard.press('p');
    const going = await page.evaluate(() => Module._velmoraPaused());
    check(paused === 1 && going === 0, `${text}: with the notice shown, P pauses the game (${paused}) and goes on (${going})`);
}

function pressPlayIt(page) {
    return page.evaluate(() => {
        [...document.querySelectorAll('#notices button')].find((b) => b.textContent === 'Play it').click();
    });
}

// A watch of ten minutes' frames, whatever build the server holds.
function watchedRecording(request, response) {
    let text = '';
    for (let ms = 16; ms <= 600000; ms += 16) text += `frame ${ms}\n`;
    response.writeHead(200, {'Content-Type': 'text/plain', 'Cache-Control': 'no-store'});
    response.end(text);
}

async function main() {
    const first = path.resolve(option('--first'));
    const second = path.resolve(option('--second'));
    const {check, failures} = checker();
    const firstName = buildName(first), secondName = buildName(second);
    const secondFiles = buildFiles(second);
    const server = await serve(first, {cacheControl: 'max-age=600', routes: {'/watched.rec': watchedRecording}});
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

        // A watch of the first build in another tab, left open.
        const watch = await openGame(browser, url + '?play=watched.rec', [], errors);
        const watchNavigations = countNavigations(watch);

        // The second build deployed; a reload finds it and its worker installs
        // beside the first, and waits: a page of the first is open.
        server.folder = second;
        await visit.reload({waitUntil: 'load'});
        await visit.waitForFunction(() => navigator.serviceWorker.getRegistration().then((r) => !!(r && r.waiting)),
                                    {timeout: longWait, polling: 200});
        await noticeChecks(visit, 'the reloaded tab of the first build', check);
        await noticeChecks(watch, 'the watch of the first build in another tab', check);
        // Reloaded again: the worker was waiting before the page loaded, and
        // the page's own look for a newer one finds nothing new.
        await visit.bringToFront();
        await visit.reload({waitUntil: 'load'});
        await visit.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: longWait});
        await noticeChecks(visit, 'the tab reloaded again', check);

        // "Play it": the new worker takes over and the page reloads once into
        // the second build.
        const requested = [];
        visit.on('request', (request) => {
            if (!request.url().startsWith('blob:')) requested.push(new URL(request.url()).pathname.slice(1));
        });
        const navigations = countNavigations(visit);
        await visit.bringToFront();
        await pressPlayIt(visit);
        await visit.waitForFunction(() => window.velmoraSecondBuild === true && window.velmoraFirstFrameMs !== undefined,
                                    {timeout: longWait, polling: 200});
        checkRuns(await pageState(visit), requested, secondName, secondFiles, true,
                  `"Play it": the second build ${secondName}, with the network`, check);
        // A reload that came round again would come with the new page's own
        // look for a waiting worker, done by now.
        await visit.evaluate(() => navigator.serviceWorker.ready.then((r) => r.update()));
        const left = await visit.evaluate(() => document.querySelectorAll('#notices p').length);
        check(navigations.navigations === 1 && left === 0,
              `"Play it" reloads the page ${navigations.navigations} time(s), and the new page has ${left} notice(s)`);

        // The watch of the first build kept its page and its game goes on; its
        // own button then reloads it into the second build.
        await watch.bringToFront();
        check(watchNavigations.navigations === 0,
              `the watch in the other tab is not reloaded by the other tab's "Play it" (${
                  watchNavigations.navigations} navigation(s))`);
        const framesThen = await watch.evaluate(() => Module._webFramesRun());
        await watch.waitForFunction((then) => Module._webFramesRun() > then + 30, {timeout: longWait, polling: 100},
                                    framesThen);
        const kept = await watch.evaluate(() => document.querySelector('meta[name="velmora-build"]').content);
        check(kept === firstName, `the watch in the other tab runs build ${kept} still, and its game goes on`);
        await pressPlayIt(watch);
        await watch.waitForFunction(() => window.velmoraSecondBuild === true && window.velmoraFirstFrameMs !== undefined,
                                    {timeout: longWait, polling: 200});
        const watched = await watch.evaluate(() => [document.querySelector('meta[name="velmora-build"]').content,
                                                    new URLSearchParams(location.search).get('play')]);
        check(watched[0] === secondName && watched[1] === 'watched.rec' && watchNavigations.navigations === 1,
              `the watch's own "Play it" reloads it once into build ${watched[0]}, watching ${watched[1]}`);
        await watch.close();
        const page = visit;

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
