// Where the running executable lives.
#pragma once

#include <string>

// The full path of the running executable, in Unicode (folders such as "Masaüstü" stay intact).
std::wstring ExecutablePath();

// The folder that holds the running executable, without a separator at its end.
std::wstring ProgramFolder();
