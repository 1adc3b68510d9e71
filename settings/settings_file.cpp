#include "settings/settings_file.h"

#include <utility>

#include "platform/error.h"
#include "platform/message_box.h"
#include "settings/number_text.h"

namespace {

using Nodes = std::vector<std::unique_ptr<XmlNode>>;

constexpr int32_t kErrTypeMismatch = 13;
constexpr int32_t kErrNodeMissing = 91;

bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring TrimXmlSpace(std::wstring text) {
  size_t end = text.size();
  while (end > 0 && IsXmlSpace(text[end - 1])) --end;
  size_t start = 0;
  while (start < end && IsXmlSpace(text[start])) ++start;
  return text.substr(start, end - start);
}

// Group `index` of the root: an element, or no nodes at all when the root has no such node.
Nodes Group(const Nodes& root, size_t index) {
  if (index >= root.size()) return {};
  if (root[index]->kind() != XmlNode::Kind::kElement) {
    throw AppError(kErrTypeMismatch,
                   L"ayar.xml: node " + std::to_wstring(index) + L" of the root element is not an element.");
  }
  return CountedChildNodes(*root[index]);
}

std::wstring TextAt(const Nodes& group, size_t groupNumber, size_t index) {
  if (index >= group.size()) {
    throw AppError(kErrNodeMissing, L"ayar.xml: group " + std::to_wstring(groupNumber) + L" has no node " +
                                        std::to_wstring(index) + L".");
  }
  return TrimXmlSpace(group[index]->Text());
}

// Steps 5 to 7 of reading: the values in the order server, port, driver, mode, extra values,
// so that a failure part-way leaves the earlier ones in force.
void ReadByPosition(const XmlNode& root, ConnectionSettings& settings) {
  const Nodes groups = CountedChildNodes(root);
  const Nodes connection = Group(groups, 0);
  const Nodes mode = Group(groups, 1);
  settings.server = TextAt(connection, 1, 0);
  settings.port = TextAt(connection, 1, 1);
  if (connection.size() > 2) settings.driverVersion = TextAt(connection, 1, 2);
  settings.mode = TextAt(mode, 2, 0);
  const auto isTwo = IsNumberTwo(settings.mode);
  if (!isTwo) {
    throw AppError(kErrTypeMismatch, L"ayar.xml: the mode \"" + settings.mode + L"\" is not a number.");
  }
  if (!*isTwo) return;
  for (size_t i = 0; i < settings.extraValues.size(); ++i) settings.extraValues[i] = TextAt(mode, 2, i + 1);
}

}  // namespace

Nodes CountedChildNodes(const XmlNode& node) {
  Nodes counted;
  for (auto& child : node.ChildNodes()) {
    if (child->kind() == XmlNode::Kind::kText && TrimXmlSpace(child->Text()).empty()) continue;
    counted.push_back(std::move(child));
  }
  return counted;
}

void XML_AYARAL(const std::wstring& programFolder, ConnectionSettings& settings, XmlLoader& loader) noexcept {
  SetDefaultSettings(settings);
  try {
    const std::unique_ptr<XmlNode> root = loader.LoadRoot(programFolder + L"\\ayar.xml");
    if (!root) return;
    ReadByPosition(*root, settings);
  } catch (const AppError& error) {
    ShowMessageBox(error.description());
  } catch (const std::exception&) {
    ShowMessageBox(L"ayar.xml could not be read.");
  }
}
