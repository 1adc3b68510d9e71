// The vendor's release key, built into the program as a resource when it is built with one.
#pragma once

#include <optional>
#include <string>

// The raw point X‖Y of the P-256 public key; none when the program was built without a key.
std::optional<std::string> ReleaseKeyFromResources();
