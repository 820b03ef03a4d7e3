// The installer's entry point.
#include "app/Application.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return brisel::RunApplication(instance, showCommand);
}
