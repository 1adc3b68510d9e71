#include "trust/release_key_win.h"

#include <windows.h>

#include "trust/release_key_id.h"

std::optional<std::string> ReleaseKeyFromResources() {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_RELEASE_KEY), RT_RCDATA);
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  // A key that cannot be read is kept as an empty one: it verifies nothing, so every release is
  // refused, rather than none being checked.
  if (!data) return std::string();
  return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}
