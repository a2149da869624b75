// The test page's hooks (index-test.html, never installed): how often the
// canvas was drawn, when first and last, and what a test needs to do to the
// program from outside.
"use strict";

FractalsPage.test = {
  presents: 0,
  firstPresent: 0,
  lastPresent: 0,
  // How often the canvas was drawn over the pixel at spot.
  spot: [0, 0],
  spotPresents: 0,
  // Runtime error number, raised on the program thread at its next pause.
  raiseRunError(number) {
    return Module._fractals_raise_run_error(number) !== 0;
  },
  // A trap of the given kind on the program thread (0 an integer
  // division by zero; runtime/fault_handler_web.cpp has them all).
  trap(kind) {
    return Module._fractals_force_trap(kind) !== 0;
  },
  // The program stopped in its pause between two frames (holdProgram,
  // then programHeld) and the window idle with all of it shown: the
  // canvas holds one whole frame until releaseProgram.
  holdProgram() {
    return Module._fractals_hold_program() !== 0;
  },
  programHeld() {
    return Module._fractals_program_held() !== 0;
  },
  windowIdle() {
    return Module._fractals_web_window_idle() !== 0;
  },
  releaseProgram() {
    Module._fractals_release_program();
  },
  // Repaint from the memory image, as an uncovered window is.
  repaint(left, top, right, bottom) {
    Module._fractals_web_repaint(left, top, right, bottom);
  },
};

FractalsPage.onPresent = function (left, top, right, bottom) {
  const test = FractalsPage.test;
  const now = performance.now();
  if (test.presents++ === 0) test.firstPresent = now;
  test.lastPresent = now;
  if (left <= test.spot[0] && test.spot[0] < right && top <= test.spot[1] && test.spot[1] < bottom) {
    ++test.spotPresents;
  }
};
