#include <windows.h>

// Entry point; the start-up sequence is assembled here as the subsystems land.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
