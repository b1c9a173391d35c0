// The Windows backend of StreamXml: Windows' own XML reader, XmlLite, pulls
// the file through a stream of the shell's, piece by piece as expat does on
// other platforms. Names, attributes and texts reach the handler as the
// expat backend gives them (UTF-8; namespaced names as "uri\x01local"), and
// the causes of the failures both readers meet are worded alike, so the
// tool says the same on every platform.
#include "input/xml_stream.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/failure.h"

namespace vezuved_cli {

bool XmlReadingAvailable() { return true; }

namespace {

constexpr char kSeparator = '\x01';
constexpr wchar_t kXmlnsSpace[] = L"http://www.w3.org/2000/xmlns/";

// Releases a COM interface when it goes.
template <typename Interface>
struct ComPtr {
    Interface* p = nullptr;
    ~ComPtr() {
        if (p != nullptr) p->Release();
    }
};

std::string Utf8(const wchar_t* text, UINT length) {
    if (length == 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    return out;
}

// The element's or attribute's name as expat gives it.
std::string QualifiedName(IXmlReader& reader) {
    const wchar_t* space = nullptr;
    const wchar_t* local = nullptr;
    UINT spaceLength = 0, localLength = 0;
    reader.GetNamespaceUri(&space, &spaceLength);
    reader.GetLocalName(&local, &localLength);
    std::string name = Utf8(space, spaceLength);
    if (!name.empty()) name += kSeparator;
    return name + Utf8(local, localLength);
}

XmlName SplitName(const std::string& qualified) {
    const std::string_view name = qualified;
    const size_t cut = name.find(kSeparator);
    if (cut == std::string_view::npos) return {{}, name};
    return {name.substr(0, cut), name.substr(cut + 1)};
}

// The element's attributes, without the namespace declarations (expat
// reports none either).
void ReadAttributes(IXmlReader& reader, std::vector<std::string>& texts) {
    texts.clear();
    for (HRESULT more = reader.MoveToFirstAttribute(); more == S_OK; more = reader.MoveToNextAttribute()) {
        const wchar_t* space = nullptr;
        UINT spaceLength = 0;
        reader.GetNamespaceUri(&space, &spaceLength);
        if (spaceLength > 0 && std::wstring_view(space, spaceLength) == kXmlnsSpace) continue;
        const wchar_t* value = nullptr;
        UINT valueLength = 0;
        reader.GetValue(&value, &valueLength);
        texts.push_back(QualifiedName(reader));
        texts.push_back(Utf8(value, valueLength));
    }
    reader.MoveToElement();
}

// The cause of a failure in expat's words where both readers meet it.
std::string Cause(HRESULT result) {
    switch (static_cast<unsigned long>(result)) {
        case MX_E_INPUTEND: return "no element found";
        case WC_E_ELEMENTMATCH: return "mismatched tag";
        case WC_E_DTDPROHIBITED: return "a document type declaration is not read";
        case MX_E_ENCODING:
        case MX_E_ENCODINGSWITCH:
        case MX_E_ENCODINGSIGNATURE: return "unknown encoding";
        default: break;
    }
    char code[48];
    std::snprintf(code, sizeof code, "not well-formed (XmlLite error 0x%08lX)", static_cast<unsigned long>(result));
    return code;
}

}  // namespace

void StreamXml(const std::string& path, const std::string& what, XmlHandler& handler) {
    const std::string prefix = "cannot read '" + what + "': ";
    ComPtr<IStream> stream;
    if (FAILED(SHCreateStreamOnFileA(path.c_str(), STGM_READ | STGM_SHARE_DENY_NONE, &stream.p)))
        FailConversion(prefix + "the file cannot be opened");
    ComPtr<IXmlReader> owner;
    if (FAILED(CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(&owner.p), nullptr)))
        FailConversion(prefix + "memory ran out");
    IXmlReader& reader = *owner.p;
    // Entities of a document type declaration could multiply a small file
    // without bound; GPS files have none.
    reader.SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    if (FAILED(reader.SetInput(stream.p))) FailConversion(prefix + "the file cannot be read");

    std::string text;
    std::vector<bool> collecting;  // per open element
    std::vector<std::string> names;  // of the open elements
    std::vector<std::string> attributeTexts;
    std::vector<const char*> attributes;
    bool rootSeen = false;
    const auto fail = [&](const std::string& cause) {
        UINT line = 0;
        reader.GetLineNumber(&line);
        FailConversion(prefix + "line " + std::to_string(line == 0 ? 1 : line) + ": " + cause);
    };
    const auto end = [&]() {
        handler.end(SplitName(names.back()), text);
        text.clear();
        names.pop_back();
        collecting.pop_back();
    };

    XmlNodeType type = XmlNodeType_None;
    HRESULT result;
    while ((result = reader.Read(&type)) == S_OK) {
        switch (type) {
            case XmlNodeType_Element: {
                rootSeen = true;
                const bool empty = reader.IsEmptyElement();
                names.push_back(QualifiedName(reader));
                ReadAttributes(reader, attributeTexts);
                attributes.clear();
                for (const std::string& piece : attributeTexts) attributes.push_back(piece.c_str());
                attributes.push_back(nullptr);
                handler.start(SplitName(names.back()), attributes.data());
                collecting.push_back(handler.collectText());
                text.clear();
                if (empty) end();
                break;
            }
            case XmlNodeType_EndElement:
                if (!names.empty()) end();
                break;
            case XmlNodeType_Text:
            case XmlNodeType_CDATA:
            case XmlNodeType_Whitespace:
                if (!collecting.empty() && collecting.back()) {
                    const wchar_t* value = nullptr;
                    UINT length = 0;
                    reader.GetValue(&value, &length);
                    text += Utf8(value, length);
                }
                break;
            default: break;
        }
    }
    if (FAILED(result)) fail(Cause(result));
    // The input ended inside an element, or held none.
    if (!rootSeen || !names.empty()) fail(Cause(MX_E_INPUTEND));
}

}  // namespace vezuved_cli
