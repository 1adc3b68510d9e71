// The resource that carries the vendor's release key, when the program is built with one
// (cmake/release_key.cmake writes it). Kept apart so a resource script can include it.
#pragma once

#define IDR_RELEASE_KEY 301
