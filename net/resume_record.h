// The record kept beside a partly downloaded file, so that a later press of the start button
// continues it through If-Range rather than starting over.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "net/response.h"

// The record's text: which address the part came from and how to continue it, in UTF-8.
std::string ResumeRecordText(std::wstring_view address, const ResumePoint& point);

// The point the record gives for this address; none for a record of another address, one torn
// or written by anything else.
std::optional<ResumePoint> ParseResumeRecord(std::string_view text, std::wstring_view address);
