// Everything a page of the app origin expects from its assets; the verdict goes to the title.
import { add, label } from "./lib/math.js";
import { greeting } from "./lib/nested/greet.js";

const failures = [];
const check = (ok, what) => { if (!ok) failures.push(what); };

async function text(path) {
  const response = await fetch(path);
  return [response.status, (await response.text()).trim()];
}

async function run() {
  check(add(2, 3) === 5 && label === "math", "module import");
  check(greeting() === "hello from nested", "nested module import");

  const config = await fetch("data/config.json");
  check(config.headers.get("content-type").startsWith("application/json"), "JSON content type");
  const data = await config.json();
  check(data.level === 3 && data.name === "Sky", "fetch JSON");

  const missing = await fetch("data/missing.json");
  check(missing.status === 404 && !missing.ok, "404 seen as " + missing.status);

  const { instance } = await WebAssembly.instantiateStreaming(fetch("wasm/add.wasm"));
  check(instance.exports.add(20, 22) === 42, "wasm streaming");

  const [spaceStatus, spaceText] = await text("data/my%20file%20name.txt");
  check(spaceStatus === 200 && spaceText === "spaces ok", "name with spaces");
  const [accentStatus, accentText] = await text("data/" + encodeURIComponent("données été.txt"));
  check(accentStatus === 200 && accentText === "accents ok", "non-ASCII name");

  await document.fonts.load('24px "Test Font"');
  const face = [...document.fonts].find((f) => f.family.includes("Test Font"));
  check(face && face.status === "loaded", "stylesheet font " + (face && face.status));

  // Permissions asked through page APIs reach the shell, which grants them.
  const notifications = await Notification.requestPermission();
  check(notifications === "granted", "notifications " + notifications);
  try { await navigator.clipboard.readText(); } catch (e) { /* headless has no focused clipboard */ }

  document.title = failures.length ? "DONE: FAIL " + failures.join("; ") : "DONE: PASS";
}

run().catch((e) => { document.title = "DONE: FAIL exception " + e; });
