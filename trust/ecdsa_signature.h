// ECDSA P-256 signatures as openssl writes them, in the form that the platform verifies.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

using EcdsaP256Signature = std::array<uint8_t, 64>;

// Decodes the strict DER form (SEQUENCE { INTEGER r, INTEGER s }, minimal lengths and integers,
// nothing after it) into r‖s, each 32 bytes big-endian and left-padded with zeros. Anything else
// is refused with ReleaseRefused.
EcdsaP256Signature EcdsaP256FromDer(std::string_view der);
