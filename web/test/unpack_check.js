// Unpacks a pack of the game's files with the page's own code (web/game_files.js)
// into a folder, for web_packed_files_check to hold against the originals; and
// checks that a cut or lying pack is refused with an error, not a hang.
//   node unpack_check.js --files GAME_FILES.js --pack PACK.gz --out DIR
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const {checker, option} = require('./harness');

async function main() {
    const files = require(path.resolve(option('--files')));
    const packed = new Uint8Array(fs.readFileSync(option('--pack')));
    const out = path.resolve(option('--out'));
    const {check, failures} = checker();

    for (const file of files.unpack(await files.inflate(packed, 64 << 20))) {
        fs.mkdirSync(path.join(out, path.dirname(file.name)), {recursive: true});
        fs.writeFileSync(path.join(out, file.name), file.bytes);
    }

    // Damaged packs: cut short, and one whose first entry claims more bytes
    // than the pack holds.
    const cut = await files.inflate(packed.subarray(0, packed.length >> 1), 64 << 20).then(() => 'nothing', (e) => e.message);
    check(cut !== 'nothing', `a pack cut in half is refused: "${cut}"`);
    const inflated = await files.inflate(packed, 64 << 20);
    const text = new TextDecoder('latin1').decode(inflated.subarray(0, 200));
    const firstLine = text.split('\n')[1];
    const [name, form] = firstLine.split(' ');
    const lying = new Uint8Array([...new TextEncoder().encode(`velmora-pack 1\n${name} ${form} 99999999\n`),
                                  ...inflated.subarray(0, 1000)]);
    let said = 'nothing';
    try {
        files.unpack(lying);
    } catch (error) {
        said = error.message;
    }
    check(/damaged pack/.test(said), `a pack whose entry claims more than it holds is refused: "${said}"`);
    // Entries the pack maker never writes: a length empty, in exponent or hex
    // form, a name twice, bytes after the last entry.
    const encoded = (body) => new TextEncoder().encode('velmora-pack 1\n' + body);
    const refusals = {
        'an empty length': 'img/a.tga bytes \n',
        'a length in exponent form': 'img/a.tga bytes 1e0\na',
        'a length in hex': 'img/a.tga bytes 0x1\na',
        'a name twice': 'img/a.tga bytes 1\naimg/a.tga bytes 1\nb',
        'bytes after the last entry': 'img/a.tga bytes 1\naxyz',
    };
    for (const [what, body] of Object.entries(refusals)) {
        let refused = 'nothing';
        try {
            files.unpack(encoded(body));
        } catch (error) {
            refused = error.message;
        }
        check(/damaged pack/.test(refused), `a pack with ${what} is refused: "${refused}"`);
    }
    check(files.unpack(encoded('img/a.tga bytes 1\na')).length === 1, 'a well-made pack of one file unpacks');
    const bomb = await files.inflate(packed, inflated.length >> 1).then(() => 'nothing', (e) => e.message);
    check(/more than/.test(bomb), `inflating stops at its limit: "${bomb}"`);
    // A server that streams without end and without a length: the page
    // stops reading at its bound for any file it fetches.
    const endless = http.createServer((request, response) => {
        response.writeHead(200, {'Content-Type': 'application/octet-stream'});
        const chunk = Buffer.alloc(1 << 20);
        const more = () => {
            while (!response.destroyed && response.write(chunk));
        };
        response.on('drain', more);
        more();
    });
    await new Promise((resolve) => endless.listen(0, '127.0.0.1', resolve));
    const address = `http://127.0.0.1:${endless.address().port}/pictures.gz`;
    let giveUp;
    const endlessSaid = await Promise.race([
        files.fetchBytes(address).then((bytes) => `${bytes.length} bytes`, (e) => e.kind + ': ' + e.message),
        new Promise((resolve) => (giveUp = setTimeout(resolve, 30000, 'still reading after 30 s'))),
    ]);
    clearTimeout(giveUp);
    endless.closeAllConnections();
    endless.close();
    check(/^too-large/.test(endlessSaid), `an endless download is cut off at the page's bound: "${endlessSaid}"`);
    if (failures.length > 0) process.exit(1);
}

main().catch((error) => {
    console.log('FAIL: ' + (error && error.stack ? error.stack : error));
    process.exit(1);
});
