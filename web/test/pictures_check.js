// The page's first frame is light and its pictures exact: a first visit to the
// site served by `python3 -m http.server` (which compresses nothing) in a
// fresh Chromium receives at most 500,000 bytes before the game's first frame,
// and every picture the game reads is img/'s, pixel for pixel, alpha included:
// each file where the game reads it, and each texture the game made of one,
// read back from WebGL. The brush and the pause sign are drawn after the first
// frame; the brush's texture, made before its picture came, is checked once it
// has, and the pause sign's once the game is paused.
//   node pictures_check.js --site DIR --img IMG_DIR
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const {checker, launchChromium, option, pythonServer} = require('./harness');

const mostBytesBeforeFirstFrame = 500000;

// A Targa file's pixels as RGBA, top row first: types 2 and 10, 24 or 32 bits.
function decodeTarga(data) {
    const idLength = data[0], type = data[2], depth = data[16], topFirst = (data[17] & 32) !== 0;
    const width = data[12] | (data[13] << 8), height = data[14] | (data[15] << 8);
    if ((type !== 2 && type !== 10) || (depth !== 24 && depth !== 32)) throw new Error('a Targa this check does not read');
    const size = depth / 8, count = width * height;
    const stored = Buffer.alloc(count * size);
    let from = 18 + idLength;
    if (type === 2) {
        data.copy(stored, 0, from, from + stored.length);
    } else {
        for (let to = 0; to < stored.length;) {
            const packet = data[from++], n = (packet & 0x7f) + 1;
            for (let i = 0; i < n && to < stored.length; ++i, to += size) {
                data.copy(stored, to, from, from + size);
                if (!(packet & 0x80)) from += size;
            }
            if (packet & 0x80) from += size;
        }
    }
    const rgba = Buffer.alloc(count * 4);
    for (let row = 0; row < height; ++row) {
        const target = topFirst ? row : height - 1 - row;
        for (let x = 0; x < width; ++x) {
            const s = (row * width + x) * size, t = (target * width + x) * 4;
            rgba[t] = stored[s + 2];
            rgba[t + 1] = stored[s + 1];
            rgba[t + 2] = stored[s];
            rgba[t + 3] = size === 4 ? stored[s + 3] : 255;
        }
    }
    return {width, height, rgba};
}

const hash = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');

// In the page: for each name, the SHA-256 of the file where the game reads it,
// decoded by the check's own reader in Node.js (so only its bytes come back),
// and of the game's texture of it read back as RGBA, or null when the game has
// not loaded it.
function gamePictures(names) {
    const gl = Module.ctx;
    return Promise.all(names.map(async (entry) => {
        const name = entry.name;
        const file = Module.FS.analyzePath('/' + name).exists ? Array.from(Module.FS.readFile('/' + name)) : null;
        const id = Module.ccall('webPictureTexture', 'number', ['string'], [name]);
        let texture = null;
        if (id) {
            const framebuffer = gl.createFramebuffer();
            const before = gl.getParameter(gl.FRAMEBUFFER_BINDING);
            gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
            gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, GL.textures[id], 0);
            const pixels = new Uint8Array(entry.width * entry.height * 4);
            gl.readPixels(0, 0, entry.width, entry.height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
            gl.bindFramebuffer(gl.FRAMEBUFFER, before);
            gl.deleteFramebuffer(framebuffer);
            const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', pixels));
            texture = Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
        }
        return {name, file, texture};
    }));
}

async function main() {
    const site = option('--site'), img = option('--img');
    const {check, failures} = checker();
    const pictures = fs.readdirSync(img).filter((n) => n.endsWith('.tga')).sort().map((n) => {
        const decoded = decodeTarga(fs.readFileSync(path.join(img, n)));
        return {name: 'img/' + n, width: decoded.width, height: decoded.height, pixels: hash(decoded.rgba)};
    });
    const server = await pythonServer(site);
    const {browser, close} = await launchChromium();
    try {
        const page = await browser.newPage();
        const errors = [];
        page.on('pageerror', (error) => errors.push('page error: ' + error.message));
        // The game's own lines: a picture drawn after the first frame is
        // waited for quietly, never reported missing.
        const missing = [];
        page.on('console', (message) => {
            if (/not found/.test(message.text())) missing.push(message.text());
        });
        const cdp = await page.createCDPSession();
        await cdp.send('Network.enable');
        await cdp.send('Network.setCacheDisabled', {cacheDisabled: true});
        await page.setViewport({width: 1024, height: 840});
        await page.goto(server.url, {waitUntil: 'load'});
        await page.waitForFunction(() => window.velmoraFirstFrameMs !== undefined, {timeout: 60000});
        const start = await page.evaluate(() => {
            const first = window.velmoraFirstFrameMs;
            let bytes = performance.getEntriesByType('navigation')[0].transferSize;
            for (const entry of performance.getEntriesByType('resource'))
                if (entry.startTime <= first) bytes += entry.transferSize;
            return {ms: Math.round(first), bytes};
        });
        check(start.bytes <= mostBytesBeforeFirstFrame,
              `${start.bytes} bytes received before the first frame (at most ${mostBytesBeforeFirstFrame}), ` +
                  `which came ${start.ms} ms after navigation`);

        // The first frame's pictures, while the help sign of a first visit is up.
        const early = await page.evaluate(gamePictures, pictures);
        // The brush comes after the first frame, into the texture its sprite
        // has held since the start; the pause sign is loaded when first shown.
        await page.waitForFunction(() => Module.ccall('webPictureTexture', 'number', ['string'], ['img/brush.tga']) !== 0 &&
                                         Module.FS.analyzePath('/img/paused.tga').exists, {timeout: 60000});
        await page.keyboard.press('a');
        await page.keyboard.press('p');
        await page.waitForFunction(() => Module._velmoraPaused() === 1 &&
                                         Module.ccall('webPictureTexture', 'number', ['string'], ['img/paused.tga']) !== 0,
                                   {timeout: 60000});
        const late = await page.evaluate(gamePictures, pictures);
        for (const [i, picture] of pictures.entries()) {
            const file = late[i].file ? hash(decodeTarga(Buffer.from(late[i].file)).rgba) : null;
            check(file === picture.pixels, `${picture.name}: the file the game reads holds img/'s pixels (${
                file === null ? 'missing' : file === picture.pixels ? 'the same' : 'different'})`);
        }
        const textured = (states, name) => states.find((s) => s.name === name).texture;
        const shouldHave = {first: ['bg', 'teeth', 'bacteria', 'food', 'drill', 'help'], later: ['brush', 'paused']};
        for (const [when, names] of Object.entries(shouldHave)) {
            for (const short of names) {
                const name = `img/${short}.tga`;
                const texture = textured(when === 'first' ? early : late, name);
                const expected = pictures.find((p) => p.name === name).pixels;
                check(texture === expected, `${name}: the game's texture, read back ${
                    when === 'first' ? 'at the first frame' : 'after it came'}, is img/'s pixels (${
                    texture === null ? 'no texture' : texture === expected ? 'the same' : 'different'})`);
            }
        }
        check(errors.length === 0, 'no page errors' + errors.map((e) => '\n      ' + e).join(''));
        check(missing.length === 0, 'no picture reported missing' + missing.map((m) => '\n      ' + m).join(''));
    } finally {
        await close();
        server.stop();
    }
    if (failures.length > 0) {
        console.log(`${failures.length} check(s) failed`);
        process.exit(1);
    }
    console.log('all checks passed');
}

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
