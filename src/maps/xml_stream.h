// Reads an XML file piece by piece (64 KiB at a time) and hands each
// element's start, text and end to a handler, so a file of any size is read
// without holding it whole. Element names come as their namespace and local
// name apart.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "maps/map_source.h"
#include "maps/read_caps.h"

namespace vezuved::maps {

struct XmlName {
    std::string_view space;  // the namespace URI, empty when none
    std::string_view local;
};

struct XmlHandler {
    // attributes: the expat list, name and value alternating, ending in null
    std::function<void(const XmlName& name, const char** attributes)> start;
    // text: the element's own character data when the handler asked for it
    std::function<void(const XmlName& name, std::string& text)> end;
    // Whether the element just started wants its character data collected.
    std::function<bool()> collectText;
    // The line of the file the element just started or ended is on, set
    // before each call; 0 where the reader cannot tell.
    size_t line = 0;
};

// Reads the file at path; what names it in messages. A file that is no
// well-formed XML fails with "cannot read 'what': line L: <cause>".
// A handler stops the reading by throwing, which is passed on whole.
void StreamXml(const std::string& path, const std::string& what, XmlHandler& handler);

// Reads XML from a source other than a file: read fills up to size bytes
// and returns how many it gave, 0 at the end (a failure throws).
void StreamXmlFrom(const std::function<size_t(char* bytes, size_t size)>& read,
                   const std::string& what,
                   XmlHandler& handler);

// Reads the XML of a map source: a file on disk as StreamXml does, other
// bytes as StreamXmlFrom.
inline void StreamXmlSource(MapSource& source, XmlHandler& handler) {
    if (!source.plainPath().empty()) return StreamXml(source.plainPath(), source.what(), handler);
    StreamXmlFrom(
        [&source](char* bytes, size_t size) { return source.Read(bytes, size); }, source.what(), handler);
}

// Streams to a reader of elements: its Start(name, attributes, line),
// End(name, text) and CollectText(), through stream (StreamXmlSource, or a
// KMZ's own).
template <typename Reader, typename Stream>
void StreamElements(Reader& reader, Stream&& stream) {
    XmlHandler handler;
    handler.start = [&](const XmlName& name, const char** attributes) {
        reader.Start(name, attributes, handler.line);
    };
    handler.end = [&](const XmlName& name, std::string& text) { reader.End(name, text); };
    handler.collectText = [&] { return reader.CollectText(); };
    stream(handler);
}

// The value of the attribute with the given local name, or null.
const char* AttributeValue(const char** attributes, std::string_view local);

// Whether this build has an XML reader at all.
bool XmlReadingAvailable();

}  // namespace vezuved::maps
