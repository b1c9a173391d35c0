#include "conversion/core_text.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <sstream>

#include <vezuved/vezuved.h>

#include "files/failure.h"
#include "files/tool_paths.h"
#include "values/numbers.h"

namespace vezuved_cli {
namespace {

// The core's sentence for a text that failed, in the tool's words.
std::string ToolMessage(const std::string& message, const std::string& path, size_t leftOut) {
    const std::string quoted = "cannot read '" + path + "'";
    if (message == quoted + ": it is empty") return "cannot read the text file '" + path + "': it is empty";
    if (message.rfind(quoted + " as UTF-8: ", 0) == 0)
        return message + "; --encoding cp1252 reads it as Windows-1252";
    if (message.rfind(quoted + ": no line holds a point", 0) == 0 && leftOut > 0) {
        return quoted + ": all " + std::to_string(leftOut) +
               " line(s) that hold a point were refused (above); nothing is written";
    }
    return message;
}

}  // namespace

vezuved_text_options CoreTextOptions(const TextOptions& options) {
    vezuved_text_options text;
    vezuved_text_options_init(&text);
    if (options.layout) text.layout = *options.layout;
    if (options.kind) {
        // A datum is no set a text is read as; the core reads an older
        // layout's track or route as a track or route.
        if (*options.kind != VEZUVED_KIND_DATUM) text.kind = *options.kind;
    }
    if (options.elevationFormat) text.elevation_format = *options.elevationFormat;
    if (options.columns) {
        text.has_columns = 1;
        for (size_t i = 0; i < options.columns->size(); ++i) text.columns[i] = (*options.columns)[i];
    }
    return text;
}

namespace {

// Runs call with the core's options for the text at path; what it left out
// is said on err, and a failure names the file as people gave it (what).
template <typename Call>
void ThroughCore(std::ostream& err,
                 CoreCollection& collection,
                 const std::string& path,
                 const std::string& what,
                 const TextOptions& options,
                 Call call) {
    vezuved_read_options read{};
    read.format = VEZUVED_FORMAT_TEXT;
    read.strict = options.strict ? 1 : 0;
    read.flags = options.headerRow ? VEZUVED_READ_HEADER_ROW : 0;
    read.encoding = static_cast<int32_t>(options.encoding);
    read.definition_path = options.definition.empty() ? nullptr : options.definition.c_str();
    const vezuved_text_options text = CoreTextOptions(options);
    const int32_t result = call(read, text);
    // A warning of no line is the header row's (--auto): the tool's own.
    size_t lines = 0;
    std::string said;
    for (int32_t i = 0; i < vezuved_warning_count(collection.get()); ++i) {
        vezuved_warning warning{};
        if (vezuved_get_warning(collection.get(), i, &warning) != VEZUVED_OK) continue;
        said += (warning.line == 0 ? "vezuved: " : "") + std::string(warning.message) + "\n";
        lines += warning.line == 0 ? 0 : 1;
    }
    const std::string failure =
        result == VEZUVED_OK ? "" : ToolMessage(vezuved_error_message(collection.get()), path, lines);
    err << NamedAs(said, path, what);
    if (!failure.empty()) FailConversion(NamedAs(failure, path, what));
}

int32_t VEZUVED_CORE_CALL WriteToSink(void* context, const char* bytes, int64_t size) {
    static_cast<FileSink*>(context)->Write(std::string_view(bytes, static_cast<size_t>(size)));
    return 0;
}

}  // namespace

StreamedText WriteTextDocument(std::ostream& err,
                               FileSink& sink,
                               const std::string& path,
                               const TextOptions& options,
                               const vezuved_write_options& write) {
    CoreCollection collection;
    StreamedText written;
    ThroughCore(
        err,
        collection,
        path,
        path,
        options,
        [&](const vezuved_read_options& read, const vezuved_text_options& text) {
            return vezuved_write_text_document(
                collection.get(), path.c_str(), &read, &text, WriteToSink, &sink, &write, &written.count);
        });
    written.kind = vezuved_set_kind(collection.get(), 0);
    return written;
}

LoadedPoints ReadTextPoints(std::ostream& err,
                            const std::string& path,
                            const std::string& what,
                            const TextOptions& options,
                            bool hold) {
    auto collection = std::make_shared<CoreCollection>();
    ThroughCore(err,
                *collection,
                path,
                what,
                options,
                [&](const vezuved_read_options& read, const vezuved_text_options& text) {
                    return vezuved_read_text(collection->get(), path.c_str(), &read, &text);
                });
    LoadedPoints loaded;
    loaded.set.kind = vezuved_set_kind(collection->get(), 0);
    loaded.set.title = TitleOf(path, what);
    // Every file is written from what the core read: the feet as the text
    // wrote them, and a character the handheld has no byte for as the
    // writer of each format takes it.
    loaded.source = std::move(collection);
    loaded.held = false;
    if (!hold) return loaded;
    // Listed as the handheld would hold them: a character it has no byte
    // for is '?', said once for the file.
    HoldPoints(loaded);
    bool lost = false;
    const auto handheld = [&lost](std::string& text) {
        // Plain ASCII is the same in both (most texts are).
        if (std::all_of(
                text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; }))
            return;
        std::string held(3 * text.size() + 1, '\0');
        const int32_t replaced =
            vezuved_handheld_text(text.c_str(), held.data(), static_cast<int32_t>(held.size()));
        if (replaced <= 0) return;
        lost = true;
        text = held.c_str();
    };
    for (Point& point : loaded.set.points) {
        handheld(point.name);
        handheld(point.icon);
        if (point.description) handheld(*point.description);
    }
    if (lost) {
        err << "vezuved: warning: '" << what
            << "' holds characters Windows-1252 cannot hold; they are read as '?'\n";
    }
    return loaded;
}

namespace {

// The definition at path read into a new handle, its facts into facts;
// false, the cause kept in the handle, when it cannot be read.
bool ReadFacts(const std::string& path, DefinitionHandle& read, vezuved_definition_facts& facts) {
    read.reset(vezuved_definition_new());
    if (!read) FailConversion("memory ran out");
    return vezuved_definition_read(read.get(), path.c_str()) == VEZUVED_OK &&
           vezuved_definition_get_facts(read.get(), &facts) == VEZUVED_OK;
}

}  // namespace

std::optional<DefinitionSummary> SummarizeDefinition(const std::string& path) {
    DefinitionHandle read(nullptr, &vezuved_definition_free);
    vezuved_definition_facts facts{};
    if (!ReadFacts(path, read, facts)) return std::nullopt;
    DefinitionSummary summary;
    summary.title = facts.title != nullptr ? facts.title : "";
    // A bare dot is the library's for an "Ext =" with no value.
    summary.extension = facts.extension;
    if (summary.extension == ".") summary.extension.clear();
    summary.layout = facts.layout;
    summary.delimiter = facts.delimiter;
    summary.kind = facts.kind;
    return summary;
}

std::string TextExtension(const std::string& definition) {
    const std::optional<DefinitionSummary> summary =
        definition.empty() ? std::nullopt : SummarizeDefinition(definition);
    return summary && !summary->extension.empty() ? summary->extension : ".txt";
}

std::string WritingDefinitionTitle(const std::string& definition) {
    RequireDefinitionPath(definition);
    DefinitionHandle read(nullptr, &vezuved_definition_free);
    vezuved_definition_facts facts{};
    if (!ReadFacts(definition, read, facts)) FailConversion(vezuved_definition_error_message(read.get()));
    return facts.title != nullptr ? facts.title : "";
}

bool IsImportOnly(const std::string& title) {
    static const std::string kMark = "(import only)";
    return title.size() >= kMark.size() &&
           title.compare(title.size() - kMark.size(), kMark.size(), kMark) == 0;
}

}  // namespace vezuved_cli
