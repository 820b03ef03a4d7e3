// Exits with the ANSI code page of its process, so tests can see which code
// page a process started with a given environment runs under.
#include <windows.h>

int main() {
    return static_cast<int>(GetACP());
}
