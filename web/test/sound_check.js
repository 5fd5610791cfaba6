// The browser build's sound, in headless Chromium under its ordinary autoplay
// rule: the game opens its OpenAL player at the first press, a drag of food
// onto a tooth leaves the page's audio context running with sounds started,
// and the page's sound button turns sound off and on and is remembered for
// the next visit (a damaged setting said once, sound on). On a touch screen
// a tap starts the sound, and until then the button says it waits for one.
// While sound waits, a press of the button (a click, a tap) or M only starts
// it; once it plays, M held down turns it off once, and off and on glide.
// Exits non-zero on a fault.
//   node sound_check.js --site DIR
'use strict';
const path = require('path');
const {checker, launchChromium, option, serve} = require('./harness');

// Generous: the build starts in a few seconds on a quiet machine.
const startWait = 90000;

// Notes every glide the page asks of a gain: its target and length in seconds.
function watchGlides() {
    window.velmoraGlides = [];
    const ramp = AudioParam.prototype.linearRampToValueAtTime;
    AudioParam.prototype.linearRampToValueAtTime = function (value, endTime) {
        const context = window.AL && AL.currentCtx ? AL.currentCtx.audioCtx : null;
        window.velmoraGlides.push({value, seconds: context ? endTime - context.currentTime : NaN});
        return ramp.call(this, value, endTime);
    };
}

// A visitor who has seen the help sign: keys and the game reach it at once.
function helpSeen() { localStorage.setItem('velmora.help', 'off'); }

async function openPage(context, url, viewport, errors, said) {
    const page = await context.newPage();
    await page.evaluateOnNewDocument(watchGlides);
    await page.evaluateOnNewDocument(helpSeen);
    page.on('pageerror', (error) => errors.push('page error: ' + error.message));
    page.on('console', (message) => {
        if (message.type() === 'error') errors.push('console error: ' + message.text());
        if (said) said.push(message.text());
    });
    await page.setViewport(viewport);
    await page.goto(url, {waitUntil: 'load'});
    await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined && Module._gameSoundPlayerOpen,
                               {timeout: startWait});
    return page;
}

const buttonText = (page) => page.evaluate(() => document.getElementById('sound').textContent);

// A mouse drag of food onto a tooth: the player opens, the context runs, and
// the button turns sound off and on.
async function mouseChecks(context, url, check, errors) {
    const page = await openPage(context, url, {width: 1024, height: 840}, errors);
    // Browsers let an audio context play only from a gesture on: none is made before.
    check(await page.evaluate(() => Module._gameSoundPlayerOpen() === 0 && !window.AL.currentCtx),
          'the sound player waits for the first gesture');
    check(/^Click for sound$/.test(await buttonText(page)),
          `before it, the button says that sound waits for a click: "${await buttonText(page)}"`);

    // The left food dragged onto the first tooth and let go there: a
    // squeak, a plop and the births' pops.
    const box = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return {left: r.left, top: r.top, width: r.width, height: r.height};
    });
    const toPage = (x, y) => [box.left + (x * box.width) / 800, box.top + (y * box.height) / 600];
    await page.mouse.move(...toPage(325, 50));
    await page.mouse.down();
    await page.mouse.move(...toPage(200, 130), {steps: 8});
    await page.mouse.move(...toPage(93, 218), {steps: 8});
    await page.mouse.up();
    // The sounds arrive after the first frame; the player opens once they are in.
    const opened = await page.waitForFunction(() => Module._gameSoundPlayerOpen() === 1, {timeout: 30000})
                       .then(() => true, () => false);
    check(opened, 'the first press opened the sound player');
    const heard = await page
        .waitForFunction(() => AL.currentCtx && AL.currentCtx.audioCtx.state === 'running' &&
                             Module._gameSoundsStarted() >= 3, {timeout: 30000})
        .then(() => true, () => false);
    const state = await page.evaluate(() => [AL.currentCtx ? AL.currentCtx.audioCtx.state : 'none',
                                             Module._gameSoundsStarted()]);
    check(heard, `the audio context is ${state[0]} and the game started ${state[1]} sounds after the drag`);
    check((await buttonText(page)) === 'Sound: on', `then the button says "${await buttonText(page)}"`);

    // The page's button: off, and nothing more starts while births go on.
    await page.click('#sound');
    const off = await page.evaluate(() => [Module._gameSoundOn(), document.getElementById('sound').textContent,
                                           Module._gameSoundsStarted()]);
    check(off[0] === 0 && off[1] === 'Sound: off', `the sound button turns sound off (${off[1]})`);
    // Four births' worth of the game's own time.
    const clockOff = await page.evaluate(() => Module._webGameClockMs());
    await page.waitForFunction((from) => Module._webGameClockMs() >= from + 1000, {timeout: 60000}, clockOff);
    check(await page.evaluate((count) => Module._gameSoundsStarted() === count, off[2]),
          'no sound starts while sound is off');
    await page.click('#sound');
    check(await page.evaluate(() => Module._gameSoundOn() === 1 &&
                                    document.getElementById('sound').textContent === 'Sound: on'),
          'and on again');
    await page.close();
}

// The setting kept between visits, in a browser profile of its own: off
// stays off; a damaged value is said once, and sound is on.
async function rememberedChecks(browser, url, check, errors) {
    const context = await browser.createBrowserContext();
    try {
        const first = await openPage(context, url, {width: 1024, height: 840}, errors);
        // The first click on "Click for sound" starts it; it does not turn it off.
        await first.click('#sound');
        const started = await first.waitForFunction(() => AL.currentCtx && AL.currentCtx.audioCtx.state === 'running',
                                                    {timeout: 30000}).then(() => true, () => false);
        const shown = await first.evaluate(() => [Module._gameSoundOn(), document.getElementById('sound').textContent,
                                                  localStorage.getItem('velmora.sound')]);
        check(started && shown[0] === 1 && shown[1] === 'Sound: on' && shown[2] !== 'off',
              `a first click on the waiting sound button starts sound: ${started ? 'running' : 'not running'}, "${
                  shown[1]}", kept ${JSON.stringify(shown[2])}`);
        await first.evaluate(() => (window.velmoraGlides = []));
        await first.click('#sound');
        const glides = await first.evaluate(() => window.velmoraGlides);
        check(glides.some((glide) => glide.value === 0 && glide.seconds >= 0.01),
              `sound turned off glides to silence over at least 10 ms: ${
                  glides.map((g) => `to ${g.value} in ${(g.seconds * 1000).toFixed(1)} ms`).join(', ') || 'no glide'}`);
        await first.close();
        const second = await openPage(context, url, {width: 1024, height: 840}, errors);
        const kept = await second.evaluate(() => [Module._gameSoundOn(), document.getElementById('sound').textContent]);
        check(kept[0] === 0 && kept[1] === 'Sound: off', `sound turned off stays off at the next visit (${kept[1]})`);

        for (const value of ['maybe', '', '{"on": true}']) {
            await second.evaluate((value) => localStorage.setItem('velmora.sound', value), value);
            const said = [];
            const page = await openPage(context, url, {width: 1024, height: 840}, errors, said);
            const now = await page.evaluate(() => [Module._gameSoundOn(), document.getElementById('sound').textContent]);
            const lines = said.filter((line) => /kept sound setting/.test(line));
            check(now[0] === 1 && !/off/.test(now[1]) && lines.length === 1,
                  `a kept setting of ${JSON.stringify(value)} gives sound on (${now[1]}) and one line: ${
                      lines.map((l) => JSON.stringify(l)).join(', ')}`);
            if (value === 'maybe') await keyChecks(page, check);
            await page.close();
        }
        await second.close();
    } finally {
        await context.close();
    }
}

// M, as sound waits (no setting kept that says otherwise): it starts sound
// and leaves it on. Then, playing, M held down (a press and the repeats a
// held key sends) turns it off once, and the setting keeps "off".
async function keyChecks(page, check) {
    await page.keyboard.press('m');
    const started = await page.waitForFunction(() => AL.currentCtx && AL.currentCtx.audioCtx.state === 'running',
                                               {timeout: 30000}).then(() => true, () => false);
    const shown = await page.evaluate(() => [Module._gameSoundOn(), document.getElementById('sound').textContent,
                                             localStorage.getItem('velmora.sound')]);
    check(started && shown[0] === 1 && shown[1] === 'Sound: on' && shown[2] !== 'off',
          `M as sound waits starts it: ${started ? 'running' : 'not running'}, "${shown[1]}", kept ${
              JSON.stringify(shown[2])}`);
    for (let press = 0; press < 4; ++press) await page.keyboard.down('m');  // the last three repeat
    await page.keyboard.up('m');
    const held = await page.evaluate(() => [Module._gameSoundOn(), document.getElementById('sound').textContent,
                                            localStorage.getItem('velmora.sound')]);
    check(held[0] === 0 && held[1] === 'Sound: off' && held[2] === 'off',
          `M held down turns sound off once: "${held[1]}", kept ${JSON.stringify(held[2])}`);
}

// Asks the page without lending it a user gesture, as puppeteer's own
// evaluate does: a page that has had one may start audio at any time.
async function quietly(cdp, expression) {
    const {result, exceptionDetails} = await cdp.send('Runtime.evaluate', {expression, returnByValue: true});
    if (exceptionDetails) throw new Error(`${expression}: ${exceptionDetails.text}`);
    return result.value;
}

async function quietlyWaitFor(cdp, expression) {
    const end = Date.now() + startWait;
    while (!(await quietly(cdp, expression))) {
        if (Date.now() > end) throw new Error('gave up waiting for ' + expression);
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
}

// Notes whether the page's audio context was made or woken inside a gesture
// (while the page's user activation is active): the only way some browsers
// (Safari) let it play. Chromium also starts a held context when a sound
// begins after any gesture, which hides a page that never asks in one.
function watchAudioStarts() {
    window.velmoraAudioStarts = [];
    const note = (what) => window.velmoraAudioStarts.push({what, inGesture: navigator.userActivation.isActive});
    const Original = window.AudioContext;
    window.AudioContext = class extends Original {
        constructor(...options) {
            super(...options);
            note('made');
        }
    };
    const resume = Original.prototype.resume;
    Original.prototype.resume = function () {
        note('woken');
        return resume.call(this);
    };
}

// A phone: a finger's tap on the mouth starts the sound. Its press is no
// gesture to the browser, its lift is; nothing else gives the page one.
async function touchChecks(browser, url, check, errors) {
    const context = await browser.createBrowserContext();
    try {
        const page = await context.newPage();
        page.on('pageerror', (error) => errors.push('page error: ' + error.message));
        await page.setViewport({width: 915, height: 412, deviceScaleFactor: 2.625, isMobile: true, hasTouch: true,
                                isLandscape: true});
        const cdp = await page.createCDPSession();
        await page.evaluateOnNewDocument(watchAudioStarts);
        await page.goto(url, {waitUntil: 'load'});
        // The sounds in, so that the tap itself can open the player.
        await quietlyWaitFor(cdp, "window.velmoraFirstFrameMs !== undefined && Module.FS.analyzePath('/sounds/pop_1.wav').exists");
        const before = await quietly(cdp, "document.getElementById('sound').textContent");
        check(before === 'Tap for sound', `on a phone, before a tap, the button says that sound waits for one: "${before}"`);
        const point = JSON.parse(await quietly(cdp, `(() => {
            const r = document.getElementById('canvas').getBoundingClientRect();
            return JSON.stringify({x: r.left + r.width * 0.95, y: r.top + r.height * 0.05});
        })()`));
        await cdp.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: [point]});
        await cdp.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: []});
        const running = await quietlyWaitFor(cdp, "window.AL && AL.currentCtx && AL.currentCtx.audioCtx.state === 'running'")
                            .then(() => true, () => false);
        const state = await quietly(cdp, "window.AL && AL.currentCtx ? AL.currentCtx.audioCtx.state : 'none'");
        const starts = await quietly(cdp, 'window.velmoraAudioStarts');
        check(running && starts.some((start) => start.inGesture),
              `a tap on the mouth leaves the audio context running (${state}), made or woken inside the tap's ` +
                  `gesture: ${starts.map((start) => start.what + (start.inGesture ? ' in it' : ' outside it')).join(', ')}`);
        const after = await quietly(cdp, "document.getElementById('sound').textContent");
        check(after === 'Sound: on', `then the button says "${after}"`);
        await cdp.detach();
        await page.close();

        // Another first visit, in a profile of its own: a tap on "Tap for sound" itself.
        const fresh = await browser.createBrowserContext();
        const second = await fresh.newPage();
        second.on('pageerror', (error) => errors.push('page error: ' + error.message));
        await second.setViewport({width: 915, height: 412, deviceScaleFactor: 2.625, isMobile: true, hasTouch: true,
                                  isLandscape: true});
        await second.goto(url, {waitUntil: 'load'});
        await second.waitForFunction(() => document.getElementById('sound').textContent === 'Tap for sound' &&
                                         window.velmoraFirstFrameMs !== undefined, {timeout: startWait});
        await second.tap('#sound');
        const tapped = await second.waitForFunction(() => AL.currentCtx && AL.currentCtx.audioCtx.state === 'running',
                                                    {timeout: 30000}).then(() => true, () => false);
        const shown = await second.evaluate(() => [Module._gameSoundOn(), document.getElementById('sound').textContent,
                                                   localStorage.getItem('velmora.sound')]);
        check(tapped && shown[0] === 1 && shown[1] === 'Sound: on' && shown[2] !== 'off',
              `a first tap on "Tap for sound" starts sound: ${tapped ? 'running' : 'not running'}, "${shown[1]}", ` +
                  `kept ${JSON.stringify(shown[2])}`);
        await fresh.close();
    } finally {
        await context.close();
    }
}

// Sounds that cannot be fetched: the game plays on, and the button says
// there is no sound rather than that it is on.
async function missingSoundsCheck(browser, url, check) {
    const context = await browser.createBrowserContext();
    try {
        const page = await context.newPage();
        await page.setRequestInterception(true);
        page.on('request', (request) => (/\/sounds\.[0-9a-f]{16}\.gz$/.test(request.url()) ? request.abort()
                                                                                           : request.continue()));
        await page.setViewport({width: 1024, height: 840});
        await page.evaluateOnNewDocument(helpSeen);
        await page.goto(url, {waitUntil: 'load'});
        const said = await page.waitForFunction(() => document.getElementById('sound').textContent === 'Sound: none',
                                                {timeout: startWait}).then(() => true, () => false);
        const shown = await page.evaluate(() => [document.getElementById('sound').textContent,
                                                 document.getElementById('sound').title, Module._webFramesRun()]);
        check(said && shown[2] > 0, `sounds that cannot be fetched: the game runs and the button says "${shown[0]}" (${
                                        shown[1]})`);
        await page.close();
    } finally {
        await context.close();
    }
}

async function main() {
    const site = path.resolve(option('--site'));
    const {check, failures} = checker();

    const server = await serve(site);
    const url = `http://127.0.0.1:${server.address().port}/`;
    const {browser, close} = await launchChromium();
    const errors = [];
    try {
        const context = await browser.createBrowserContext();
        await mouseChecks(context, url, check, errors);
        await context.close();
        await rememberedChecks(browser, url, check, errors);
        await touchChecks(browser, url, check, errors);
        await missingSoundsCheck(browser, url, check);
        check(errors.length === 0, 'no page errors' + errors.map((e) => '\n      ' + e).join(''));
    } finally {
        await close();
        server.close();
    }
    if (failures.length) {
        console.log(`${failures.length} sound check(s) failed`);
        process.exit(1);
    }
    console.log('all sound checks passed');
}

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
