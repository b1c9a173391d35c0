// The Windows backend of StreamXml: Windows' own XML reader, XmlLite, pulls
// the file through a stream of the shell's, piece by piece as expat does on
// other platforms. Names, attributes and texts reach the handler as the
// expat backend gives them (UTF-8; namespaced names as "uri\x01local"), and
// the causes of the failures both readers meet are worded alike, so the
// tool says the same on every platform.
#include "maps/xml_stream.h"

#include <objidl.h>
#include <shlwapi.h>
#include <windows.h>
#include <xmllite.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "maps/map_failure.h"
#include "platform/path_encoding.h"

namespace vezuved::maps {

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
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
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
        case MX_E_INPUTEND:
            return "no element found";
        case WC_E_ELEMENTMATCH:
            return "mismatched tag";
        case WC_E_DTDPROHIBITED:
            return "a document type declaration is not read";
        case MX_E_ENCODING:
        case MX_E_ENCODINGSWITCH:
        case MX_E_ENCODINGSIGNATURE:
            return "unknown encoding";
        default:
            break;
    }
    char code[48];
    std::snprintf(
        code, sizeof code, "not well-formed (XmlLite error 0x%08lX)", static_cast<unsigned long>(result));
    return code;
}

// Reads the document of stream, handing its elements to handler.
void StreamXmlOf(IStream* stream, const std::string& what, XmlHandler& handler) {
    const std::string prefix = "cannot read '" + what + "': ";
    ComPtr<IXmlReader> owner;
    if (FAILED(CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(&owner.p), nullptr)))
        FailMap(prefix + "memory ran out");
    IXmlReader& reader = *owner.p;
    // Entities of a document type declaration could multiply a small file
    // without bound; GPS files have none.
    reader.SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    if (FAILED(reader.SetInput(stream))) FailMap(prefix + "the file cannot be read");

    // An open element: its name as expat gives it, where its start tag is,
    // and whether its text is collected.
    struct Open {
        std::string name;
        UINT line, position;
        bool collecting;
    };
    std::vector<Open> open;
    std::string text;
    std::vector<std::string> attributeTexts;
    std::vector<const char*> attributes;
    bool rootSeen = false;
    UINT lastLine = 1;  // where the input read so far ends
    const auto fail = [&](const std::string& cause, UINT line) {
        FailMap(prefix + "line " + std::to_string(line == 0 ? 1 : line) + ": " + cause);
    };
    const auto end = [&]() {
        handler.line = lastLine;
        handler.end(SplitName(open.back().name), text);
        text.clear();
        open.pop_back();
    };

    XmlNodeType type = XmlNodeType_None;
    HRESULT result;
    while ((result = reader.Read(&type)) == S_OK) {
        UINT line = 0, position = 0;
        reader.GetLineNumber(&line);
        reader.GetLinePosition(&position);
        switch (type) {
            case XmlNodeType_Element: {
                rootSeen = true;
                lastLine = line;
                const bool empty = reader.IsEmptyElement();
                open.push_back({QualifiedName(reader), line, position, false});
                ReadAttributes(reader, attributeTexts);
                attributes.clear();
                for (const std::string& piece : attributeTexts) attributes.push_back(piece.c_str());
                attributes.push_back(nullptr);
                handler.line = line;
                handler.start(SplitName(open.back().name), attributes.data());
                open.back().collecting = handler.collectText();
                text.clear();
                if (empty) end();
                break;
            }
            case XmlNodeType_EndElement:
                if (open.empty()) break;
                // Wine's XmlLite closes what is still open when the input
                // ends, with end elements that stand where their start tags
                // do; Windows' fails with MX_E_INPUTEND. Either way the
                // document is cut short.
                if (line == open.back().line && position == open.back().position)
                    fail(Cause(MX_E_INPUTEND), lastLine);
                lastLine = line;
                end();
                break;
            case XmlNodeType_Text:
            case XmlNodeType_CDATA:
            case XmlNodeType_Whitespace: {
                const wchar_t* value = nullptr;
                UINT length = 0;
                reader.GetValue(&value, &length);
                lastLine = line + static_cast<UINT>(std::count(value, value + length, L'\n'));
                if (!open.empty() && open.back().collecting) {
                    text += Utf8(value, length);
                    if (text.size() > LongestText()) fail(TooLongText(), line);
                }
                break;
            }
            default:
                lastLine = line;
                break;
        }
    }
    if (FAILED(result)) {
        UINT line = 0;
        reader.GetLineNumber(&line);
        fail(Cause(result), line);
    }
    // The input ended inside an element, or held none.
    if (!rootSeen || !open.empty()) fail(Cause(MX_E_INPUTEND), lastLine);
}

}  // namespace

void StreamXml(const std::string& path, const std::string& what, XmlHandler& handler) {
    // Map files are named by the core and the tool, in UTF-8.
    std::wstring wide;
    ComPtr<IStream> stream;
    if (!WidePathOf(path.c_str(), PathEncoding::Utf8, wide) ||
        FAILED(SHCreateStreamOnFileW(wide.c_str(), STGM_READ | STGM_SHARE_DENY_NONE, &stream.p)))
        FailMap("cannot read '" + what + "': the file cannot be opened");
    StreamXmlOf(stream.p, what, handler);
}

void StreamXmlFrom(const std::function<size_t(char* bytes, size_t size)>& read,
                   const std::string& what,
                   XmlHandler& handler) {
    // XmlLite reads a stream; the bytes are gathered into one in memory.
    std::string bytes;
    std::vector<char> piece(64 * 1024);
    for (size_t got; (got = read(piece.data(), piece.size())) != 0;) bytes.append(piece.data(), got);
    if (bytes.size() > UINT_MAX) FailMap("cannot read '" + what + "': it is larger than 4 GiB");
    ComPtr<IStream> stream;
    stream.p =
        SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    if (stream.p == nullptr) FailMap("cannot read '" + what + "': memory ran out");
    StreamXmlOf(stream.p, what, handler);
}

}  // namespace vezuved::maps
