#include "messaging/page_api_script.h"

#include "content/app_origin.h"

namespace quorvane {

namespace {

// What the page's scripts could replace (postMessage, JSON.stringify) is captured before they run.
// Ids are strings of our own, so answers to messages the page posts itself never settle ours.
const wchar_t kScript[] =
    LR"JS((() => {
  "use strict";
  if (window !== window.top || location.origin !== ORIGIN) return;
  const webview = window.chrome && window.chrome.webview;
  if (!webview || typeof webview.postMessage !== "function") return;
  const post = webview.postMessage.bind(webview);
  const stringify = JSON.stringify;
  const freeze = Object.freeze;
  const pending = new Map();
  let next = 0;
  const loneSurrogate = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/;
  const failure = (code, message) => {
    const error = new Error(message);
    error.code = code;
    return error;
  };
  webview.addEventListener("message", (event) => {
    const answer = event.data;
    if (answer === null || typeof answer !== "object" || answer.type !== "reply") return;
    const waiting = pending.get(answer.id);
    if (!waiting) return;
    pending.delete(answer.id);
    if (answer.ok === true) {
      waiting.resolve(answer.result);
    } else {
      const error = answer.error || {};
      waiting.reject(failure(error.code, error.message));
    }
  });
  const request = (type, members) => new Promise((resolve, reject) => {
    for (const key of Object.keys(members)) {
      const value = members[key];
      if (typeof value === "string" && loneSurrogate.test(value)) {
        reject(failure("bad-request", "\"" + key + "\" is not valid Unicode (a lone surrogate)"));
        return;
      }
    }
    const id = "quorvane:" + ++next;
    pending.set(id, { resolve, reject });
    try {
      post(stringify(Object.assign({ type: type, id: id }, members)));
    } catch (error) {
      pending.delete(id);
      reject(error);
    }
  });
  // Steam: unavailable (error "steam-unavailable") unless the manifest turns it on and the
  // library starts.
  const steam = freeze({
    status: () => request("steam.status", {}),
    setAchievement: (name) => request("steam.achievement.set", { name: name }),
    clearAchievement: (name) => request("steam.achievement.clear", { name: name }),
    getAchievement: (name) => request("steam.achievement.get", { name: name }),
    indicateProgress: (name, current, max) =>
      request("steam.achievement.progress", { name: name, current: current, max: max }),
    getStat: (name, kind) => request("steam.stat.get", { name: name, kind: kind }),
    setStat: (name, value, kind) =>
      request("steam.stat.set", { name: name, kind: kind, value: value }),
    storeStats: () => request("steam.store", {}),
    setRichPresence: (key, value) =>
      request("steam.rich-presence.set", { key: key, value: value }),
    clearRichPresence: () => request("steam.rich-presence.clear", {}),
    isDlcInstalled: (appId) => request("steam.dlc.installed", { appId: appId }),
  });
  const api = freeze({
    saves: freeze({
      write: (name, text) => request("saves.write", { name: name, text: text }),
      read: (name) => request("saves.read", { name: name }),
      list: () => request("saves.list", {}),
      remove: (name) => request("saves.remove", { name: name }),
    }),
    app: freeze({
      info: () => request("app.info", {}),
      quit: (code) => request("app.quit", code === undefined ? {} : { code: code }),
    }),
    window: freeze({
      getState: () => request("window.get-state", {}),
      setSize: (width, height) => request("window.set-size", { width: width, height: height }),
      setFullscreen: (on) => request("set-fullscreen", { fullscreen: on }),
    }),
    steam: steam,
  });
  Object.defineProperty(window, "quorvane", { value: api, enumerable: true });
})();
)JS";

}  // namespace

std::wstring pageApiScript() {
    std::wstring script = kScript;
    // The origin as location.origin spells it: without the final "/".
    std::wstring origin = appOrigin;
    if (!origin.empty() && origin.back() == L'/')
        origin.pop_back();
    const std::wstring placeholder = L"ORIGIN";
    script.replace(script.find(placeholder), placeholder.size(), L"\"" + origin + L"\"");
    return script;
}

}  // namespace quorvane
