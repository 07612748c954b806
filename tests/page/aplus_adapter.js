// The Promise the ES5 build bundles, as an engine without Promise gets it, for the
// Promises/A+ suite: PAGE_BUILD names the built library's folder. The context takes
// this realm's TypeError: the suite checks a self-resolution's reason with instanceof.
"use strict";

const vm = require("vm");
const context = vm.createContext({ setTimeout, clearTimeout, TypeError });
vm.runInContext("delete this.Promise;", context);
vm.runInContext(require("fs").readFileSync(require("path").join(process.env.PAGE_BUILD, "kestor.js"), "utf8"), context);
if (vm.runInContext("typeof Promise", context) !== "undefined") throw new Error("not the bundled Promise");
const P = context.Kestor.Promise;

module.exports = {
  resolved: (value) => P.resolve(value),
  rejected: (reason) => P.reject(reason),
  deferred() {
    const d = {};
    d.promise = new P((resolve, reject) => Object.assign(d, { resolve, reject }));
    return d;
  }
};
