// Sky Puzzle: a tiny page that exercises the shell. Messages to the shell are JSON texts posted as
// strings; the shell switches its window in and out of fullscreen.
"use strict";

function postToShell(message) {
  if (window.chrome && window.chrome.webview) {
    window.chrome.webview.postMessage(JSON.stringify(message));
  }
}

function setFullscreen(on) {
  postToShell({ type: "set-fullscreen", fullscreen: on });
}

function drawBoard(canvas) {
  const ctx = canvas.getContext("2d");
  const cell = 40;
  for (let y = 0; y < canvas.height / cell; y++) {
    for (let x = 0; x < canvas.width / cell; x++) {
      ctx.fillStyle = (x + y) % 2 ? "#3d7be0" : "#5a9cff";
      ctx.fillRect(x * cell + 2, y * cell + 2, cell - 4, cell - 4);
    }
  }
}

document.addEventListener("DOMContentLoaded", () => {
  drawBoard(document.getElementById("board"));
  document.getElementById("fullscreen").addEventListener("click", () => setFullscreen(true));
  document.getElementById("windowed").addEventListener("click", () => setFullscreen(false));
  document.addEventListener("keydown", (event) => {
    if (event.key === "F11") setFullscreen(!document.body.classList.toggle("full"));
    if (event.key === "Escape") setFullscreen(false);
  });
  const theme = document.getElementById("theme");
  theme.play().catch(() => {});
  document.title = "Sky Puzzle - Level 1";
  document.getElementById("status").textContent = "Ready. Level 1.";
});
