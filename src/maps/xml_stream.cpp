#include "maps/xml_stream.h"

#include <exception>
#include <fstream>
#include <vector>

#include "maps/map_failure.h"
#include "maps/map_file_path.h"

#if defined(VEZUVED_HAVE_EXPAT)
#include <expat.h>
#endif

namespace vezuved::maps {

#if !defined(VEZUVED_HAVE_XMLLITE)  // that backend says so itself
bool XmlReadingAvailable() {
#if defined(VEZUVED_HAVE_EXPAT)
    return true;
#else
    return false;
#endif
}
#endif

const char* AttributeValue(const char** attributes, std::string_view local) {
    for (size_t i = 0; attributes != nullptr && attributes[i] != nullptr; i += 2) {
        std::string_view name = attributes[i];
        // Namespaced attributes come as "uri<separator>local".
        if (const size_t cut = name.rfind('\x01'); cut != std::string_view::npos) name.remove_prefix(cut + 1);
        if (name == local) return attributes[i + 1];
    }
    return nullptr;
}

#if defined(VEZUVED_HAVE_EXPAT)
namespace {

constexpr char kSeparator = '\x01';
constexpr size_t kChunk = 64 * 1024;

XmlName SplitName(const char* qualified) {
    const std::string_view name = qualified;
    const size_t cut = name.find(kSeparator);
    if (cut == std::string_view::npos) return {{}, name};
    return {name.substr(0, cut), name.substr(cut + 1)};
}

struct Session {
    XML_Parser parser = nullptr;
    XmlHandler* handler = nullptr;
    std::string what;  // names the file in messages
    std::string text;
    std::vector<bool> collecting;  // per open element
    // A handler's exception cannot pass through expat's C frames: it is
    // kept, the parser stopped, and the exception raised again after.
    std::exception_ptr failure;
};

void Stop(Session& session) {
    session.failure = std::current_exception();
    XML_StopParser(session.parser, XML_FALSE);
}

void OnStart(void* data, const char* name, const char** attributes) {
    auto& session = *static_cast<Session*>(data);
    if (session.failure) return;
    try {
        session.handler->line = XML_GetCurrentLineNumber(session.parser);
        session.handler->start(SplitName(name), attributes);
        session.collecting.push_back(session.handler->collectText());
        session.text.clear();
    } catch (...) {
        Stop(session);
    }
}

void OnEnd(void* data, const char* name) {
    auto& session = *static_cast<Session*>(data);
    if (session.failure) return;
    try {
        session.handler->line = XML_GetCurrentLineNumber(session.parser);
        session.handler->end(SplitName(name), session.text);
        session.text.clear();
        if (!session.collecting.empty()) session.collecting.pop_back();
    } catch (...) {
        Stop(session);
    }
}

void OnText(void* data, const char* bytes, int length) {
    auto& session = *static_cast<Session*>(data);
    if (session.failure || session.collecting.empty() || !session.collecting.back()) return;
    if (session.text.size() + static_cast<size_t>(length) > LongestText()) {
        try {
            FailMap("cannot read '" + session.what + "': line " +
                    std::to_string(XML_GetCurrentLineNumber(session.parser)) + ": " + TooLongText());
        } catch (...) {
            Stop(session);
        }
        return;
    }
    session.text.append(bytes, length);
}

// Owns the parser.
struct Parser {
    XML_Parser parser = XML_ParserCreateNS(nullptr, kSeparator);
    ~Parser() {
        if (parser != nullptr) XML_ParserFree(parser);
    }
};

}  // namespace

void StreamXml(const std::string& path, const std::string& what, XmlHandler& handler) {
    std::ifstream file(MapFilePath(path), std::ios::binary);
    if (!file) FailMap("cannot read '" + what + "': the file cannot be opened");
    StreamXmlFrom(
        [&](char* bytes, size_t size) {
            file.read(bytes, static_cast<std::streamsize>(size));
            if (file.bad()) FailMap("cannot read '" + what + "': the file cannot be read to its end");
            return static_cast<size_t>(file.gcount());
        },
        what,
        handler);
}

void StreamXmlFrom(const std::function<size_t(char* bytes, size_t size)>& read,
                   const std::string& what,
                   XmlHandler& handler) {
    Parser owner;
    if (owner.parser == nullptr) FailMap("cannot read '" + what + "': memory ran out");
    Session session;
    session.parser = owner.parser;
    session.handler = &handler;
    session.what = what;
    XML_SetUserData(owner.parser, &session);
    XML_SetElementHandler(owner.parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(owner.parser, OnText);
    std::vector<char> buffer(kChunk);
    bool last = false;
    while (!last) {
        const size_t got = read(buffer.data(), buffer.size());
        last = got == 0;
        const XML_Status status = XML_Parse(owner.parser, buffer.data(), static_cast<int>(got), last);
        if (session.failure) std::rethrow_exception(session.failure);
        if (status != XML_STATUS_OK) {
            FailMap("cannot read '" + what + "': line " +
                    std::to_string(XML_GetCurrentLineNumber(owner.parser)) + ": " +
                    XML_ErrorString(XML_GetErrorCode(owner.parser)));
        }
    }
}

#elif !defined(VEZUVED_HAVE_XMLLITE)

void StreamXml(const std::string&, const std::string&, XmlHandler&) {
    FailMap("reading GPX and KML needs a build with expat");
}

void StreamXmlFrom(const std::function<size_t(char*, size_t)>&, const std::string&, XmlHandler&) {
    FailMap("reading GPX and KML needs a build with expat");
}

#endif

}  // namespace vezuved::maps
