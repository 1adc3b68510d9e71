#include "settings/settings_file_win.h"

#include <windows.h>
// The headers below need the Windows types first.
#include <msxml2.h>

#include <vector>

#include "platform/error.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"

namespace {

// MinGW's msxml2.h gives no __uuidof for these interfaces; its libuuid has the ids instead.
#ifdef _MSC_VER
const IID& kIidDomDocument = __uuidof(IXMLDOMDocument);
const IID& kIidDomNode = __uuidof(IXMLDOMNode);
#else
const IID& kIidDomDocument = IID_IXMLDOMDocument;
const IID& kIidDomNode = IID_IXMLDOMNode;
#endif

std::wstring TakeBstr(BSTR text) {
  UniqueBstr owned(text);
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

class MsxmlNode : public XmlNode {
 public:
  explicit MsxmlNode(ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}

  Kind kind() const override {
    DOMNodeType type = NODE_INVALID;
    CheckHresult(node_->get_nodeType(&type));
    if (type == NODE_ELEMENT) return Kind::kElement;
    return type == NODE_TEXT ? Kind::kText : Kind::kOther;
  }

  std::wstring Text() const override {
    BSTR text = nullptr;
    CheckHresult(node_->get_text(&text));
    return TakeBstr(text);
  }

  std::vector<std::unique_ptr<XmlNode>> ChildNodes() const override {
    ComPtr<IXMLDOMNodeList> list;
    CheckHresult(node_->get_childNodes(list.put()));
    long length = 0;
    CheckHresult(list->get_length(&length));
    std::vector<std::unique_ptr<XmlNode>> children;
    for (long index = 0; index < length; ++index) {
      ComPtr<IXMLDOMNode> child;
      if (list->get_item(index, child.put()) == S_OK && child) {
        children.push_back(std::make_unique<MsxmlNode>(std::move(child)));
      }
    }
    return children;
  }

 private:
  ComPtr<IXMLDOMNode> node_;
};

// One MSXML 3 document per file, loaded synchronously with white space not preserved. COM must
// be initialised on the calling thread while it and its nodes live.
class MsxmlLoader : public XmlLoader {
 public:
  std::unique_ptr<XmlNode> LoadRoot(const std::wstring& path) override {
    ComPtr<IXMLDOMDocument> document = CreateDocument();
    ScopedVariant source;
    source.get()->vt = VT_BSTR;
    source.get()->bstrVal = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
    if (!source.get()->bstrVal) ThrowHresult(E_OUTOFMEMORY);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (document->load(*source.get(), &loaded) != S_OK || loaded != VARIANT_TRUE) return nullptr;
    ComPtr<IXMLDOMElement> root;
    if (document->get_documentElement(root.put()) != S_OK || !root) return nullptr;
    ComPtr<IXMLDOMNode> node;
    CheckHresult(root->QueryInterface(kIidDomNode, node.put_void()));
    return std::make_unique<MsxmlNode>(std::move(node));
  }

 private:
  static ComPtr<IXMLDOMDocument> CreateDocument() {
    CLSID clsid{};
    CheckHresult(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid));
    ComPtr<IXMLDOMDocument> document;
    CheckHresult(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidDomDocument, document.put_void()));
    // Loading must be complete before the nodes are read; white space is dropped here and,
    // whatever the parser keeps, again by the positional rules.
    CheckHresult(document->put_async(VARIANT_FALSE));
    CheckHresult(document->put_preserveWhiteSpace(VARIANT_FALSE));
    return document;
  }
};

}  // namespace

void XML_AYARAL(const std::wstring& programFolder, ConnectionSettings& settings) noexcept {
  ScopedCoInit com;
  MsxmlLoader loader;
  XML_AYARAL(programFolder, settings, loader);
}
