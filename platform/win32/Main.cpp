// calvora.exe: the process start-up runs the main dialog.
#include "dialog/MainDialog.h"
#include "platform/win32/Win32Toolkit.h"

// The start-up values (instance, command line, show state) are not used: the
// program reads no arguments and always shows its dialog the same way.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { RunProgramProcess(RunMainDialog); }
