// The web address of one update file, and the form in which it is requested.
#pragma once

#include <string>
#include <string_view>

// The base address without its closing slashes, "/", then the name as it comes.
std::wstring URL_OLUSTUR(std::wstring baseUrl, std::wstring name);

// The address as it goes on the wire and into the log: every space as "%20", every '#' as "%23",
// every '\' before the query as '/' (as browsers send an http(s) address), nothing else changed.
std::wstring RequestAddress(std::wstring_view url);
