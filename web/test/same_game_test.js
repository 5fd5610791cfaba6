// The same game to the bit in the browser and on the desktop. Headless
// Chromium watches desktop recordings (?play=, undrawn, as fast as it goes)
// and its trace must equal velmora-replay --bacteria's byte for byte; then it
// plays a real game with CDP mouse and touch input (a finger that lands
// beside a sweet picks it up), keys held down act once, and the recording the
// "Save recording" button downloads, replayed by velmora-replay --bacteria,
// must give the page's own trace; a watched game pauses and the tab names it.
// (The page's cap on its recording is page_notes_test.js's.) Where two
// traces differ, the first differing frame and value are named. Exits
// non-zero on a fault.
//   node same_game_test.js --site DIR --root ROOT --replay VELMORA_REPLAY --work DIR
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const path = require('path');
const {checker, launchChromium, option, serve} = require('./harness');

const site = path.resolve(option('--site'));
const root = path.resolve(option('--root'));
const replay = path.resolve(option('--replay'));
const work = path.resolve(option('--work'));

const {check, failures} = checker();

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
// How long the page stays paused: long enough that a frame a busy machine
// holds back is not taken for the whole pause come back as one step.
const pausedMs = 3000;

// Waits for condition() to hold, asking again every 100 ms; a loaded machine
// gets all of `seconds`.
async function waitFor(condition, seconds, what) {
    const end = Date.now() + seconds * 1000;
    for (;;) {
        const value = await condition();
        if (value) return value;
        if (Date.now() > end) throw new Error('gave up waiting for ' + what);
        await sleep(100);
    }
}

// velmora-replay --bacteria --no-draw on a script, from the project folder
// where img/ is: the desktop's trace.
function desktopTrace(script) {
    return childProcess.execFileSync(replay, ['--bacteria', '--no-draw', script],
                                     {cwd: root, maxBuffer: 1 << 30, encoding: 'latin1'});
}

// The first value two trace lines disagree on, as a path into the JSON object.
function firstDifference(a, b, where) {
    if (typeof a !== typeof b || Array.isArray(a) !== Array.isArray(b) || a === null || b === null ||
        typeof a !== 'object') {
        return Object.is(a, b) ? null : `${where || 'the line'}: browser ${JSON.stringify(a)}, desktop ${
                                              JSON.stringify(b)}`;
    }
    const keys = Array.isArray(a) ? [...Array(Math.max(a.length, b.length)).keys()]
                                  : [...new Set([...Object.keys(a), ...Object.keys(b)])];
    for (const key of keys) {
        const found = firstDifference(a[key], b[key], Array.isArray(a) ? `${where}[${key}]` : `${where}.${key}`);
        if (found) return found;
    }
    return null;
}

// Says where two traces part: the frame, and the first value that differs.
function describeDifference(browserText, desktopText) {
    const browserLines = browserText.split('\n'), desktopLines = desktopText.split('\n');
    for (let i = 0; i < Math.max(browserLines.length, desktopLines.length); ++i) {
        if (browserLines[i] === desktopLines[i]) continue;
        if (browserLines[i] === undefined || desktopLines[i] === undefined)
            return `frame ${i + 1}: only the ${browserLines[i] === undefined ? 'desktop' : 'browser'} has it`;
        try {
            return `frame ${i + 1}, ` + firstDifference(JSON.parse(browserLines[i]), JSON.parse(desktopLines[i]), '');
        } catch (error) {
            return `frame ${i + 1}: ${JSON.stringify(browserLines[i].slice(0, 200))} against ${
                JSON.stringify(desktopLines[i].slice(0, 200))}`;
        }
    }
    return 'no line differs';
}

// Takes the page's trace lines as they come, comparing each piece with the
// expected text at once, until the watched recording has ended (or, without
// `untilEnded`, once). Returns everything taken.
async function takeTraceFrom(page, expected, untilEnded, seconds) {
    let taken = '';
    const end = Date.now() + seconds * 1000;
    for (;;) {
        // One evaluation: nothing runs between taking and asking, so once the
        // watch has ended everything is in the piece taken with that answer.
        const [piece, ended] =
            await page.evaluate(() => [velmoraRecording.takeTrace(), velmoraRecording.watchEnded()]);
        if (expected !== null && piece !== expected.substr(taken.length, piece.length)) {
            const upTo = taken.length + piece.length;
            return {taken: taken + piece, differs: describeDifference(taken + piece, expected.slice(0, upTo + 100000))};
        }
        taken += piece;
        if (!untilEnded || ended) return {taken};
        if (Date.now() > end) return {taken, differs: `the watch had not ended after ${seconds} s`};
        if (!piece) await sleep(50);
    }
}

function frames(text) { return text ? text.split('\n').length - 1 : 0; }

async function newPage(browser, errors, touch, width = 1024, height = 840) {
    const page = await browser.newPage();
    page.on('pageerror', (error) => errors.push('page error: ' + error.message));
    page.on('console', (message) => {
        // GLUT cancels every touch it turns into a mouse event; Chromium says
        // so when a touchend cannot be cancelled, which changes nothing.
        const text = message.text();
        if (message.type() === 'error' && !/^Ignored attempt to cancel a touchend event/.test(text))
            errors.push('console error: ' + text);
    });
    await page.setViewport({width, height, hasTouch: touch});
    // A visitor who has seen the help sign: the game runs from the start.
    await page.evaluateOnNewDocument(() => localStorage.setItem('velmora.help', 'off'));
    return page;
}

// Desktop to browser: each recording watched undrawn at full speed.
async function watchDesktopRecordings(browser, base, errors) {
    const scripts = [
        ['the pinned two-minute game', path.join(root, 'tests/replay_scripts/pinned_game.txt'), 'pinned.rec'],
        ['ten minutes of play from make_soak_script.sh', path.join(work, 'soak.txt'), 'soak.rec'],
    ];
    fs.writeFileSync(scripts[1][1],
                     childProcess.execFileSync('bash', [path.join(root, 'tools/make_soak_script.sh'), '600', '16']));
    const page = await newPage(browser, errors, false);
    for (const [what, script, name] of scripts) {
        fs.copyFileSync(script, path.join(site, 'recordings', name));
        const expected = desktopTrace(script);
        const started = Date.now();
        await page.goto(`${base}/?play=recordings/${name}&speed=0&draw=0&trace=1`, {waitUntil: 'load'});
        const result = await takeTraceFrom(page, expected, true, 600);
        const seconds = ((Date.now() - started) / 1000).toFixed(1);
        check(!result.differs && result.taken.length === expected.length,
              `${what}: the browser's trace equals velmora-replay --bacteria's, ${frames(result.taken)} of ${
                  frames(expected)} frames, ${(expected.length / 1e6).toFixed(1)} MB, in ${seconds} s` +
                  (result.differs ? `\n      first difference: ${result.differs}` : ''));
    }
    await page.close();
}

// Browser to desktop: a game played with mouse and touch, saved, replayed.
async function playSaveAndReplay(browser, base, errors) {
    const downloads = fs.mkdtempSync(path.join(work, 'downloads-'));
    const session = await browser.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
    const page = await newPage(browser, errors, true);
    // The computer's time set back a minute in the middle of the game: the
    // game's clock must not run backwards, or no replay takes its recording.
    await page.evaluateOnNewDocument(() => {
        const wallClock = Date.now;
        let shift = 0;
        Date.now = () => wallClock() + shift;
        window.velmoraSetTimeBack = () => (shift -= 60000);
    });
    await page.goto(`${base}/?trace=1`, {waitUntil: 'load'});
    let trace = '';
    const takeMore = async () => (trace += (await takeTraceFrom(page, null, false, 0)).taken);
    await waitFor(async () => (await takeMore()) && frames(trace) > 30, 60, 'the game to start');
    const canvas = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return {left: r.left, top: r.top, width: r.width, height: r.height};
    });
    // Window pixels of an 800 x 600 canvas, on the page.
    const at = (x, y) => [canvas.left + (x * canvas.width) / 800, canvas.top + (y * canvas.height) / 600];
    // The left food onto the first tooth with the mouse; the middle one onto
    // the second with a finger.
    await page.mouse.move(...at(325, 50));
    await page.mouse.down();
    await page.mouse.move(...at(200, 130), {steps: 6});
    await page.mouse.move(...at(93, 218), {steps: 6});
    await page.mouse.up();
    await page.evaluate(() => velmoraSetTimeBack());
    // The finger lands 18 CSS pixels right of the right sweet's edge (it is
    // 50 units wide) and still picks it up.
    await takeMore();
    const tracedBeforeTouch = trace.length;
    const beside = at(475, 50);
    beside[0] += (25 * canvas.width) / 800 + 18;
    await page.touchscreen.touchStart(...beside);
    for (let step = 1; step <= 8; ++step) {
        await page.touchscreen.touchMove(...at(475 + (193 - 475) * step / 8, 50 + (220 - 50) * step / 8));
        await takeMore();
    }
    await page.touchscreen.touchEnd();
    check(/"heldFood":2,/.test(trace.slice(tracedBeforeTouch)),
          'a finger 18 px right of the right sweet\'s edge picks the sweet up');
    // Until bacteria have bred on a fed tooth (a tooth starts with two), in
    // any frame since the drops: the brush may come soon after them, scrub
    // the teeth and put the food back, and a busy machine may take seconds
    // between two looks.
    const tracedBeforeDrops = trace.length;
    await waitFor(async () => {
        await takeMore();
        return /"n":([6-9]|\d\d)/.test(trace.slice(tracedBeforeDrops));
    }, 120, 'bacteria to breed on a fed tooth');

    // P pauses: no frame runs, the button says how to go on, and pressing it
    // does. Then a new game from the menu and M twice: the page's own keys and
    // buttons, none of them in the recording but the new game.
    // P held down: a press, then the repeats a held key sends; one pause.
    const holdKey = async (key) => {
        for (let press = 0; press < 4; ++press) await page.keyboard.down(key);
        await page.keyboard.up(key);
    };
    await holdKey('p');
    await waitFor(() => page.evaluate(() => Module._velmoraPaused() === 1), 30, 'the pause');
    const framesAtPause = await page.evaluate(() => Module._webFramesRun());
    await sleep(pausedMs);  // how long it stays paused, not a wait for readiness
    const paused = await page.evaluate(() => [Module._webFramesRun(), document.getElementById('pause').textContent]);
    check(paused[0] === framesAtPause && paused[1] === 'Resume',
          `paused with P: ${paused[0] - framesAtPause} frames in ${pausedMs / 1000} s, the button says "${paused[1]}"`);
    const [clockAtPause, resumedAt] = await page.evaluate(() => [Module._webGameClockMs(), performance.now()]);
    await page.click('#pause');
    await waitFor(async () => (await page.evaluate(() => Module._webFramesRun())) > framesAtPause + 10, 60,
                  'the game to go on');
    // The game's clock goes on from where it stood: since the click it has
    // run no longer than the page's own clock, however long a busy machine
    // held a frame back. Had the pause counted, the whole paused time would
    // come back in one step.
    const [clockAfter, now] = await page.evaluate(() => [Module._webGameClockMs(), performance.now()]);
    const ranMs = clockAfter - clockAtPause, sinceClickMs = now - resumedAt;
    check(ranMs <= sinceClickMs + 20,
          `the paused ${pausedMs / 1000} s did not come back: the game's clock ran ${ranMs} ms ` +
              `in the ${sinceClickMs.toFixed(0)} ms since the click`);
    await page.click('#menu-button');
    await page.click('#new-game');
    await holdKey('n');
    await takeMore();
    const framesAtNewGame = frames(trace);
    await holdKey('m');
    const soundAfterM = await page.evaluate(() => [Module._gameSoundOn(), document.getElementById('sound').textContent]);
    check(soundAfterM[0] === 0 && soundAfterM[1] === 'Sound: off' &&
              (await page.evaluate(() => localStorage.getItem('velmora.sound'))) === 'off',
          `M held down turns the sound off, the button and the kept setting follow: ${soundAfterM[1]}`);
    await page.keyboard.press('m');
    await waitFor(async () => (await takeMore()) && frames(trace) > framesAtNewGame + 20, 120,
                  'the new game to play');

    // Saved and traced in one evaluation, so that both end at the same frame.
    const [piece, shown] = await page.evaluate(() => {
        document.getElementById('save-recording').click();
        return [velmoraRecording.takeTrace(), velmoraRecording.recordingText()];
    });
    trace += piece;
    const file = await waitFor(() => {
        const names = fs.readdirSync(downloads).filter((n) => n.endsWith('.rec'));
        return names.length === 1 && path.join(downloads, names[0]);
    }, 60, 'the saved recording');
    await waitFor(() => fs.readFileSync(file, 'latin1') === shown, 30, 'the whole recording on disk');
    const recording = fs.readFileSync(file, 'latin1');
    const lines = recording.split('\n');
    check(/^# velmora \S+ in a web browser, canvas 800 x 600$/.test(lines[0]),
          `the recording's first line names the browser build: ${lines[0]}`);
    check(lines.some((l) => l.startsWith('reshape ')) && lines.some((l) => l.startsWith('motion ')) &&
              lines.filter((l) => /^mouse 0 0 /.test(l)).length >= 2,
          'the reshape of the page and both drags, mouse and touch, are in it');
    const restarts = lines.filter((l) => l === 'restart').length;
    check(restarts === 2 && !lines.some((l) => /^(key [pPnNmM] |keyup (80|112|78|110|77|109) )/.test(l)),
          `the menu's new game and N held down are in it as ${restarts} "restart" lines (2), and none of the ` +
              'keys the game took (P, N, M)');
    const run =
        childProcess.spawnSync(replay, ['--bacteria', file], {cwd: root, maxBuffer: 1 << 30, encoding: 'latin1'});
    check(run.status === 0, `velmora-replay takes the saved recording (status ${run.status}) ${run.stderr.trim()}`);
    const replayed = run.stdout;
    check(replayed === trace,
          `velmora-replay --bacteria on the saved recording gives the page's own trace, ${frames(trace)} frames` +
              (replayed === trace ? '' : '\n      first difference: ' + describeDifference(trace, replayed)));
    await page.close();
    return {name: path.basename(file), file, trace};
}

// The browser's own recording watched on the page, drawn, at four times the
// speed, while the visitor drags and types over it: the same trace again, and
// the canvas holds the recorded view on a smaller page too, only shown smaller.
async function watchInPage(browser, base, errors, saved) {
    fs.copyFileSync(saved.file, path.join(site, 'recordings', 'browser.rec'));
    const page = await newPage(browser, errors, false, 640, 560);
    await page.goto(`${base}/?play=recordings/browser.rec&speed=4&trace=1`, {waitUntil: 'load'});
    let taken = '';
    await waitFor(async () => (taken += (await takeTraceFrom(page, null, false, 0)).taken) && frames(taken) > 10,
                  60, 'the watch to start');
    const box = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return {left: r.left, top: r.top, width: r.width, height: r.height};
    });
    await page.mouse.move(box.left + box.width * 0.47, box.top + 20);
    await page.mouse.down();
    await page.mouse.move(box.left + box.width * 0.6, box.top + box.height * 0.4, {steps: 10});
    await page.mouse.up();
    await page.keyboard.press('a');
    const rest = await takeTraceFrom(page, saved.trace.slice(taken.length), true, 300);
    taken += rest.taken;
    check(!rest.differs && taken === saved.trace,
          `watched on the page, the browser's recording gives its trace again (${frames(taken)} frames), ` +
              'the visitor\'s drags and keys ignored' +
                  (rest.differs ? `\n      first difference: ${rest.differs}` : ''));
    const canvas = await page.evaluate(() => {
        const c = document.getElementById('canvas');
        return {width: c.width, height: c.height, shown: c.getBoundingClientRect().width};
    });
    const lastReshape = fs.readFileSync(saved.file, 'latin1').split('\n').filter((l) => l.startsWith('reshape ')).pop();
    const recordedWidth = Number(lastReshape.split(' ')[1]);
    check(canvas.width === recordedWidth && canvas.height === Math.trunc(recordedWidth * 0.75) &&
              canvas.shown < recordedWidth - 100,
          `the watched canvas is the recorded view, ${canvas.width} x ${canvas.height}, shown ${
              Math.round(canvas.shown)} wide`);

    // A damaged recording: its fault on the page, and no game.
    fs.writeFileSync(path.join(site, 'recordings', 'damaged.rec'), 'frame 20\nframe 10\n');
    await page.goto(`${base}/?play=recordings/damaged.rec`, {waitUntil: 'load'});
    const said = await waitFor(() => page.evaluate(() => {
        const m = document.getElementById('message');
        return m && !m.hidden && m.textContent;
    }), 60, 'the message about the damaged recording');
    check(said.includes('damaged.rec: line 2: MS 10 is before the last reading 20'),
          `a damaged recording is refused: "${said}"`);
    await page.close();
}

// A watch in a tab put behind another for eight seconds: it stands still, and
// comes back where it stood rather than racing to make up the time; its trace
// is still the desktop's.
async function hiddenWatch(browser, base, errors) {
    const expected = desktopTrace(path.join(root, 'tests/replay_scripts/pinned_game.txt'));
    const page = await newPage(browser, errors, false);
    await page.goto(`${base}/?play=recordings/pinned.rec&speed=4&trace=1`, {waitUntil: 'load'});
    let taken = '';
    const take = async () => {
        const piece = (await takeTraceFrom(page, null, false, 0)).taken;
        taken += piece;
        return piece;
    };
    await waitFor(async () => (await take()) !== null && frames(taken) > 300, 60, 'the watch to start');
    // The tab names the recording; the Pause button pauses the watch and
    // says so, and P goes on.
    const title = await page.title();
    check(/pinned\.rec/.test(title), `watching, the tab names the recording: "${title}"`);
    await page.click('#pause');
    const paused = await page.evaluate(() => [Module._velmoraPaused(), document.getElementById('pause').textContent,
                                              document.getElementById('pause').disabled]);
    await page.keyboard.press('p');
    const going = await page.evaluate(() => [Module._velmoraPaused(), document.getElementById('pause').textContent]);
    await page.evaluate(() => document.activeElement.blur());
    check(paused[0] === 1 && paused[1] === 'Resume' && !paused[2] && going[0] === 0 && going[1] === 'Pause',
          `watching, the Pause button pauses ("${paused[1]}"${paused[2] ? ', disabled' : ''}) and P goes on ("${
              going[1]}")`);
    const other = await browser.newPage();
    await other.bringToFront();
    await page.waitForFunction(() => document.hidden, {timeout: 60000, polling: 200});
    await take();
    await sleep(8000);  // how long it stays hidden
    const whileHidden = frames(await take());
    const shownAt = Date.now();
    await page.bringToFront();
    await other.close();
    await page.waitForFunction(() => !document.hidden, {timeout: 60000, polling: 200});
    await sleep(1000);  // a second of watching, counted
    const back = frames(await take());
    // Four times as fast, a second plays about 250 frames; making up the
    // eight hidden seconds would play 2,000 more. The second is longer on a
    // busy machine: what was played is judged against the time since the
    // tab came back: at most 400 frames a second, against the watch's 250.
    const seconds = (Date.now() - shownAt) / 1000;
    check(whileHidden <= 1 && back > 0 && back < 400 * seconds,
          `a watch hidden for 8 s: ${whileHidden} frames while hidden, ${back} in the ${
              seconds.toFixed(1)} s after (at most ${Math.round(400 * seconds)})`);
    const rest = await takeTraceFrom(page, expected.slice(taken.length), true, 300);
    taken += rest.taken;
    check(!rest.differs && taken === expected,
          `the hidden watch's trace is velmora-replay's, ${frames(taken)} frames` +
              (rest.differs ? `\n      first difference: ${rest.differs}` : ''));
    await page.close();
}

async function main() {
    fs.mkdirSync(path.join(site, 'recordings'), {recursive: true});
    fs.mkdirSync(work, {recursive: true});
    const server = await serve(site);
    const base = `http://127.0.0.1:${server.address().port}`;
    // The watch runs on the page's frames; a page in the background must not be slowed down.
    const {browser, close} =
        await launchChromium(['--disable-background-timer-throttling', '--disable-renderer-backgrounding']);
    const errors = [];
    try {
        await watchDesktopRecordings(browser, base, errors);
        await hiddenWatch(browser, base, errors);
        const saved = await playSaveAndReplay(browser, base, errors);
        await watchInPage(browser, base, errors, saved);
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
    console.log('FAIL: the same-game test took longer than twenty minutes');
    process.exit(1);
}, 20 * 60 * 1000).unref();

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
