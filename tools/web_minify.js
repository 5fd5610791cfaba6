// Minifies the page's JavaScript with terser (Debian's node-terser): names
// inside functions shortened and dead code dropped, while every name the page
// and the game's code reach each other by (Module, its fields, the exported
// functions) stays as it is.
//   node tools/web_minify.js OUT.js IN.js...   (the inputs joined, in order)
'use strict';
const fs = require('fs');
const {minify} = require('terser');

async function main() {
    const [out, ...inputs] = process.argv.slice(2);
    if (!out || inputs.length === 0) {
        console.log('usage: node tools/web_minify.js OUT.js IN.js...');
        process.exit(2);
    }
    const source = inputs.map((name) => fs.readFileSync(name, 'utf8')).join('\n');
    const result = await minify(source, {compress: true, mangle: true, toplevel: false});
    fs.writeFileSync(out, result.code);
}

main().catch((error) => {
    console.log(`tools/web_minify.js: ${error.message}`);
    process.exit(1);
});
