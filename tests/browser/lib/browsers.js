// Starts Debian's chromium (Playwright) or firefox-esr (Puppeteer over WebDriver BiDi)
// headless with the extension loaded and the native host manifest pointing at a
// launcher, behind one small interface: newPage(url), evaluate(page, fn, arg),
// closePage(page), close(), and hostManifest, the manifest file (the browsers read it
// on every native connection).
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");

const HOST_NAME = "kestor.bridge";
const FIREFOX_ID = "kestor-bridge@test.invalid";

// The extension as the tests load it: a copy with a key made now (no release allows its
// id: SHA-256 of the public key, 32 hex digits as a to p), a test add-on id and VERSION.
function testCopy(extensionDir, temp) {
  const crypto = require("crypto"), dir = fs.mkdtempSync(path.join(temp, "extension-"));
  fs.cpSync(extensionDir, dir, { recursive: true });
  const manifest = JSON.parse(fs.readFileSync(path.join(dir, "manifest.json"), "utf8"));
  const key = crypto.generateKeyPairSync("rsa", { modulusLength: 2048 }).publicKey.export({ type: "spki", format: "der" });
  Object.assign(manifest, { key: key.toString("base64"), version: fs.readFileSync(path.join(extensionDir, "..", "VERSION"), "utf8").trim() });
  manifest.browser_specific_settings.gecko.id = FIREFOX_ID;
  fs.writeFileSync(path.join(dir, "manifest.json"), JSON.stringify(manifest, null, 2));
  const hex = crypto.createHash("sha256").update(key).digest("hex").slice(0, 32);
  return { dir, id: hex.replace(/[0-9a-f]/g, (c) => String.fromCharCode(97 + parseInt(c, 16))) };
}

function writeHostManifest(dir, launcher, allowed) {
  fs.mkdirSync(dir, { recursive: true });
  const manifest = { name: HOST_NAME, description: "Kestor native host", path: launcher, type: "stdio" };
  Object.assign(manifest, allowed);
  const file = path.join(dir, HOST_NAME + ".json");
  fs.writeFileSync(file, JSON.stringify(manifest, null, 2));
  return file;
}

const CHROMIUM_ARGS = ["--no-sandbox", "--headless=new", "--disable-background-networking",
  "--disable-component-update", "--disable-sync", "--no-first-run"];

async function chromium({ dir: extensionDir, id }, launcher, options) {
  const { chromium: driver } = require("playwright-core");
  const profile = fs.mkdtempSync(path.join(options.temp, "chromium-"));
  const hostManifest = writeHostManifest(path.join(profile, "NativeMessagingHosts"), launcher,
    { allowed_origins: ["chrome-extension://" + id + "/"] });
  const args = CHROMIUM_ARGS.concat(["--disable-extensions-except=" + extensionDir, "--load-extension=" + extensionDir]);
  if (!options.withExtension) args.splice(args.length - 2, 2);
  const context = await driver.launchPersistentContext(profile, {
    executablePath: options.chromium || "/usr/bin/chromium", args: args
  });
  return {
    name: "chromium",
    hostManifest,
    async newPage(url) {
      const page = await context.newPage();
      await page.goto(url);
      return page;
    },
    evaluate: (page, fn, arg) => page.evaluate(fn, arg),
    closePage: (page) => page.close(),
    close: () => context.close()
  };
}

async function firefox(extension, launcher, options) {
  const puppeteer = require("puppeteer-core");
  // Firefox finds host manifests under the user's home only: give it one of its own.
  const home = fs.mkdtempSync(path.join(options.temp, "firefox-home-"));
  const hostManifest = writeHostManifest(path.join(home, ".mozilla", "native-messaging-hosts"), launcher,
    { allowed_extensions: [FIREFOX_ID] });
  const browser = await puppeteer.launch({
    browser: "firefox", executablePath: options.firefox || "/usr/bin/firefox-esr", headless: true,
    env: Object.assign({}, process.env, { HOME: home })
  });
  if (options.withExtension) await browser.installExtension(extension.dir);
  return {
    name: "firefox",
    hostManifest,
    async newPage(url) {
      const page = await browser.newPage();
      await page.goto(url);
      return page;
    },
    evaluate: (page, fn, arg) => page.evaluate(fn, arg),
    closePage: (page) => page.close(),
    close: () => browser.close()
  };
}

function launch(name, extensionDir, launcher, options) {
  const opts = Object.assign({ temp: os.tmpdir(), withExtension: true }, options);
  const extension = testCopy(extensionDir, opts.temp);
  return name === "chromium" ? chromium(extension, launcher, opts) : firefox(extension, launcher, opts);
}

module.exports = { launch };
