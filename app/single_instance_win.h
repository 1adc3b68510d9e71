// One updater per program folder. Two would both close programs and both write the same
// temporary files, so one could install the body that the other checked.
#pragma once

#include <windows.h>

#include <string>

#include "platform/file_identity_win.h"
#include "platform/scoped_win.h"

// The mutex that the updater of one folder holds: named by the folder's identity, so every
// spelling of the folder (letter case, short name, "." steps) meets, and in the Global
// namespace, so the updaters of two users or sessions on one PC meet too.
std::wstring FolderMutexName(const FileIdentity& folder);

// Claims folder for this process through claim, which must live as long as the process. False
// when another updater holds it: its window has been brought to the front (or, when it is not on
// this desktop, the user has been told), one line is logged, and the caller ends at once.
bool ClaimProgramFolder(const std::wstring& folder, UniqueHandle& claim) noexcept;

// The window of another updater whose executable lies in folder, waiting up to waitMs for it to
// be made; null when there is none on this desktop.
HWND OtherUpdaterWindow(const FileIdentity& folder, DWORD waitMs);
