// Recordings on the page. The game records every game in memory; the "Save
// recording" button downloads it as a .rec file that velmora --play and
// velmora-replay read. The page's address chooses the rest:
//   ?play=URL     watch the recording at URL instead of playing
//   &speed=X      that many times as fast (0: as fast as the machine goes)
//   &draw=0       watch without drawing (for tests: the trace is all they read)
//   ?trace=1      keep the game's trace, bacteria included, for velmoraTakeTrace()
"use strict";
var velmoraRecording = (function () {
  var query = new URLSearchParams(window.location.search);
  var game = null;

  // The largest recording the page watches: it holds a watched recording
  // whole in its memory, as it holds its own, and its own stops at the same
  // size (web/web_recording.cpp). The desktop game and velmora-replay read a
  // recording of any length as it plays. A recording's fetch that sends
  // nothing for stallMs, or is not done after totalMs, is given up with a
  // message.
  var largestRecording = 32 * 1048576;
  var stallMs = 15000;
  var totalMs = 300000;

  // Why a recording was not watched, in the page's words.
  function fetchFault(address, error) {
    if (error.kind === "too-large") return "The recording " + address + " is not watched: " + error.message + ".";
    return "The recording " + address + " could not be fetched: " + error.message + ".";
  }

  // Called by the page with its Module, before velmora.js is loaded: turns the
  // address into the game's arguments and fetches a recording to watch.
  function prepare(Module) {
    game = Module;
    var args = [];
    if (query.get("trace") === "1") args.push("--trace");
    var play = query.get("play");
    if (play) {
      // Named after the address, so that what the game says about it is clear.
      var last = play.split(/[?#]/)[0].split("/").pop().replace(/[^A-Za-z0-9._-]/g, "_");
      var watchedFile = "/" + (last || "recording.rec");
      args.push("--play", watchedFile);
      if (query.has("speed")) args.push("--speed", query.get("speed"));
      if (query.get("draw") === "0") args.push("--no-draw");
      // Fetched at once, beside the game's own files.
      var arriving = velmoraFiles.fetchBytes(play, {limit: largestRecording, stallMs: stallMs, totalMs: totalMs});
      // A recording that did not come leaves the game unstarted, and says why.
      arriving.catch(function (error) {
        var text = fetchFault(play, error);
        console.log(text);
        showMessage(text);
      });
      Module.preRun = (Module.preRun || []).concat([function () {
        Module.addRunDependency("watched recording");
        arriving.then(function (bytes) {
          Module.FS.writeFile(watchedFile, bytes);
          Module.removeRunDependency("watched recording");
        }, function () {});
      }]);
    }
    Module.arguments = args;
  }

  // The game's functions answer once its runtime has started main.
  function started() { return !!(game && game.calledRun); }

  function recordingText() { return started() ? game.UTF8ToString(game._velmoraRecordingText()) : ""; }

  function fileName() {
    var now = new Date();
    var two = function (n) { return (n < 10 ? "0" : "") + n; };
    return "velmora-" + now.getFullYear() + two(now.getMonth() + 1) + two(now.getDate()) + "-" +
      two(now.getHours()) + two(now.getMinutes()) + two(now.getSeconds()) + ".rec";
  }

  function save() {
    if (!started()) return;
    var url = URL.createObjectURL(new Blob([recordingText()], {type: "text/plain"}));
    var link = document.createElement("a");
    link.href = url;
    link.download = fileName();
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
  }

  var button = document.getElementById("save-recording");
  // A watched game is not recorded again: the recording is already a file.
  if (button && query.get("play")) button.disabled = true;
  else if (button) button.addEventListener("click", save);

  return {
    prepare: prepare,
    save: save,
    recordingText: recordingText,
    // The trace lines since the last call; "" when there are none.
    takeTrace: function () { return started() ? game.UTF8ToString(game._velmoraTakeTrace()) : ""; },
    watchEnded: function () { return started() && game._velmoraWatchEnded() !== 0; }
  };
})();
