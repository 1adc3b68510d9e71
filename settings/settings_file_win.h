// XML_AYARAL with the system's XML parser (MSXML 3 through COM).
#pragma once

#include <memory>
#include <string>

#include "settings/settings_file.h"

// A loader that creates one MSXML 3 document per file, loading synchronously with white space
// not preserved. COM must be initialised on the calling thread while it and its nodes live.
std::unique_ptr<XmlLoader> CreateMsxmlLoader();

// XML_AYARAL with MSXML, initialising COM for its own duration.
void XML_AYARAL(const std::wstring& programFolder, ConnectionSettings& settings) noexcept;
