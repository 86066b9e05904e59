#pragma once

namespace quorvane::pack {

// From now on Ctrl-C, Ctrl-Break and closing the console only raise a flag, which the work checks
// between steps: it then undoes what it did and ends with exit code 130. Under Wine a SIGINT sent
// to the process arrives the same way.
void catchInterrupts();

// Throws Interrupted once the flag is up.
void throwIfInterrupted();

}  // namespace quorvane::pack
