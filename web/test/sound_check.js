// The browser build's sound, in headless Chromium under its ordinary autoplay
// rule: the game opens its OpenAL player at the first press, a drag of food
// onto a tooth leaves the page's audio context running with sounds started, and the page's sound button
// turns sound off and on. Exits non-zero on a fault.
//   node sound_check.js --site DIR
'use strict';
const path = require('path');
const {checker, launchChromium, option, serve} = require('./harness');

async function main() {
    const site = path.resolve(option('--site'));
    const {check, failures} = checker();

    const server = await serve(site);
    const {browser, close} = await launchChromium();
    try {
        const page = await browser.newPage();
        const pageErrors = [];
        page.on('pageerror', (error) => pageErrors.push('page error: ' + error.message));
        page.on('console', (message) => {
            if (message.type() === 'error') pageErrors.push('console error: ' + message.text());
        });
        await page.setViewport({width: 1024, height: 840});
        await page.goto(`http://127.0.0.1:${server.address().port}/`, {waitUntil: 'load'});
        // Generous: the build starts in a few seconds on a quiet machine.
        await page.waitForFunction(() => window.Module && Module.calledRun && Module._gameSoundPlayerOpen, {timeout: 90000});
        // Browsers let an audio context play only from a gesture on: none is made before.
        check(await page.evaluate(() => Module._gameSoundPlayerOpen() === 0 && !window.AL.currentCtx),
              'the sound player waits for the first gesture');

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
        check(await page.evaluate(() => Module._gameSoundPlayerOpen() === 1), 'the first press opened the sound player');
        const heard = await page
            .waitForFunction(() => AL.currentCtx && AL.currentCtx.audioCtx.state === 'running' &&
                                 Module._gameSoundsStarted() >= 3, {timeout: 30000})
            .then(() => true, () => false);
        const state = await page.evaluate(() => [AL.currentCtx ? AL.currentCtx.audioCtx.state : 'none',
                                                 Module._gameSoundsStarted()]);
        check(heard, `the audio context is ${state[0]} and the game started ${state[1]} sounds after the drag`);

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
        check(pageErrors.length === 0, 'no page errors' + pageErrors.map((e) => '\n      ' + e).join(''));
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
