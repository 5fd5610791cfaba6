// The page's sound: its on/off button (kept between visits), and the game's
// player started on a gesture the browser counts. A finger's press is not one
// (its lift is), and a browser may hold an audio context back even then, so
// every later click, lift or key tries again until the context runs; until
// it does, the button says that sound waits for one, and a press of it (or M)
// only starts the sound. Off and on glide over a few milliseconds, not a click.
"use strict";
var velmoraSound = (function () {
  var button = document.getElementById("sound");
  var storageKey = "velmora.sound";
  var gameReady = false;
  var filesReady = false;
  var unavailable = "";  // why nothing can be heard, once that is known
  var gestured = false;
  var watchedContext = null;
  // Whether the press under way (a pointer's or a key's) found sound waiting
  // for a gesture: its click then only starts sound, even if the context came
  // to run between the press and the click.
  var pressFoundWaiting = false;
  // Off to on, or on to off, in this long a glide: a step would click.
  var switchSeconds = 0.015;

  // The setting kept from the last visit: "on" or "off"; anything else is
  // said once and sound is on.
  function remembered() {
    var value = null;
    try {
      value = window.localStorage.getItem(storageKey);
    } catch (error) {
      return true;  // storage switched off: nothing was kept
    }
    if (value === null || value === "on") return true;
    if (value === "off") return false;
    console.log("The kept sound setting " + JSON.stringify(value.slice(0, 40)) +
                " is neither \"on\" nor \"off\": sound is on");
    return true;
  }
  var wanted = remembered();

  function remember() {
    try {
      window.localStorage.setItem(storageKey, wanted ? "on" : "off");
    } catch (error) {
      // Not kept; the button still works for this visit.
    }
  }

  // emscripten's OpenAL keeps its audio context in AL once the player opens.
  function audioContext() {
    return typeof AL !== "undefined" && AL.currentCtx ? AL.currentCtx.audioCtx : null;
  }

  function running() {
    var context = audioContext();
    return !!context && context.state === "running";
  }

  // Sound is wanted and could be heard, but the browser has not let it start.
  function waiting() { return wanted && !unavailable && !running(); }

  // emscripten's OpenAL sets the listener's gain in one step, heard as a
  // click when sound goes off or on: on this page the step becomes a glide.
  // The gain reads back as the value last asked for.
  function glideListenerGain() {
    var param = AL.currentCtx.gain.gain;
    var context = AL.currentCtx.audioCtx;
    var target = param.value;
    Object.defineProperty(param, "value", {
      configurable: true,
      get: function () { return target; },
      set: function (value) {
        target = value;
        var now = context.currentTime;
        if (param.cancelAndHoldAtTime) {
          param.cancelAndHoldAtTime(now);
        } else {
          var current = Object.getOwnPropertyDescriptor(AudioParam.prototype, "value").get.call(param);
          param.cancelScheduledValues(now);
          param.setValueAtTime(current, now);
        }
        param.linearRampToValueAtTime(value, now + switchSeconds);
      }
    });
  }

  var waitingText = navigator.maxTouchPoints > 0 ? "Tap for sound" : "Click for sound";
  var labels = ["Sound: on", "Sound: off", "Sound: none", waitingText];

  // The button keeps the width of its longest label, so that a label that
  // changes during a press never moves the buttons from under the pointer.
  function reserveWidth() {
    var widest = 0;
    labels.forEach(function (label) {
      button.textContent = label;
      widest = Math.max(widest, button.offsetWidth);
    });
    if (widest > 0) button.style.minWidth = widest + "px";
  }

  function show() {
    if (!button) return;
    var context = audioContext();
    if (context && context !== watchedContext) {
      watchedContext = context;
      context.addEventListener("statechange", show);
      glideListenerGain();
    }
    var text = "Sound: on";
    if (!wanted) text = "Sound: off";
    else if (unavailable) text = "Sound: none";
    else if (!context || context.state !== "running") text = waitingText;
    button.textContent = text;
    button.title = unavailable || "Sound off or on (M)";
    button.setAttribute("aria-pressed", wanted ? "true" : "false");
  }

  // Opens the player once the game runs and its sounds are in, and wakes a
  // held audio context. Inside a gesture, or after one (the browser then lets
  // a new context run).
  function start() {
    if (gameReady && filesReady && gestured && !unavailable) {
      if (!Module._gameSoundPlayerOpen()) {
        Module._openGameSound();
        if (!Module._gameSoundPlayerOpen()) unavailable = "The browser gave the game no audio device";
      }
      var context = audioContext();
      if (context && context.state !== "running") context.resume().then(show, show);
    }
    show();
  }

  function onGesture(event) {
    if (event.type === "pointerdown" || (event.type === "keydown" && !event.repeat)) pressFoundWaiting = waiting();
    // M while sound waits starts it, and the game does not see the key: it
    // would turn sound off.
    if (event.type === "keydown" && (event.key === "m" || event.key === "M") && waiting()) {
      event.stopImmediatePropagation();
      event.preventDefault();
    }
    // A finger's or pen's press does not count; its lift does.
    if (event.type === "pointerdown" && event.pointerType !== "mouse") return;
    if (event.type === "keydown" && event.key === "Escape") return;
    gestured = true;
    if (!running()) start();
  }
  // Registered before the page's own touch handling, which stops touches
  // there, and before the game's keys.
  ["pointerdown", "pointerup", "touchend", "click", "keydown"].forEach(function (type) {
    window.addEventListener(type, onGesture, true);
  });
  // A press's click, wherever it landed, ends what the press found.
  window.addEventListener("click", function () { pressFoundWaiting = false; });

  if (button) {
    button.addEventListener("click", function () {
      if (pressFoundWaiting || waiting()) return;  // the gesture has started sound already
      wanted = !wanted;
      remember();
      if (gameReady) Module._setGameSoundOn(wanted ? 1 : 0);
      show();
    });
    reserveWidth();
  }
  show();

  return {
    // The page's calls: the game runs; its sounds are in FS; or they will not come.
    gameStarted: function () {
      gameReady = true;
      Module._setGameSoundOn(wanted ? 1 : 0);
      start();
    },
    filesArrived: function () {
      filesReady = true;
      start();
    },
    filesMissing: function () {
      unavailable = "The game's sounds could not be loaded";
      show();
    },
    // The game's own key (M) turned sound off or on: the button and the kept
    // setting follow it.
    gameSwitched: function () {
      wanted = Module._gameSoundOn() === 1;
      remember();
      show();
    }
  };
})();
