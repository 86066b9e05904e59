// Sky Puzzle: a sliding puzzle of eight sky tiles. It shows what a game needs from the shell: its
// assets served from www (a sprite sheet, sounds, a font), its title as the window's title,
// fullscreen on request, its progress kept in a save, and a way to quit. In the shell it uses
// window.quorvane; in a plain browser it falls back to localStorage and has no Quit button.
"use strict";

const SIZE = 3;
const TILE = 150;
// The gap's moves that shuffle the solved board: the same puzzle every time, always solvable.
const SHUFFLE = "ULULDRDLURULDDRULDRR";

let cells = [];  // cells[position] = tile number (1..8), 0 for the gap
let moves = 0;
let solved = false;
let fullscreen = false;
let secondsBefore = 0;         // of the game in progress, before this session of it
let startedAt = Date.now();
let best = null;               // {moves, seconds} of the best solved game
let savedGame = null;          // the game a Continue would restore

const shell = window.quorvane;

// The progress lives in one save, "progress": a file the player can back up and Steam Auto-Cloud
// can sync when the game runs in the shell.
const progressStore = {
  async load() {
    try {
      const text = shell ? await shell.saves.read("progress")
                         : localStorage.getItem("sky-puzzle-progress");
      return text ? JSON.parse(text) : null;
    } catch (error) {
      return null;
    }
  },
  save(progress) {
    const text = JSON.stringify(progress);
    if (shell) return shell.saves.write("progress", text).catch(() => {});
    try { localStorage.setItem("sky-puzzle-progress", text); } catch (error) {}
    return Promise.resolve();
  },
};

function elapsedSeconds() {
  return Math.round(secondsBefore + (Date.now() - startedAt) / 1000);
}

function saveProgress() {
  const game = solved ? null : { cells: cells, moves: moves, seconds: elapsedSeconds() };
  return progressStore.save({ game: game, best: best });
}

function setFullscreen(on) {
  fullscreen = on;
  if (shell) {
    shell.window.setFullscreen(on).catch(() => {});
  } else if (window.chrome && window.chrome.webview) {
    window.chrome.webview.postMessage(JSON.stringify({ type: "set-fullscreen", fullscreen: on }));
  }
}

function showBest() {
  const text = best ? `Best: ${best.moves} moves in ${Math.floor(best.seconds / 60)}:` +
                      String(best.seconds % 60).padStart(2, "0")
                    : "No best time yet.";
  document.getElementById("best").textContent = text;
}

function gapPosition() {
  return cells.indexOf(0);
}

function neighbours(a, b) {
  const [ra, ca, rb, cb] = [Math.floor(a / SIZE), a % SIZE, Math.floor(b / SIZE), b % SIZE];
  return Math.abs(ra - rb) + Math.abs(ca - cb) === 1;
}

function showTitle() {
  if (solved) document.title = `Sky Puzzle - Solved in ${moves} moves!`;
  else if (moves === 0) document.title = "Sky Puzzle - Level 1";
  else document.title = `Sky Puzzle - Level 1 - ${moves} ${moves === 1 ? "move" : "moves"}`;
  document.getElementById("moves").textContent = moves;
}

function render() {
  const board = document.getElementById("board");
  cells.forEach((tile, position) => {
    if (tile === 0) return;
    const element = board.querySelector(`[data-tile="${tile}"]`);
    element.style.left = `${(position % SIZE) * TILE}px`;
    element.style.top = `${Math.floor(position / SIZE) * TILE}px`;
  });
  document.body.classList.toggle("solved", solved);
}

function slide(position, counted) {
  const gap = gapPosition();
  if (solved || !neighbours(position, gap)) return false;
  [cells[gap], cells[position]] = [cells[position], cells[gap]];
  if (counted) {
    moves++;
    solved = cells.every((tile, i) => tile === (i + 1) % (SIZE * SIZE));
    if (solved) {
      const result = { moves: moves, seconds: elapsedSeconds() };
      if (!best || result.moves < best.moves ||
          (result.moves === best.moves && result.seconds < best.seconds)) best = result;
      showBest();
    }
    savedGame = null;
    document.getElementById("continue").hidden = true;
    saveProgress();
    const sound = document.getElementById("slide");
    sound.currentTime = 0;
    sound.play().catch(() => {});
    render();
    showTitle();
    document.getElementById("status").textContent = solved ? "Solved!" : "Playing.";
  }
  return true;
}

// The arrow keys move the tile on that side of the gap into it.
function slideToward(key) {
  const gap = gapPosition();
  const row = Math.floor(gap / SIZE), column = gap % SIZE;
  const from = { ArrowUp: row < SIZE - 1 ? gap + SIZE : -1, ArrowDown: row > 0 ? gap - SIZE : -1,
                 ArrowLeft: column < SIZE - 1 ? gap + 1 : -1, ArrowRight: column > 0 ? gap - 1 : -1 };
  if (from[key] >= 0) slide(from[key], true);
}

function build() {
  const board = document.getElementById("board");
  cells = [1, 2, 3, 4, 5, 6, 7, 8, 0];
  for (const step of SHUFFLE) {
    const gap = gapPosition();
    const target = { U: gap - SIZE, D: gap + SIZE, L: gap - 1, R: gap + 1 }[step];
    slide(target, false);
  }
  for (let tile = 1; tile < SIZE * SIZE; tile++) {
    const element = document.createElement("div");
    element.className = "tile";
    element.dataset.tile = tile;
    const home = tile - 1;
    element.style.backgroundPosition = `-${(home % SIZE) * TILE}px -${Math.floor(home / SIZE) * TILE}px`;
    const label = document.createElement("span");
    label.textContent = tile;
    element.appendChild(label);
    element.addEventListener("click", () => slide(cells.indexOf(tile), true));
    board.appendChild(element);
  }
  render();
}

// The game left unfinished last time comes back only when the player asks, so every start shows
// Level 1 from the same shuffle.
function continueSavedGame() {
  if (!savedGame) return;
  cells = savedGame.cells.slice();
  moves = savedGame.moves;
  secondsBefore = savedGame.seconds;
  startedAt = Date.now();
  solved = false;
  savedGame = null;
  document.getElementById("continue").hidden = true;
  render();
  showTitle();
  document.getElementById("status").textContent = "Playing.";
}

function validGame(game) {
  return game && Array.isArray(game.cells) && game.cells.length === SIZE * SIZE &&
         [...game.cells].sort().join() === "0,1,2,3,4,5,6,7,8" && Number.isInteger(game.moves) &&
         Number.isFinite(game.seconds);
}

async function loadProgress() {
  const progress = await progressStore.load();
  if (!progress) return;
  if (progress.best && Number.isInteger(progress.best.moves)) best = progress.best;
  if (validGame(progress.game) && progress.game.moves > 0) {
    savedGame = progress.game;
    document.getElementById("continue").hidden = false;
  }
  showBest();
}

document.addEventListener("DOMContentLoaded", () => {
  build();
  document.getElementById("fullscreen").addEventListener("click", () => setFullscreen(true));
  document.getElementById("windowed").addEventListener("click", () => setFullscreen(false));
  document.getElementById("continue").addEventListener("click", continueSavedGame);
  const quit = document.getElementById("quit");
  quit.hidden = !shell;
  // Saves asked for before are written before the shell ends the run.
  quit.addEventListener("click", () => shell.app.quit(0));
  showBest();
  loadProgress();
  document.addEventListener("keydown", (event) => {
    if (event.key === "F11") {
      event.preventDefault();
      setFullscreen(!fullscreen);
    } else if (event.key === "Escape") {
      setFullscreen(false);
    } else if (event.key.startsWith("Arrow")) {
      event.preventDefault();
      slideToward(event.key);
    }
  });
  document.getElementById("theme").play().catch(() => {});
  showTitle();
  document.getElementById("status").textContent = "Ready. Level 1.";
});
