#include "tools/engine-runtime/page_script.h"

namespace quorvane::engine {

namespace {

const char kScript[] = R"JS((function () {
  const send = globalThis[BINDING];
  if (typeof send !== "function") return;
  try { delete globalThis[BINDING]; } catch (e) {}
  const webview = new EventTarget();
  const waiting = new Map();
  let next = 0;
  Object.defineProperty(globalThis, REPLIES, {
    value: function (id, kind, data) {
      if (kind === "m") {
        const event = new MessageEvent("message", { data: data });
        webview.dispatchEvent(event);
        return;
      }
      const done = waiting.get(id);
      waiting.delete(id);
      if (done) done();
    }
  });
  webview.postMessage = function (message) {
    if (typeof message === "string") send("s" + message);
    else send("j" + JSON.stringify(message));
  };
  if (!window.chrome) window.chrome = {};
  window.chrome.webview = webview;
  if (window === window.top) {
    let last = null;
    const report = function () {
      const title = document.title;
      if (title !== last) { last = title; send("t" + title); }
    };
    new MutationObserver(report).observe(document,
        { subtree: true, childList: true, characterData: true });
    window.close = function () { send("c"); };
    document.addEventListener("fullscreenchange", function () {
      send("f" + (document.fullscreenElement ? "1" : "0"));
    });
  }
  const ask = function (kind) {
    return new Promise(function (resolve) {
      const id = ++next;
      waiting.set(id, resolve);
      const gesture = navigator.userActivation && navigator.userActivation.isActive ? 1 : 0;
      send("p" + kind + ":" + id + ":" + gesture);
    });
  };
  if (window.Notification && Notification.requestPermission) {
    const original = Notification.requestPermission.bind(Notification);
    Notification.requestPermission = function (callback) {
      const result = ask("notifications").then(function () { return original(); });
      if (typeof callback === "function") result.then(callback);
      return result;
    };
  }
  const clipboard = navigator.clipboard;
  if (clipboard && clipboard.readText) {
    const readText = clipboard.readText.bind(clipboard);
    clipboard.readText = function () {
      return ask("clipboard-read").then(function () { return readText(); });
    };
    if (clipboard.read) {
      const read = clipboard.read.bind(clipboard);
      clipboard.read = function () {
        return ask("clipboard-read").then(function () { return read(); });
      };
    }
  }
})();
)JS";

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

std::string pageScript(const std::string& binding, const std::string& replies) {
    std::string script = kScript;
    replaceAll(script, "BINDING", "\"" + binding + "\"");
    replaceAll(script, "REPLIES", "\"" + replies + "\"");
    return script;
}

}  // namespace quorvane::engine
