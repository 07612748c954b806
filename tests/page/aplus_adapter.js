// The Promise the ES5 build bundles, as an engine without Promise gets it, for the
// Promises/A+ suite: PAGE_BUILD names the built library's folder.
"use strict";

const fs = require("fs");
const path = require("path");
const vm = require("vm");

// This realm's TypeError: the suite checks the kind of a self-resolution's reason with instanceof.
const context = vm.createContext({ setTimeout, clearTimeout, TypeError });
vm.runInContext("delete this.Promise;", context);
vm.runInContext(fs.readFileSync(path.join(process.env.PAGE_BUILD, "kestor.js"), "utf8"), context);
const P = context.Kestor.Promise;
if (P === undefined || vm.runInContext("typeof Promise", context) !== "undefined") throw new Error("not the bundled Promise");

module.exports = {
  resolved: (value) => P.resolve(value),
  rejected: (reason) => P.reject(reason),
  deferred() {
    const d = {};
    d.promise = new P((resolve, reject) => { d.resolve = resolve; d.reject = reject; });
    return d;
  }
};
