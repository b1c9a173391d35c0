#include "conversion/text_stream.h"

#include <memory>
#include <new>
#include <optional>

#include "api/tool_api.h"
#include "conversion/records.h"
#include "files/failure.h"

namespace vezuved_cli {
namespace tool = vezuved::tool;
namespace {

// The record count the first walk read: a later walk that reads another
// count found the file changed under it, and its document would not hold
// together.
struct Walks {
    std::optional<int32_t> count;
};

void ReadAgain(const std::string& path,
               const PreparedText& prepared,
               Walks& walks,
               const std::function<void(const Point&)>& visit) {
    const TextOptions& options = prepared.options;
    const TextLayout& layout = prepared.layout;
    tool::TextVisit request;
    request.text = prepared.copy;
    request.definition = prepared.definition;
    if (options.kind) request.kind = layout.kind;
    request.layout = options.layout;
    request.elevationFormat = options.elevationFormat;
    if (options.columns) request.columns.assign(options.columns->begin(), options.columns->end());
    const int64_t first = layout.placeholder ? 1 : 0;
    const bool garmin = layout.code == tool::kLayoutGarmin;
    int32_t count = -1;
    try {
        count = tool::VisitTextRecords(request, [&](RLPointRecord& record, int64_t slot) {
            // The record is this slot's alone: the Garmin columns go straight into it.
            if (garmin && slot >= first && static_cast<size_t>(slot - first) < prepared.records.size()) {
                AddGarminColumns(record, prepared.records[static_cast<size_t>(slot - first)], layout);
            }
            if (!HoldsPoint(record)) return;
            Point point = PointOfRecord(record);
            KeepMetresAsWritten(point, layout);
            visit(point);
        });
    } catch (const Failure&) {
        throw;
    } catch (const std::bad_alloc&) {
        FailConversion("memory ran out while reading the text file '" + path + "'");
    } catch (...) {
        FailConversion("cannot read the text file '" + path + "': the library failed reading it");
    }
    if (count < 0) FailConversion("cannot read the text file '" + path + "': it is empty or unreadable");
    if (walks.count && *walks.count != count) {
        FailConversion("cannot read the text file '" + path + "': it changed while it was being converted");
    }
    walks.count = count;
}

}  // namespace

PointSet StreamedTextSet(const std::string& path, std::shared_ptr<PreparedText> prepared) {
    PointSet set;
    set.kind = prepared->layout.kind;
    set.title = BaseTitle(path);
    auto walks = std::make_shared<Walks>();
    set.reread = [path, prepared, walks](const std::function<void(const Point&)>& visit) {
        ReadAgain(path, *prepared, *walks, visit);
    };
    return set;
}

}  // namespace vezuved_cli
