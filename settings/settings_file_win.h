// XML_AYARAL with the system's XML parser (MSXML 3 through COM).
#pragma once

#include <string>

#include "settings/settings_file.h"

// XML_AYARAL with MSXML, initialising COM for its own duration.
void XML_AYARAL(const std::wstring& programFolder, ConnectionSettings& settings) noexcept;
