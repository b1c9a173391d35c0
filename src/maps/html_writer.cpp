#include "maps/html_writer.h"

#include "maps/svg_writer.h"
#include "maps/xml_writer.h"

namespace vezuved::maps {
namespace {

void WriteTable(XmlWriter& xml, const std::vector<std::vector<std::string>>& table) {
    xml.Open("table", {{"style", "font-family: sans-serif; font-size: 0.9em; border-collapse: collapse"}});
    for (size_t row = 0; row < table.size(); ++row) {
        xml.Open("tr");
        for (size_t cell = 0; cell < table[row].size(); ++cell) {
            xml.Element(row == 0 || cell == 0 ? "th" : "td", table[row][cell]);
        }
        xml.Close();
    }
    xml.Close();
}

}  // namespace

void WriteHtml(DocumentSink& sink, const std::vector<PointSet>& sets, const PageFigures& figures) {
    sink.Write("<!DOCTYPE html>\n");
    XmlWriter xml(sink, false);
    xml.Open("html", {{"lang", "en"}});
    xml.Open("head");
    xml.Empty("meta", {{"charset", "utf-8"}});
    const std::string title = PictureTitle(sets);
    xml.Element("title", title);
    xml.Close();
    xml.Open("body");
    xml.Element("h1", {{"style", "font-family: sans-serif; font-size: 1.3em"}}, title);
    if (!figures.table.empty()) {
        WriteTable(xml, figures.table);
    } else if (!figures.note.empty()) {
        xml.Element("p", figures.note);
    }
    DrawPicture(xml, sets);
    xml.Finish();
}

}  // namespace vezuved::maps
