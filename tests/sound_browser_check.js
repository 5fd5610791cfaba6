// The browser plays the desktop's mix: the page's sound is tapped where
// emscripten's OpenAL hands it to the speakers and measured as the desktop's
// tests measure OpenAL Soft's file (K-weighted loudness of 100 ms windows,
// both channels). The bed under the first bacteria and the pops of a fed
// tooth must each come within 1.5 dB of the levels given, which are the
// desktop's as sound_mix_test prints them. Exits non-zero on a fault.
//   node sound_browser_check.js --site DIR --bed LUFS --pop LUFS
'use strict';
const path = require('path');
const {checker, launchChromium, option, serve} = require('./harness');

const allowedDb = 1.5;

// BS.1770's K-weighting for any rate, as tests/sound_measures.cpp makes it.
function kWeighting(rate) {
    const shelf = (() => {
        const f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const k = Math.tan(Math.PI * f0 / rate);
        const vh = Math.pow(10, gainDb / 20), vb = Math.pow(vh, 0.4996667741545416);
        const a0 = 1 + k / q + k * k;
        return [(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0];
    })();
    const high = (() => {
        const f0 = 38.13547087602444, q = 0.5003270373238773;
        const k = Math.tan(Math.PI * f0 / rate);
        const a0 = 1 + k / q + k * k;
        return [1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0];
    })();
    return (samples) => {
        let out = samples;
        for (const [b0, b1, b2, a1, a2] of [shelf, high]) {
            const y = new Float64Array(out.length);
            let x1 = 0, x2 = 0, y1 = 0, y2 = 0;
            for (let i = 0; i < out.length; ++i) {
                y[i] = b0 * out[i] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
                x2 = x1, x1 = out[i], y2 = y1, y1 = y[i];
            }
            out = y;
        }
        return out;
    };
}

// Loudness of each 100 ms window, stepped by 5 ms, over both channels.
function shortLoudness(left, right, rate) {
    const weigh = kWeighting(rate);
    const l = weigh(left), r = weigh(right);
    const window = Math.round(0.1 * rate), step = Math.round(0.005 * rate);
    const total = new Float64Array(l.length + 1);
    for (let i = 0; i < l.length; ++i) total[i + 1] = total[i] + l[i] * l[i] + r[i] * r[i];
    const levels = [];
    for (let at = 0; at + window <= l.length; at += step)
        levels.push(-0.691 + 10 * Math.log10((total[at + window] - total[at]) / window + 1e-30));
    return levels;
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function main() {
    const site = path.resolve(option('--site'));
    const expectedBed = Number(option('--bed')), expectedPop = Number(option('--pop'));
    const {check, failures} = checker();
    const server = await serve(site);
    const {browser, close} = await launchChromium();
    try {
        const page = await browser.newPage();
        await page.setViewport({width: 1024, height: 840});
        await page.goto(`http://127.0.0.1:${server.address().port}/`, {waitUntil: 'load'});
        await page.waitForFunction(() => window.Module && Module.calledRun && Module._gameSoundPlayerOpen,
                                   {timeout: 90000});
        const box = await page.evaluate(() => {
            const r = document.getElementById('canvas').getBoundingClientRect();
            return {left: r.left, top: r.top, width: r.width, height: r.height};
        });
        const toPage = (x, y) => [box.left + (x * box.width) / 800, box.top + (y * box.height) / 600];
        // A click on the empty gum below the teeth opens the player; the bed
        // of the first bacteria plays alone.
        await page.mouse.click(...toPage(400, 580));
        await page.waitForFunction(() => Module._gameSoundPlayerOpen() === 1 && AL.currentCtx &&
                                         AL.currentCtx.audioCtx.state === 'running', {timeout: 30000});
        // Everything OpenAL plays meets at its context's gain node: a tap
        // there hears what the speakers would, and adds nothing to them.
        await page.evaluate(() => {
            const ctx = AL.currentCtx.audioCtx;
            const tap = ctx.createScriptProcessor(4096, 2, 2);
            window.heard = {rate: ctx.sampleRate, left: [], right: []};
            tap.onaudioprocess = (e) => {
                heard.left.push(Array.from(e.inputBuffer.getChannelData(0)));
                heard.right.push(Array.from(e.inputBuffer.getChannelData(1)));
            };
            AL.currentCtx.gain.connect(tap);
            tap.connect(ctx.destination);
            window.tapped = tap;
        });
        const seconds = () => page.evaluate(() => heard.left.length * 4096 / heard.rate);
        const waitHeard = async (more) => {
            const from = await seconds();
            await page.waitForFunction((until) => heard.left.length * 4096 / heard.rate >= until, {timeout: 60000},
                                       from + more);
        };
        await waitHeard(3);
        const bedEnd = await seconds();
        // Food onto the first tooth: four births a second, each with its pop.
        await page.mouse.move(...toPage(325, 50));
        await page.mouse.down();
        await page.mouse.move(...toPage(200, 130), {steps: 8});
        await page.mouse.move(...toPage(93, 218), {steps: 8});
        await page.mouse.up();
        await waitHeard(8);
        const {rate, left, right} = await page.evaluate(() => ({rate: heard.rate, left: heard.left.flat(),
                                                                  right: heard.right.flat()}));
        const levels = shortLoudness(left, right, rate);
        const at = (t) => Math.round(t / 0.005);
        // The bed: the middle of its three seconds.
        const bed = median(levels.slice(at(0.5), at(bedEnd - 0.5)));
        // The pops: the loudest window of each, once the plop is over.
        const pops = [];
        const after = levels.slice(at(bedEnd + 1.5));
        for (let i = 10; i + 10 < after.length; ++i) {
            const around = after.slice(i - 10, i + 11);
            if (after[i] === Math.max(...around) && after[i] > bed + 6) pops.push(after[i]);
        }
        const pop = median(pops);
        console.log(`heard at ${rate} Hz: the bed ${bed.toFixed(1)} LUFS (the desktop's ${expectedBed}), ` +
                    `${pops.length} pops at ${pop.toFixed(1)} (the desktop's ${expectedPop})`);
        check(Math.abs(bed - expectedBed) <= allowedDb, 'the bed as loud as on the desktop');
        check(pops.length >= 10, 'the pops of a fed tooth heard');
        check(Math.abs(pop - expectedPop) <= allowedDb, 'the pops as loud as on the desktop');
    } finally {
        await close();
        server.close();
    }
    if (failures.length) {
        console.log(`${failures.length} sound check(s) failed`);
        process.exit(1);
    }
    console.log('the browser plays the desktop\'s mix');
}

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
