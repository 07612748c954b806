// The Wine prefix side of the browser tests: the origin policy, the control's own
// answers through cscript, report files, and the prefix's processes.
"use strict";

const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");

const root = path.resolve(__dirname, "..", "..", "..");
const POLICY_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Kestor\\Bridge\\AllowedOrigins";

const windowsPath = (p) => "Z:" + p.replace(/\//g, "\\");

function run(prefix, outFile, program, args) {
  execFileSync("bash", [path.join(root, "scripts", "wine-run.sh"), prefix, "300", outFile, program].concat(args),
    { stdio: "ignore" });
}

// Replaces the allow-list with these origins ("1", "2", ... in order).
function setPolicy(prefix, temp, origins) {
  const lines = ["REGEDIT4", "", "[-" + POLICY_KEY + "]", "", "[" + POLICY_KEY + "]"];
  origins.forEach((origin, i) => lines.push('"' + (i + 1) + '"="' + origin + '"'));
  const file = path.join(temp, "policy.reg");
  fs.writeFileSync(file, lines.join("\r\n") + "\r\n");
  run(prefix, path.join(temp, "regedit.txt"), "regedit", ["/s", windowsPath(file)]);
}

// rows: [{ calls, list }] (list null for none). Returns { rows: [report...], testdata,
// identifier, datetime } as the 64-bit control answers them.
function controlAnswers(prefix, temp, rows) {
  const dir = fs.mkdtempSync(path.join(temp, "control-"));
  const text = rows.map((r) => r.calls + "\t" + (r.list === null ? "\u0001" : r.list)).join("\n");
  fs.writeFileSync(path.join(dir, "rows.txt"), Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(text, "utf16le")]));
  const log = path.join(dir, "cscript.txt");
  run(prefix, log, "C:\\windows\\system32\\cscript.exe",
    ["//nologo", windowsPath(path.join(__dirname, "..", "control_members.js")), windowsPath(path.join(dir, "rows.txt")),
      windowsPath(dir)]);
  if (!fs.readFileSync(log, "latin1").includes("done")) {
    throw new Error("the control's answers stopped early: " + fs.readFileSync(log + ".err", "latin1"));
  }
  const read = (name) => fs.readFileSync(path.join(dir, name)).subarray(2).toString("utf16le");
  return {
    rows: rows.map((r, i) => read("row" + i + ".txt")),
    testdata: read("testdata.txt"),
    identifier: read("identifier.txt"),
    datetime: read("datetime.txt")
  };
}

// The folder the prefix's programs write reports to: %TEMP% of its one user, which
// Wine 8 puts at C:\users\NAME\Temp (Windows at ...\AppData\Local\Temp).
function tempFolder(prefix) {
  const users = path.join(prefix, "drive_c", "users");
  for (const user of fs.readdirSync(users).filter((u) => u !== "Public")) {
    for (const temp of [path.join(users, user, "Temp"), path.join(users, user, "AppData", "Local", "Temp")]) {
      if (fs.existsSync(temp)) return temp;
    }
  }
  throw new Error("no temporary folder in " + prefix);
}

const reportCount = (prefix) => fs.readdirSync(tempFolder(prefix)).filter((n) => /^\{[0-9A-F-]{36}\}$|^[0-9]{7,13}$/.test(n)).length;

// Processes whose environment names this prefix, with their command lines.
function processes(prefix) {
  const found = [];
  for (const pid of fs.readdirSync("/proc")) {
    if (!/^[0-9]+$/.test(pid)) continue;
    try {
      const env = fs.readFileSync("/proc/" + pid + "/environ", "latin1").split("\0");
      if (!env.includes("WINEPREFIX=" + prefix)) continue;
      found.push({ pid: Number(pid), command: fs.readFileSync("/proc/" + pid + "/cmdline", "latin1").replace(/\0/g, " ").trim() });
    } catch (e) {
      // Gone meanwhile, or not ours to read.
    }
  }
  return found;
}

async function waitUntilGone(prefix, seconds) {
  const deadline = Date.now() + seconds * 1000;
  let left = processes(prefix);
  while (left.length > 0 && Date.now() < deadline) {
    await new Promise((r) => setTimeout(r, 250));
    left = processes(prefix);
  }
  return left;
}

module.exports = { setPolicy, controlAnswers, tempFolder, reportCount, processes, waitUntilGone, windowsPath };
