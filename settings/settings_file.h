// XML_AYARAL: the connection settings from ayar.xml in the program's folder, read by position.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "settings/connection_settings.h"

// The little of an XML parser's node that positional reading needs.
class XmlNode {
 public:
  enum class Kind { kElement, kText, kOther };  // kOther: comment, CDATA, processing instruction...

  virtual ~XmlNode() = default;
  virtual Kind kind() const = 0;
  // An element's character data, all of it concatenated; the data of any other node.
  virtual std::wstring Text() const = 0;
  // Every child node in document order, as the parser gives them.
  virtual std::vector<std::unique_ptr<XmlNode>> ChildNodes() const = 0;
};

class XmlLoader {
 public:
  virtual ~XmlLoader() = default;
  // The root element of the file, or nothing when the file is missing, unreadable or not
  // well-formed. Raises AppError when the parser itself is not available.
  virtual std::unique_ptr<XmlNode> LoadRoot(const std::wstring& path) = 0;
};

// The child nodes that count for a position: all but text of white space only, so that a file
// laid out on many lines reads like the same file on one line, whatever the parser keeps.
std::vector<std::unique_ptr<XmlNode>> CountedChildNodes(const XmlNode& node);

// Defaults first, then programFolder\ayar.xml where it can be read. A missing or malformed file
// is silent; any other failure shows its description in a box and keeps the values read so far.
void XML_AYARAL(const std::wstring& programFolder, ConnectionSettings& settings, XmlLoader& loader) noexcept;
