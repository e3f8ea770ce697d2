// Windows entry point. Start-up and the chooser arrive with the application object.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
