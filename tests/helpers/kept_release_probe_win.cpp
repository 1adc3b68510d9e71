// Writes the kept release over and over, for a test to end it at a random moment:
//   zefra_kept_release_probe PATH EVENT
// Alternates release 1 and release 2 (each with its own digest) through WriteFileAtomically,
// sets the named event after the first write and goes on until it is killed.
#include <windows.h>

#include "install/folder_files_win.h"
#include "platform/error.h"
#include "trust/release_order.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  for (uint64_t n = 0;; ++n) {
    const uint64_t number = 1 + n % 2;
    Sha256Digest digest{};
    digest.fill(static_cast<uint8_t>(number));
    try {
      WriteFileAtomically(argv[1], KeptReleaseText(number, digest));
    } catch (const AppError&) {
      return 1;
    }
    if (n == 0) SetEvent(event);
  }
}
