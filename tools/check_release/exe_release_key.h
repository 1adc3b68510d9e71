// The release key built into a Windows program, read from its file as Windows' resource loader
// finds it: the RCDATA resource IDR_RELEASE_KEY, whatever its language.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The resource's bytes (the raw point X‖Y for a well-built key); none when the program carries
// no key. Throws std::runtime_error when the bytes are no Windows program (PE) it can read.
std::optional<std::string> ReleaseKeyInProgram(std::string_view program);
