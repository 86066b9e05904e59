// Writes into the memory the page shared, then tells the page, which reads it from its own view.
onmessage = (event) => {
  Atomics.store(event.data, 0, 4242);
  postMessage("written");
};
