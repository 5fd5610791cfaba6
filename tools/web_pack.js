// Packs the browser game's pictures or sounds into one gzip file that the page
// inflates with DecompressionStream (web/game_files.js reads it back). Targa
// pictures go in uncompressed, each row's bytes stored as their difference from
// the row above or the pixel to the left, whichever deflates smaller: the same
// pixels in about two thirds of the bytes. Anything else goes in as it is.
//   node tools/web_pack.js OUT.gz FILE...     (FILE as the game names it: img/bg.tga)
'use strict';
const fs = require('fs');
const zlib = require('zlib');

// An uncompressed Targa (type 2) with the same header fields and pixels as
// `data`, a type 2 or type 10 truecolour picture; null for any other kind,
// which is then packed unchanged.
function uncompressedTarga(data) {
    if (data.length < 18) return null;
    const idLength = data[0], colorMapType = data[1], type = data[2];
    const width = data.readUInt16LE(12), height = data.readUInt16LE(14), depth = data[16];
    if (colorMapType !== 0 || (type !== 2 && type !== 10) || (depth !== 24 && depth !== 32)) return null;
    const pixelBytes = depth / 8;
    const start = 18 + idLength;
    const size = width * height * pixelBytes;
    const out = Buffer.alloc(start + size);
    data.copy(out, 0, 0, start);
    out[2] = 2;
    if (type === 2) {
        if (data.length < start + size) return null;
        data.copy(out, start, start, start + size);
        return {targa: out, start, pixelBytes, rowBytes: width * pixelBytes};
    }
    // Run-length packets run on across rows: the pixels are one stream.
    let from = start, to = start;
    while (to < out.length) {
        if (from >= data.length) return null;
        const packet = data[from++];
        const count = (packet & 0x7f) + 1;
        if (packet & 0x80) {
            if (from + pixelBytes > data.length) return null;
            for (let i = 0; i < count && to < out.length; ++i, to += pixelBytes) data.copy(out, to, from, from + pixelBytes);
            from += pixelBytes;
        } else {
            const bytes = Math.min(count * pixelBytes, out.length - to);
            if (from + bytes > data.length) return null;
            data.copy(out, to, from, from + bytes);
            to += bytes;
            from += count * pixelBytes;
        }
    }
    return {targa: out, start, pixelBytes, rowBytes: width * pixelBytes};
}

// The picture's pixel bytes less their neighbour `back` bytes before (a row
// above, or a pixel to the left within the row); web/game_files.js adds them back.
function filtered(picture, form) {
    const {targa, start, pixelBytes, rowBytes} = picture;
    const out = Buffer.from(targa);
    for (let i = start; i < targa.length; ++i) {
        const at = i - start;
        const hasNeighbour = form === 'targa-up' ? at >= rowBytes : at % rowBytes >= pixelBytes;
        if (hasNeighbour) out[i] = (targa[i] - targa[i - (form === 'targa-up' ? rowBytes : pixelBytes)]) & 0xff;
    }
    return out;
}

function entryFor(name) {
    const data = fs.readFileSync(name);
    const picture = name.endsWith('.tga') ? uncompressedTarga(data) : null;
    if (!picture) return {name, form: 'bytes', payload: data};
    const choices = ['targa-up', 'targa-sub'].map((form) => ({name, form, payload: filtered(picture, form)}));
    // Judged at a quicker level than the pack's own; the order rarely differs.
    const deflated = (entry) => zlib.gzipSync(entry.payload, {level: 6}).length;
    return deflated(choices[0]) <= deflated(choices[1]) ? choices[0] : choices[1];
}

function main() {
    const [out, ...names] = process.argv.slice(2);
    if (!out || names.length === 0) {
        console.log('usage: node tools/web_pack.js OUT.gz FILE...');
        process.exit(2);
    }
    const parts = [Buffer.from('velmora-pack 1\n')];
    for (const name of names) {
        if (!/^[a-z]+\/[a-z0-9_]+\.[a-z]+$/.test(name)) throw new Error(`${name}: not a name the game reads`);
        const entry = entryFor(name);
        parts.push(Buffer.from(`${entry.name} ${entry.form} ${entry.payload.length}\n`), entry.payload);
    }
    fs.writeFileSync(out, zlib.gzipSync(Buffer.concat(parts), {level: 9}));
}

main();
