// Part of the module's own script (linked with --pre-js), so it runs in every
// worker too: what a worker reports when one of the program's threads dies
// (a trap, with the places in the code) also reaches the page, through the
// page's printErr.
if (typeof Module !== "undefined" && Module["ENVIRONMENT_IS_PTHREAD"]) {
  Module["printErr"] = function (text) {
    console.error(text);
    postMessage({cmd: "printErr", text: String(text), threadId: 0});
  };
}
