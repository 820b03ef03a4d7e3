// Writing the tools' UTF-8 texts to standard output and standard error. On
// Windows a console gets them as UTF-16 through the console API, so that
// Japanese shows whatever the console's code page; a pipe or file gets the
// UTF-8 bytes as they are.
#pragma once

#include <string_view>

namespace brisel::tools {

void WriteOut(std::string_view utf8);
void WriteErr(std::string_view utf8);

// True when the program's console window is its own and closes when it
// ends: on Windows, when the console holds this process alone (started
// from Explorer, not from a command prompt) and the input is that console.
// Always false elsewhere.
bool OwnsConsoleWindow();

// Waits until a key is pressed in the program's console.
void WaitForKey();

} // namespace brisel::tools
