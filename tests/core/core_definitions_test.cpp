// Format definitions through the interface: a whole file's facts, each line
// alone, the texts in UTF-8, and files that cannot be read or are none.

#include "core_text.h"

// A definition freed with the object.
struct Definition : std::unique_ptr<vezuved_definition, void (*)(vezuved_definition*)> {
    Definition() : unique_ptr(vezuved_definition_new(), vezuved_definition_free), handle(get()) {}
    vezuved_definition* const handle;
};

static std::string Text(const char* text) { return text != nullptr ? "'" + std::string(text) + "'" : "null"; }

// The facts as one line each.
static std::string Facts(const vezuved_definition* definition) {
    vezuved_definition_facts facts{};
    if (vezuved_definition_get_facts(definition, &facts) != VEZUVED_OK) return "no facts";
    std::string text = "layout " + std::to_string(facts.layout) + ", columns";
    for (const int32_t column : facts.columns) text += " " + std::to_string(column);
    text += "\nfields " + std::to_string(facts.field_count) + ", header lines " +
            std::to_string(facts.header_lines) + ", location " + std::to_string(facts.location_format) +
            ", metres " + std::to_string(facts.elevation_metres) + ", kind " + std::to_string(facts.kind) +
            ", older " + std::to_string(facts.older_layout) + ", placeholder " +
            std::to_string(facts.placeholder);
    text += "\ndelimiter " + Text(facts.delimiter) + ", widths " + Text(facts.field_widths) + ", header " +
            Text(facts.header) + ", title " + Text(facts.title) + ", extension " + Text(facts.extension) +
            ", icon " + Text(facts.default_icon) + "\nlabels";
    for (int32_t column = 0; column < VEZUVED_DEFINITION_LABELS; ++column) {
        if (const char* label = vezuved_definition_label(definition, column))
            text += " " + std::to_string(column) + "=" + Text(label);
    }
    return text + "\n";
}

// Each line: "number keyword has_value 'text' 'value' changed...".
static std::string Lines(const vezuved_definition* definition) {
    std::string text;
    const int32_t count = vezuved_definition_line_count(definition);
    for (int32_t i = 0; i < count; ++i) {
        vezuved_definition_line line{};
        EXPECT_EQ(vezuved_definition_get_line(definition, i, &line), VEZUVED_OK);
        text += std::to_string(line.number) + " " + std::to_string(line.keyword) + " " +
                std::to_string(line.has_value) + " " + Text(line.text) + " " + Text(line.value);
        for (int32_t c = 0; c < line.changed_count; ++c) text += " " + std::string(line.changed[c]);
        text += "\n";
    }
    return text;
}

TEST(CoreDefinitions, ReadFactsLinesRefusalsHostileBytesKeywordsAndExplanation) {
    TempFolder folder;
    const std::string path = folder.put("trip.cal",
                                        "FormatTitle = Caf\xE9 trip\r\nSource = FIXED\r\n"
                                        "FieldLen = 10,12,5\r\nLatitude = 2\r\nLongitude = 1\r\n"
                                        "Elevation = 3\r\nEleFormat = Metres\r\nLocFormat = DegNoSpace\r\n"
                                        "DBType = Track2\r\nHeaderLines = 1\r\nHeader = \"[Title]\r\n"
                                        "[NumRecords]\"\r\nExt = .trk\r\nDefaultIcon = Flag\r\n"
                                        "Field4 = Note\r\n; a comment = none\r\nUnknown = 1\r\n");
    Definition definition;
    ASSERT_EQ(vezuved_definition_read(definition.handle, path.c_str()), VEZUVED_OK);
    EXPECT_STREQ(vezuved_definition_error_message(definition.handle), "");
    // Columns from 0; the ones not named keep the library's defaults.
    EXPECT_EQ(Facts(definition.handle),
              "layout 5, columns 2 1 3 3 4 5 6 -1\nfields 7, header lines 1, location 3, metres 1, kind 1, "
              "older 1, placeholder 1\ndelimiter ',', widths '10,12,5', header '[Title]\r\n"
              "[NumRecords]', title 'Caf\xC3\xA9 trip', extension '.trk', icon 'Flag'\nlabels 4='Note'\n");
    // A quoted line end belongs to its line; the next line is numbered by the file.
    EXPECT_EQ(Lines(definition.handle),
              "1 19 1 'FormatTitle = Caf\xC3\xA9 trip' 'Caf\xC3\xA9 trip' FormatTitle\n"
              "2 0 1 'Source = FIXED' 'FIXED' Source\n3 16 1 'FieldLen = 10,12,5' '10,12,5' FieldLen\n"
              "4 3 1 'Latitude = 2' '2' FieldMap\n5 4 1 'Longitude = 1' '1' FieldMap\n"
              "6 5 1 'Elevation = 3' '3' FieldMap\n7 13 1 'EleFormat = Metres' 'Metres' EleFormat\n"
              "8 10 1 'LocFormat = DegNoSpace' 'DegNoSpace' LocFormat\n9 11 1 'DBType = Track2' 'Track2' "
              "RecordVersion DBKind\n10 15 1 'HeaderLines = 1' '1' HeaderLines\n11 18 1 'Header = [Title]\r\n"
              "[NumRecords]' '[Title]\r\n[NumRecords]' Header\n13 20 1 'Ext = .trk' '.trk' Ext\n"
              "14 14 1 'DefaultIcon = Flag' 'Flag' DefaultIcon\n15 -1 1 'Field4 = Note' 'Note' FieldLabel\n"
              "16 -1 0 '; a comment = none' ''\n17 -1 1 'Unknown = 1' '1'\n");

    // An empty file is the library's defaults: comma-delimited waypoints.
    ASSERT_EQ(vezuved_definition_read(definition.handle, folder.put("empty.cal", "").c_str()), VEZUVED_OK);
    EXPECT_EQ(Facts(definition.handle),
              "layout 1, columns 0 1 2 3 4 5 6 -1\nfields 7, header lines 0, location 0, metres 0, kind 0, "
              "older 0, placeholder 0\ndelimiter ',', widths '', header null, title null, extension '', icon "
              "''\nlabels\n");
    EXPECT_EQ(vezuved_definition_line_count(definition.handle), 0);

    ASSERT_EQ(vezuved_definition_read(definition.handle, folder.put("good.cal", "Source = Tab\n").c_str()),
              VEZUVED_OK);
    std::string longPath = folder.path();
    while (longPath.size() <= 1023) longPath += "/" + std::string(100, 'd');
    longPath += "/x.cal";
    const std::pair<std::string, const char*> cases[] = {
        {folder.file("none.cal"), "No such file or directory"},
        {longPath, "its path is longer than 1023 characters"},
    };
    for (const auto& [path, cause] : cases) {
        EXPECT_EQ(vezuved_definition_read(definition.handle, path.c_str()), VEZUVED_ERROR_OPEN) << path;
        EXPECT_EQ(vezuved_definition_error_message(definition.handle),
                  "cannot read the format definition '" + path + "': " + cause);
        // Nothing of the definition read before stays.
        vezuved_definition_facts facts{};
        EXPECT_EQ(vezuved_definition_get_facts(definition.handle, &facts), VEZUVED_ERROR_ARGUMENT);
        EXPECT_EQ(vezuved_definition_line_count(definition.handle), 0);
    }
    // A folder is no definition.
    EXPECT_EQ(vezuved_definition_read(definition.handle, folder.path().c_str()), VEZUVED_ERROR_OPEN);
    EXPECT_EQ(std::string(vezuved_definition_error_message(definition.handle))
                  .rfind("cannot read the format definition '" + folder.path() + "': ", 0),
              0u);

    EXPECT_EQ(vezuved_definition_read(definition.handle, nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_definition_error_message(definition.handle), "no path was given to read");
    EXPECT_EQ(vezuved_definition_read(nullptr, "x.cal"), VEZUVED_ERROR_ARGUMENT);
    EXPECT_STREQ(vezuved_definition_error_message(nullptr), "no definition was given");
    vezuved_definition_line line{};
    vezuved_definition_facts facts{};
    EXPECT_EQ(vezuved_definition_get_line(definition.handle, 0, &line), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_definition_get_line(definition.handle, -1, &line), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_definition_get_line(nullptr, 0, &line), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_definition_get_facts(nullptr, &facts), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_definition_line_count(nullptr), -1);
    EXPECT_EQ(vezuved_definition_label(definition.handle, -1), nullptr);
    EXPECT_EQ(vezuved_definition_label(definition.handle, VEZUVED_DEFINITION_LABELS), nullptr);
    EXPECT_EQ(vezuved_definition_label(nullptr, 0), nullptr);

    // Bytes of every value, lines far too long and quotes never closed are
    // read, each line cut, every text UTF-8, each byte one character.
    std::string noise;
    for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) % 256);
    const std::string noisy =
        folder.put("noise.cal", noise + std::string(2000, 'x') + "=\n" + "Field3 = " + std::string(600, '"'));
    ASSERT_EQ(vezuved_definition_read(definition.handle, noisy.c_str()), VEZUVED_OK);
    const int32_t count = vezuved_definition_line_count(definition.handle);
    EXPECT_GT(count, 10);
    for (int32_t i = 0; i < count; ++i) {
        vezuved_definition_line line{};
        ASSERT_EQ(vezuved_definition_get_line(definition.handle, i, &line), VEZUVED_OK);
        size_t characters = 0;
        for (const char* c = line.text; *c != '\0'; ++c) characters += (*c & 0xC0) != 0x80 ? 1 : 0;
        EXPECT_LE(characters, size_t{VEZUVED_DEFINITION_LINE_MAX}) << i;
        EXPECT_GE(line.number, 1);
    }
    EXPECT_EQ(vezuved_definition_get_facts(definition.handle, &facts), VEZUVED_OK);

    // Read in pieces, the last byte alone in its piece is kept; over 16 MiB is refused unread.
    const std::string last = "\nFormatTitle = AB";
    const std::string pieces = folder.put("pieces.cal", std::string(32 * 1024 + 1 - last.size(), ';') + last);
    ASSERT_EQ(vezuved_definition_read(definition.handle, pieces.c_str()), VEZUVED_OK);
    ASSERT_EQ(vezuved_definition_get_facts(definition.handle, &facts), VEZUVED_OK);
    EXPECT_STREQ(facts.title, "AB");
    const std::string huge = folder.put("huge.cal", std::string(16 * 1024 * 1024 + 1, ';'));
    EXPECT_EQ(vezuved_definition_read(definition.handle, huge.c_str()), VEZUVED_ERROR_OPEN);
    EXPECT_EQ(vezuved_definition_error_message(definition.handle),
              "cannot read the format definition '" + huge + "': it is larger than 16 MiB");

    // Every byte is one character.
    const std::string bytes = folder.put("bytes.cal", "FormatTitle = \x80\x81\x9D\xE9\xC3\x81\n");
    ASSERT_EQ(vezuved_definition_read(definition.handle, bytes.c_str()), VEZUVED_OK);
    ASSERT_EQ(vezuved_definition_get_facts(definition.handle, &facts), VEZUVED_OK);
    // The euro sign; the undefined bytes as controls of their value; e-acute; 'Ã' and a control.
    EXPECT_STREQ(facts.title, "\xE2\x82\xAC\xC2\x81\xC2\x9D\xC3\xA9\xC3\x83\xC2\x81");

    EXPECT_STREQ(vezuved_definition_keyword_name(VEZUVED_KEY_SOURCE), "Source");
    EXPECT_STREQ(vezuved_definition_keyword_name(VEZUVED_KEY_FIELD_COUNT), "FieldCount");
    EXPECT_STREQ(vezuved_definition_keyword_name(VEZUVED_KEY_EXT), "Ext");
    EXPECT_EQ(vezuved_definition_keyword_name(VEZUVED_KEY_EXT + 1), nullptr);
    EXPECT_EQ(vezuved_definition_keyword_name(-1), nullptr);
    const std::tuple<const char*, int32_t, int32_t> numbers[] = {
        {"7", 1, 7},
        {" -12 columns", 4, -12},
        {"+3", 2, 3},
        {"columns", 0, 0},
        {"", 0, 0},
        {"99999999999", 11, 2147483647},
        {"-99999999999", 12, -2147483647 - 1},
    };
    for (const auto& [text, length, read] : numbers) {
        int32_t value = 99;
        EXPECT_EQ(vezuved_definition_integer(text, &value), length) << text;
        EXPECT_EQ(value, read) << text;
    }
    int32_t value = 99;
    EXPECT_EQ(vezuved_definition_integer(nullptr, &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(vezuved_definition_integer("5", nullptr), 1);

    // The explanation a face prints: its summary, the column table as cells and
    // the warnings, all the definition's own until it is read again.
    const std::string walk =
        folder.put("walk.cal",
                   "FormatTitle = Walk\r\nDelimited = ;\r\nFieldCount = 2x\r\nLatitude = 0\r\n"
                   "Longitude = 1\r\nElevation = -1\r\nTime = -1\r\nName = -1\r\nIcon = -1\r\nDesc = -1\r\n"
                   "Colour = red\r\n");
    Definition fresh;
    vezuved_definition_explanation explained{};
    EXPECT_EQ(vezuved_definition_explain(fresh.handle, &explained),
              VEZUVED_ERROR_ARGUMENT);  // none read
    ASSERT_EQ(vezuved_definition_read(fresh.handle, walk.c_str()), VEZUVED_OK);
    EXPECT_EQ(vezuved_definition_explain(fresh.handle, nullptr), VEZUVED_ERROR_ARGUMENT);
    EXPECT_EQ(vezuved_definition_explain(nullptr, &explained), VEZUVED_ERROR_ARGUMENT);
    ASSERT_EQ(vezuved_definition_explain(fresh.handle, &explained), VEZUVED_OK);
    EXPECT_EQ(std::string(explained.summary),
              "Title:        Walk\nLayout:       delimited text\nDelimiter:    ; (semicolon)\n"
              "Header lines: 0\nKind:         points\nExtension:    (none: by kind, .rlp, .rlt or .rlr)\n"
              "Written:      2 column(s) (FieldCount)\n");
    EXPECT_EQ(std::string(explained.warnings),
              "warning: line 3: FieldCount value '2x' reads as 2; the rest is ignored\n"
              "warning: line 11: unknown keyword 'Colour'; the line is ignored\n");
    ASSERT_EQ(explained.rows, 3);
    ASSERT_EQ(explained.columns, 3);
    std::string cells;
    for (int32_t i = 0; i < explained.rows * explained.columns; ++i)
        cells += std::string(explained.cells[i]) + "|";
    EXPECT_EQ(
        cells,
        "Column|Field|Unit or style|1|latitude|decimal degrees (Num)|2|longitude|decimal degrees (Num)|");
    // A failed read leaves no explanation behind.
    ASSERT_NE(vezuved_definition_read(fresh.handle, folder.file("missing.cal").c_str()), VEZUVED_OK);
    EXPECT_EQ(vezuved_definition_explain(fresh.handle, &explained), VEZUVED_ERROR_ARGUMENT);
}
