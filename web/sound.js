// The page's sound button: sound on and off, as M does on the desktop. The
// game starts with sound on; the browser lets it be heard from the first
// click, touch or key on the page.
"use strict";
(function () {
  var button = document.getElementById("sound");
  if (!button) return;
  function show() {
    var on = typeof Module !== "undefined" && Module._gameSoundOn && Module._gameSoundOn();
    button.textContent = on ? "Sound: on" : "Sound: off";
    button.setAttribute("aria-pressed", on ? "true" : "false");
  }
  button.addEventListener("click", function () {
    if (typeof Module === "undefined" || !Module._setGameSoundOn) return;
    Module._setGameSoundOn(Module._gameSoundOn() ? 0 : 1);
    show();
  });
  // The player opens inside the page's first gesture, as browsers require of
  // an audio context; a touch counts when the finger lifts.
  function openOnGesture() {
    if (typeof Module === "undefined" || !Module.calledRun || !Module._openGameSound) return;
    Module._openGameSound();
    ["pointerdown", "pointerup", "keydown"].forEach(function (type) {
      window.removeEventListener(type, openOnGesture, true);
    });
  }
  ["pointerdown", "pointerup", "keydown"].forEach(function (type) {
    window.addEventListener(type, openOnGesture, true);
  });
  // The button reads the game once it runs; until then it shows the default.
  var wait = setInterval(function () {
    if (typeof Module !== "undefined" && Module._gameSoundOn && Module.calledRun) {
      clearInterval(wait);
      show();
    }
  }, 250);
})();
