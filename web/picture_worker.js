// A worker of the page that draws some of the game's pictures with the
// picture generator's code (web/web_picture_drawing.cpp), so that the page's
// own thread stays free while the mouth is drawn. tools/web.sh puts emscripten's
// code for the generator after this file. The page sends the compiled
// generator and what to draw, in order: a picture's name (each comes back as
// the bytes of its Targa file, {name: "img/teeth.tga", bytes}), or a band of
// the mouth's rows, {band: "bg.tga", top, bottom} (coming back as those rows'
// pixels as a Targa file holds them, {band: "img/bg.tga", top, bottom, bytes});
// a failure comes back as {failed: message}.
'use strict';
var pictureQueue = [];
var generatorReady = false;
var receiveGenerator = null;

function drawQueued() {
  while (generatorReady && pictureQueue.length > 0) {
    var name = pictureQueue.shift();
    try {
      if (name.band) {
        var at = Module._drawBackgroundBand(name.top, name.bottom);
        if (!at) throw new Error(name.band + " could not be drawn in bands");
        var rows = Module.HEAPU8.slice(at, at + Module._bandBytes());
        postMessage({band: 'img/' + name.band, top: name.top, bottom: name.bottom, bytes: rows}, [rows.buffer]);
        continue;
      }
      if (!Module.ccall('drawGamePicture', 'number', ['string'], [name])) throw new Error(name + " could not be drawn");
      var bytes = Module.FS.readFile('/img/' + name);
      Module.FS.unlink('/img/' + name);
      postMessage({name: 'img/' + name, bytes: bytes}, [bytes.buffer]);
    } catch (error) {
      postMessage({failed: error && error.message ? error.message : String(error)});
    }
  }
}

var Module = {
  // The generator arrives compiled from the page, which has fetched it once
  // for all its workers.
  instantiateWasm: function (imports, receive) {
    receiveGenerator = function (compiled) {
      WebAssembly.instantiate(compiled, imports).then(function (instance) { receive(instance, compiled); },
                                                        function (error) { postMessage({failed: String(error)}); });
    };
    return {};
  },
  onRuntimeInitialized: function () {
    Module.FS.mkdir('/img');
    generatorReady = true;
    drawQueued();
  },
  print: function (text) { postMessage({line: text}); },
  printErr: function (text) { postMessage({line: text}); }
};

onmessage = function (event) {
  if (event.data.generator && receiveGenerator) receiveGenerator(event.data.generator);
  if (event.data.pictures) pictureQueue = pictureQueue.concat(event.data.pictures);
  drawQueued();
};
