// What the page tells the player while the game goes on, beside the mouth,
// which stays. The page's recording is capped at 32 MiB: a game driven past it
// in a few seconds (a finger held on the food and moved two and a half million
// times through the page's own touch entry, each move a line of the recording)
// stops being recorded there and plays on; the page says so once; "Save
// recording" gives whole lines, and velmora-replay --bacteria on them gives the
// page's own trace up to the last recorded frame. A watched recording cut off
// in the middle of its last line plays to its end, and the page says that the
// line was left out, on a phone held sideways too. Exits non-zero on a fault.
//   node page_notes_test.js --site DIR --root ROOT --replay VELMORA_REPLAY --work DIR
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const path = require('path');
const {checker, launchChromium, option, serve} = require('./harness');

const site = path.resolve(option('--site'));
const root = path.resolve(option('--root'));
const replay = path.resolve(option('--replay'));
const work = path.resolve(option('--work'));

const recordingCap = 32 * 1024 * 1024;
const fullText = 'The recording is full';

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Waits for condition() to hold, asking again every 100 ms.
async function waitFor(condition, seconds, what) {
    const end = Date.now() + seconds * 1000;
    for (;;) {
        const value = await condition();
        if (value) return value;
        if (Date.now() > end) throw new Error('gave up waiting for ' + what);
        await sleep(100);
    }
}

function frames(text) { return text ? text.split('\n').length - 1 : 0; }

// The first line two traces differ on, for the failure's text.
function firstDifference(expected, got) {
    const a = expected.split('\n'), b = got.split('\n');
    const at = a.findIndex((line, i) => line !== b[i]);
    return at < 0 ? `the desktop's has ${b.length - a.length} more line(s)`
                  : `frame ${at + 1}: page ${JSON.stringify((a[at] || '').slice(0, 160))}, desktop ${
                        JSON.stringify((b[at] || '').slice(0, 160))}`;
}

// The page's lines that hold `text`, whether they are seen, over the mouth
// or beside it, and whether the game is still shown.
function noted(page, text) {
    return page.evaluate((text) => {
        const lines = [...document.querySelectorAll('#notices p')].filter((p) => p.textContent.includes(text));
        const canvas = document.getElementById('canvas').getBoundingClientRect();
        const box = lines.length ? lines[0].getBoundingClientRect() : null;
        // Seen whole: inside the window, and nothing of it cut off by the panel.
        const whole = !!(box && box.left >= 0 && box.right <= window.innerWidth && box.bottom <= window.innerHeight &&
                         lines[0].scrollWidth <= lines[0].clientWidth);
        return {count: lines.length, text: lines.length ? lines[0].textContent : '',
                seen: !!(box && box.width > 0 && box.height > 0) && whole,
                over: !!(box && box.left < canvas.right && canvas.left < box.right && box.top < canvas.bottom &&
                         canvas.top < box.bottom),
                mouth: !document.getElementById('mouth').hidden && document.getElementById('message').hidden};
    }, text);
}

function describe(shown) {
    return `the page shows "${shown.text}" ${shown.count} time(s), ${shown.seen ? 'seen whole' : 'not seen whole'}, ${
        shown.over ? 'over the mouth' : 'beside the mouth'}, the game ${shown.mouth ? 'still shown' : 'gone'}`;
}

// Two seconds of frames, the last line without its newline.
function cutOffRecording(request, response) {
    let text = '';
    for (let ms = 16; ms <= 2000; ms += 16) text += `frame ${ms}\n`;
    response.writeHead(200, {'Content-Type': 'text/plain', 'Cache-Control': 'no-store'});
    response.end(text + 'frame 20');
}

async function main() {
    const {check, failures} = checker();
    // The last run's recording stays until the next run, for a failure to be looked into.
    const downloads = path.join(work, 'downloads');
    fs.rmSync(downloads, {recursive: true, force: true});
    fs.mkdirSync(downloads, {recursive: true});
    const server = await serve(site, {routes: {'/cut.rec': cutOffRecording}});
    const {browser, close} = await launchChromium();
    const errors = [];
    try {
        const cdp = await browser.target().createCDPSession();
        await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
        const page = await browser.newPage();
        page.on('pageerror', (error) => errors.push('page error: ' + error.message));
        const said = [];
        page.on('console', (message) => said.push(message.text()));
        await page.setViewport({width: 1024, height: 840, hasTouch: true});
        // A visitor who has seen the help sign: the game runs from the start.
        await page.evaluateOnNewDocument(() => localStorage.setItem('velmora.help', 'off'));
        await page.goto(`http://127.0.0.1:${server.address().port}/?trace=1`, {waitUntil: 'load'});
        let trace = '';
        const takeMore = async () => (trace += await page.evaluate(() => velmoraRecording.takeTrace()));
        await waitFor(async () => (await takeMore()) && frames(trace) > 10, 60, 'the game to start');

        // A quarter of a million moves a frame, in window pixels of an 800 x 600 canvas.
        const started = Date.now();
        await page.evaluate(() => new Promise((resolve) => {
            Module._touchGame(0, 325, 50);
            let moves = 0;
            const step = () => {
                for (let i = 0; i < 250000; ++i, ++moves) Module._touchGame(1, 100 + (moves % 500), 100 + (moves % 300));
                if (moves < 2500000) requestAnimationFrame(step);
                else resolve();
            };
            requestAnimationFrame(step);
        }));
        const drivenMs = Date.now() - started;
        await takeMore();
        const framesAtCap = frames(trace);
        await waitFor(async () => (await takeMore()) && frames(trace) > framesAtCap + 30, 120, 'the game to play on');

        // On the page: the line once, beside the mouth, and the game still shown.
        const shown = await noted(page, fullText);
        const told = said.filter((line) => line.includes(fullText)).length;
        check(shown.count === 1 && shown.seen && !shown.over && shown.mouth && told === 1,
              `the recording full after ${(drivenMs / 1000).toFixed(1)} s of moves: ${describe(shown)}; said ${
                  told} time(s) on the console`);

        // Saved as a player saves it: the menu, then "Save recording".
        await page.click('#menu-button');
        await page.click('#save-recording');
        const file = await waitFor(() => {
            const names = fs.readdirSync(downloads).filter((n) => n.endsWith('.rec'));
            return names.length === 1 && path.join(downloads, names[0]);
        }, 60, 'the saved recording');
        const kept = await page.evaluate(() => velmoraRecording.recordingText().length);
        await waitFor(() => fs.statSync(file).size === kept, 60, 'the whole recording on disk');
        const recording = fs.readFileSync(file, 'latin1');
        const lines = recording.split('\n');
        const whole = recording.endsWith('\n') &&
                      lines.slice(1, -1).every((l) => /^(frame|motion|mouse|reshape|passive) -?\d+/.test(l));
        check(recording.length <= recordingCap && recording.length > recordingCap - 64 && whole,
              `"Save recording" gives ${recording.length} bytes (cap ${recordingCap}), ${
                  whole ? 'whole lines' : 'a broken line'}`);

        await takeMore();
        const replayStarted = Date.now();
        const run = childProcess.spawnSync(replay, ['--bacteria', '--no-draw', file],
                                           {cwd: root, maxBuffer: 1 << 30, encoding: 'latin1'});
        const recordedFrames = lines.filter((l) => l.startsWith('frame ')).length;
        const expected = trace.split('\n').slice(0, recordedFrames).join('\n') + '\n';
        check(run.status === 0 && run.stdout === expected && frames(trace) > recordedFrames,
              `velmora-replay --bacteria on the saved recording (status ${run.status}, ${
                  ((Date.now() - replayStarted) / 1000).toFixed(1)} s) gives the page's trace for its ${
                  recordedFrames} frames, of the ${frames(trace)} the page played` +
                  (run.stdout === expected ? '' : '\n      first difference: ' + firstDifference(expected, run.stdout)));

        // A watch of a recording cut off while being written, on a phone held
        // sideways, where the page's panel is a narrow column beside the mouth.
        await page.setViewport({width: 844, height: 390, hasTouch: true, isMobile: true, deviceScaleFactor: 2});
        await page.goto(`http://127.0.0.1:${server.address().port}/?play=cut.rec`, {waitUntil: 'load'});
        await waitFor(() => page.evaluate(() => velmoraRecording.watchEnded()), 60, 'the cut-off watch to end');
        const cut = await noted(page, 'has no newline');
        check(cut.count === 1 && cut.seen && !cut.over && cut.mouth,
              `a watched recording cut off in its last line plays to its end: ${describe(cut)}`);
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
    console.log('FAIL: the notes test took longer than three minutes');
    process.exit(1);
}, 180000).unref();

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
