#include "sets/record_fitting.h"

#include "sets/encoding.h"

namespace vezuved::maps {
namespace {

// How the warning names a character: the invisible ones by name.
std::string Shown(char32_t character) {
    switch (character) {
        case '\t':
            return "TAB";
        case '\n':
            return "LF";
        case '\r':
            return "CR";
        case 0:
            return "NUL";
        default:
            return "'" + Utf8Character(character) + "'";
    }
}

void Note(char32_t character, FittingReport& report, bool& changed) {
    changed = true;
    const std::string shown = Shown(character);
    // Each character once: names are separated by spaces, none holds one.
    const std::string spaced = " " + report.characters + " ";
    if (spaced.find(" " + shown + " ") == std::string::npos) {
        report.characters += (report.characters.empty() ? "" : " ") + shown;
    }
}

// What the field cannot hold as it is: blanked (true) or dropped ('"').
bool Blanked(char32_t c, RecordUse use, RecordField field) {
    // A NUL would end the record's text there, and what follows it with it.
    if (c == '\n' || c == '\r' || c == 0) return true;
    // A database line splits at these everywhere; a definition's writer
    // quotes them in a name or description but not in a symbol.
    const bool separators = use == RecordUse::Database || field == RecordField::Icon;
    return separators && (c == ',' || c == '*' || c == '\t');
}

}  // namespace

std::string FitRecordText(std::string_view utf8,
                          RecordUse use,
                          RecordField field,
                          size_t room,
                          FittingReport& report,
                          RecordEncoding encoding) {
    std::string out;
    out.reserve(utf8.size());
    bool changed = false;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        const size_t length = ReadUtf8Character(utf8, i, c);
        if (length == 0) {
            // No UTF-8 here: the byte as it is (the readers checked the text).
            out += utf8[i++];
            continue;
        }
        i += length;
        if (c == '"') {
            Note(c, report, changed);
        } else if (Blanked(c, use, field)) {
            Note(c, report, changed);
            out += ' ';
        } else if (encoding == RecordEncoding::Utf8) {
            out.append(utf8.substr(i - length, length));
        } else if (const char byte = Cp1252Byte(c); byte != '\0') {
            out += byte;
        } else {
            Note(c, report, changed);
            out += '?';
        }
    }
    if (changed) ++report.replaced;
    if (room > 0 && out.size() > room) {
        // UTF-8 is cut before a character, never inside one.
        size_t end = room;
        while (encoding == RecordEncoding::Utf8 && end > 0 &&
               (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80)
            --end;
        out.resize(end);
        ++report.cut;
    }
    return out;
}

std::string FittingWarning(const std::string& target, const FittingReport& report) {
    if (report.replaced == 0 && report.cut == 0) return "";
    std::string text = "vezuved: warning: '" + target + "': text fitted to the record: ";
    if (report.replaced > 0) {
        text += std::to_string(report.replaced) + " field(s) had characters replaced or dropped (" +
                report.characters + ")";
    }
    if (report.cut > 0) {
        text += std::string(report.replaced > 0 ? ", " : "") + std::to_string(report.cut) +
                " field(s) cut to " + std::to_string(kNameRoom) + " characters";
    }
    return text + "\n";
}

}  // namespace vezuved::maps
