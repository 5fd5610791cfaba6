// The browser game's first frame, as a first visitor gets it: each build's
// site served by `python3 -m http.server` (which compresses nothing), each
// visit in a Chromium of its own with a fresh profile and no cache, at full
// speed and through Chromium's network emulation of a slow mobile connection
// (1.6 Mbit/s down, 750 kbit/s up, 150 ms round trip). Prints the median of
// the visits (3 unless --visits N): milliseconds from navigation to the first
// frame, and the bytes received before it, headers included.
//   node bench/web_first_frame.js --driver DIR [--visits N] SITE...
// DIR is a browser tests' driver (tests/web_test_driver.sh); SITE a built site.
'use strict';
const path = require('path');

const slowNetwork = {offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 0.75e6 / 8};

function option(name, fallback) {
    const at = process.argv.indexOf(name);
    if (at < 0) return fallback;
    return process.argv[at + 1];
}

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
}

async function visit(launchChromium, url, throttled) {
    const {browser, close} = await launchChromium();
    try {
        const page = await browser.newPage();
        await page.setViewport({width: 1024, height: 840});
        const cdp = await page.createCDPSession();
        await cdp.send('Network.enable');
        await cdp.send('Network.setCacheDisabled', {cacheDisabled: true});
        if (throttled) await cdp.send('Network.emulateNetworkConditions', slowNetwork);
        await page.goto(url, {waitUntil: 'load', timeout: 120000});
        await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: 120000});
        return await page.evaluate(() => {
            const first = window.velmoraFirstFrameMs;
            let bytes = performance.getEntriesByType('navigation')[0].transferSize;
            for (const entry of performance.getEntriesByType('resource'))
                if (entry.startTime <= first) bytes += entry.transferSize;
            return {ms: first, bytes};
        });
    } finally {
        await close();
    }
}

async function main() {
    const {launchChromium, pythonServer} = require(path.resolve(option('--driver'), 'harness.js'));
    const visits = Number(option('--visits', '3'));
    const sites = process.argv.slice(2).filter((arg, i, all) => !arg.startsWith('--') &&
                                                                !['--driver', '--visits'].includes(all[i - 1]));
    // Visits take turns between the builds, so that a machine that gets
    // busier or quieter meanwhile weighs on every build alike.
    const servers = [];
    try {
        for (const site of sites) servers.push(await pythonServer(site));
        for (const throttled of [false, true]) {
            const runs = sites.map(() => []);
            for (let i = 0; i < visits; ++i)
                for (const [s, server] of servers.entries()) runs[s].push(await visit(launchChromium, server.url, throttled));
            for (const [s, site] of sites.entries())
                console.log(`${site} ${throttled ? '1.6 Mbit/s, 150 ms' : 'full speed'}: first frame ${
                    Math.round(median(runs[s].map((r) => r.ms)))} ms (${runs[s].map((r) => Math.round(r.ms)).join(', ')}), ${
                    median(runs[s].map((r) => r.bytes))} bytes before it`);
        }
    } finally {
        for (const server of servers) server.stop();
    }
}

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
