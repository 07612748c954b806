// Builds the page library into OUT (default dist/page):
//   kestor.js       classic script, the global Kestor (ES5: IE11, the Windows Script Host)
//   kestor.umd.js   the same for CommonJS and AMD loaders, else the global
//   kestor.mjs      ES module: the default export and one named export per member
//   kestor.d.ts, kestor.d.mts   declarations for the two kinds
//   package.json and kestor-<version>.tgz, the package npm pack makes of them
// TypeScript compiles src/ to ES5 in one file; in front of it go the shared vocabulary
// (extension/vocabulary.js) and promise-polyfill for engines without Promise.
//   node build.js [OUT]
"use strict";

const fs = require("fs");
const path = require("path");
const vm = require("vm");
const { execFileSync } = require("child_process");

const here = __dirname;
const root = path.resolve(here, "..");
const out = path.resolve(process.argv[2] || path.join(root, "dist", "page"));
const version = fs.readFileSync(path.join(root, "VERSION"), "utf8").trim();
const read = (...p) => fs.readFileSync(path.join(...p), "utf8");

fs.rmSync(out, { recursive: true, force: true });
const compiled = path.join(out, ".tsc");
execFileSync(process.execPath, [path.join(here, "node_modules", "typescript", "bin", "tsc"), "-p", path.join(here, "tsconfig.json"),
  "--outFile", path.join(compiled, "kestor.js")], { stdio: "inherit" });

// promise-polyfill's CommonJS module, kept out of the global scope; without timers (the
// Windows Script Host) its callbacks run at once. JScript reads no reserved word after a
// dot: p.catch( is written p["catch"](.
const polyfill = "var KestorPromise = typeof Promise !== \"undefined\" ? Promise : (function (module, setTimeout) {\n" +
  read(here, "node_modules", "promise-polyfill", "lib", "index.js").replace(/\.(catch|finally)\(/g, "[\"$1\"](") +
  "\nreturn module.exports;\n" +
  "})({ exports: {} }, typeof setTimeout !== \"undefined\" ? setTimeout : function (task) { task(); });\n";
const body = "var KESTOR_VERSION = " + JSON.stringify(version) + ";\n" + read(root, "extension", "vocabulary.js") + polyfill +
  read(compiled, "kestor.js") + "return Kestor;\n";
const banner = "/*! Kestor page library " + version + " */\n";
const factory = "function () {\n" + body + "}";

// The names the library exports, for the module's named exports.
const context = vm.createContext({});
const Kestor = vm.runInContext("(" + factory + ")()", context);
const values = Object.keys(Kestor);
const declarations = read(compiled, "kestor.d.ts");
const types = Array.from(declarations.matchAll(/^ {4}(?:interface|type) (\w+)/gm), (m) => m[1]);

const files = {
  "kestor.js": banner + "var Kestor = (" + factory + ")();\n",
  "kestor.umd.js": banner + "(function (root, factory) {\n" +
    "  if (typeof define === \"function\" && define.amd) define([], factory);\n" +
    "  else if (typeof module === \"object\" && module.exports) module.exports = factory();\n" +
    "  else root.Kestor = factory();\n" +
    "})(typeof self !== \"undefined\" ? self : this, " + factory + ");\n",
  // Named exports through local names of their own: a module-level "Promise" would
  // hide the engine's from the library's code.
  "kestor.mjs": banner + "const Kestor = (" + factory + ")();\nexport default Kestor;\n" +
    values.map((name) => "const kestor_" + name + " = Kestor." + name + ";\n").join("") +
    "export { " + values.map((name) => "kestor_" + name + " as " + name).join(", ") + " };\n",
  "kestor.d.ts": banner + declarations + "export = Kestor;\nexport as namespace Kestor;\n",
  "kestor.d.mts": banner + declarations + "export default Kestor;\n" +
    values.concat(types).map((name) => "export import " + name + " = Kestor." + name + ";\n").join(""),
  "package.json": JSON.stringify({
    name: "kestor",
    version: version,
    description: "Kestor inventories from web pages: the ActiveX control or the Kestor browser extension, as promises",
    main: "kestor.umd.js",
    module: "kestor.mjs",
    types: "kestor.d.ts",
    exports: {
      ".": {
        import: { types: "./kestor.d.mts", default: "./kestor.mjs" },
        require: { types: "./kestor.d.ts", default: "./kestor.umd.js" }
      },
      "./classic": "./kestor.js",
      "./package.json": "./package.json"
    },
    files: ["kestor.js", "kestor.umd.js", "kestor.mjs", "kestor.d.ts", "kestor.d.mts"]
  }, null, 2) + "\n"
};
for (const [name, text] of Object.entries(files)) fs.writeFileSync(path.join(out, name), text);
fs.rmSync(compiled, { recursive: true, force: true });
execFileSync("npm", ["pack", "--silent", "--pack-destination", out], { cwd: out, stdio: ["ignore", "ignore", "inherit"] });
console.log("page library " + version + " in " + out);
