#include "maps/xml_fragment.h"

#include <algorithm>
#include <cstring>

#include "maps/map_failure.h"
#include "maps/xml_escape.h"

namespace vezuved::maps {
namespace {

constexpr std::string_view kXmlSpace = "http://www.w3.org/XML/1998/namespace";

bool AllWhite(std::string_view text) {
    return std::all_of(
        text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

}  // namespace

std::string XmlFragment::PrefixOf(std::string_view uri, OpenElement& opening) {
    if (uri == kXmlSpace) return "xml";
    for (auto level = open_.rbegin(); level != open_.rend(); ++level) {
        for (const auto& [declared, prefix] : level->spaces)
            if (declared == uri) return prefix;
    }
    for (const auto& [declared, prefix] : opening.spaces)
        if (declared == uri) return prefix;
    opening.spaces.push_back({std::string(uri), "x" + std::to_string(++prefixes_)});
    return opening.spaces.back().second;
}

void XmlFragment::Open(const XmlName& name, const char** attributes) {
    if (!open_.empty() && !open_.back().children) {
        open_.back().children = true;
        text_ += '>';
    }
    OpenElement opening;
    const bool cleared =
        std::any_of(open_.begin(), open_.end(), [](const OpenElement& o) { return o.noDefault; });
    if (name.space.empty()) {
        // Unprefixed, it would fall into the namespace of the document around it.
        opening.noDefault = !cleared;
        opening.tag = std::string(name.local);
    } else if (!home_.empty() && name.space == home_ && !cleared) {
        opening.tag = std::string(name.local);
    } else {
        opening.tag = PrefixOf(name.space, opening) + ":" + std::string(name.local);
    }
    std::string written;
    for (size_t i = 0; attributes != nullptr && attributes[i] != nullptr; i += 2) {
        std::string_view attribute = attributes[i];
        const size_t cut = attribute.rfind('\x01');
        std::string qualified(attribute.substr(cut == std::string_view::npos ? 0 : cut + 1));
        if (cut != std::string_view::npos)
            qualified = PrefixOf(attribute.substr(0, cut), opening) + ":" + qualified;
        written += " " + qualified + "=\"" + EscapeXml(attributes[i + 1]) + "\"";
    }
    text_ += "<" + opening.tag;
    if (opening.noDefault) text_ += " xmlns=\"\"";
    for (const auto& [uri, prefix] : opening.spaces)
        text_ += " xmlns:" + prefix + "=\"" + EscapeXml(uri) + "\"";
    text_ += written;
    open_.push_back(std::move(opening));
}

void XmlFragment::Close(const XmlName&, std::string_view text) {
    if (open_.empty()) return;
    const OpenElement& closing = open_.back();
    if (!closing.children) text_ += '>';
    if (!closing.children || !AllWhite(text)) text_ += EscapeXml(text);
    text_ += "</" + closing.tag + ">";
    open_.pop_back();
}

bool IsXmlFragment(std::string_view text) {
    const std::string document = "<fragment>" + std::string(text) + "</fragment>";
    size_t offset = 0;
    XmlHandler handler;
    handler.start = [](const XmlName&, const char**) {};
    handler.end = [](const XmlName&, std::string&) {};
    handler.collectText = [] { return false; };
    try {
        StreamXmlFrom(
            [&](char* bytes, size_t size) {
                const size_t given = std::min(size, document.size() - offset);
                std::memcpy(bytes, document.data() + offset, given);
                offset += given;
                return given;
            },
            "extensions",
            handler);
    } catch (const MapFailure&) {
        return false;
    }
    return true;
}

bool IsKeptXml(std::string_view key) {
    key.remove_prefix(std::min(key.size(), key.find(':') + 1));
    for (const char* kept :
         {"link", "copyright", "author-email", "author-link", "extensions", "file-extensions"}) {
        if (key == kept) return true;
    }
    return false;
}

void DropBrokenExtensions(std::vector<PointSet>& sets, const std::string& what, MapWarnings& warnings) {
    size_t dropped = 0;
    for (PointSet& set : sets) {
        for (auto text = set.extras.begin(); text != set.extras.end();) {
            const bool broken = IsKeptXml(text->first) && !IsXmlFragment(text->second);
            dropped += broken ? 1 : 0;
            text = broken ? set.extras.erase(text) : text + 1;
        }
        for (Point& point : set.points) {
            if (!point.extras) continue;
            PointExtras kept = *point.extras;
            const size_t before = dropped;
            for (const auto& [extra, text] : point.extras->values) {
                const GpxPlace place = NamesOf(extra).place;
                if ((place == GpxPlace::Extensions || place == GpxPlace::PointXml) && !IsXmlFragment(text)) {
                    kept.Take(extra);
                    ++dropped;
                }
            }
            if (dropped == before) continue;
            point.extras =
                kept.values.empty() ? nullptr : std::make_shared<const PointExtras>(std::move(kept));
        }
    }
    if (dropped == 0) return;
    const std::string cause =
        std::to_string(dropped) +
        " extensions or link value(s) that are no well-formed XML elements are left out";
    warnings.push_back({what, 0, cause, what + ": " + cause});
}

}  // namespace vezuved::maps
