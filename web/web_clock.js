// The game's clock in the browser is GLUT's elapsed time (Date.now() since
// glutInit). Setting it moves GLUT's start, so that the next reading is the
// one the game asks for: how a page back in view skips the time it was hidden.
mergeInto(LibraryManager.library, {
  webSetGameClock__deps: ['$GLUT'],
  webSetGameClock: function (ms) {
    GLUT.initTime = Date.now() - ms;
  },
});
