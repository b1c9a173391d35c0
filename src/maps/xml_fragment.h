// Elements of a namespace the tool has no fields for (a GPX <extensions>
// child other than Garmin's TrackPointExtension), written again as they
// were read: each is a piece of XML that declares the namespaces it uses,
// so it reads the same wherever it is put.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "maps/map_warning.h"
#include "maps/xml_stream.h"
#include "sets/points.h"

namespace vezuved::maps {

class XmlFragment {
public:
    // Elements of home, the namespace of the documents the fragment goes
    // into (GPX 1.1's), are written without a prefix.
    explicit XmlFragment(std::string_view home = {}) : home_(home) {}
    // An element read; attributes as the XML reader gives them.
    void Open(const XmlName& name, const char** attributes);
    // Its end, with its own text (a parent's, when only white space, is left
    // out as layout).
    void Close(const XmlName& name, std::string_view text);
    // Whether every element opened is closed again.
    bool Closed() const { return open_.empty(); }
    // The XML gathered, leaving the fragment empty.
    std::string Take() {
        prefixes_ = 0;
        return std::exchange(text_, std::string());
    }

private:
    struct OpenElement {
        std::string tag;                                          // as written: "x1:Name"
        std::vector<std::pair<std::string, std::string>> spaces;  // declared here: URI and prefix
        bool noDefault = false;                                   // declares xmlns=""
        bool children = false;
    };
    // The prefix of uri in scope, declaring it on the element being opened
    // when none is.
    std::string PrefixOf(std::string_view uri, OpenElement& opening);

    std::string home_;
    std::string text_;
    std::vector<OpenElement> open_;
    size_t prefixes_ = 0;
};

// Whether text is a sequence of elements, well-formed and with every prefix
// declared, as a fragment is written: a value that came through another
// format is checked before it is written as XML.
bool IsXmlFragment(std::string_view text);

// Whether a set's text of that key ("link", "metadata:copyright", ...) is
// GPX kept as XML, not text.
bool IsKeptXml(std::string_view key);

// Extensions that came through another format (KML, GeoJSON) and are no
// such XML are left out of the sets, their count said once for the file.
void DropBrokenExtensions(std::vector<PointSet>& sets, const std::string& what, MapWarnings& warnings);

}  // namespace vezuved::maps
