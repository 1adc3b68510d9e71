// The check of a signed release list, from its bytes: nothing here knows where they came from.
#pragma once

#include <string_view>

#include "trust/release_order.h"

// The list and its bytes' SHA-256, once the signature (openssl's DER form) is the publicKey's (raw
// P-256 point X‖Y) ECDSA signature of listBytes and the list reads strictly, names compared as
// Windows does. Throws ReleaseRefused with the reason otherwise.
VerifiedRelease VerifyReleaseList(std::string_view listBytes, std::string_view signatureBytes,
                                  std::string_view publicKey);
