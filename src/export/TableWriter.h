#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tillery {

// The output formats of a run: the ".xls" table (TAB-separated log bytes), CSV after
// RFC 4180, or JSON Lines.
enum class ExportFormat { Xls, Csv, Jsonl };

// "xls", "csv" or "jsonl"; empty optional for anything else.
std::optional<ExportFormat> exportFormatFromName(std::string_view name);

// One value of an exported row. CSV and the ".xls" write every kind as text; JSON keeps
// numbers, truth values and null as such.
struct Cell {
    enum class Kind { Text, Number, Boolean, Null };
    Kind kind = Kind::Text;
    std::string text;

    static Cell ofText(std::string value) { return {Kind::Text, std::move(value)}; }
    static Cell ofNumber(std::int64_t value) { return {Kind::Number, std::to_string(value)}; }
    static Cell ofBoolean(bool value) { return {Kind::Boolean, value ? "true" : "false"}; }
    static Cell null() { return {Kind::Null, {}}; }
};

// A value of an exported row that views text held elsewhere, for a row written at once:
// a timeline writes its values from where they lie without copying them first.
struct CellView {
    Cell::Kind kind = Cell::Kind::Text;
    std::string_view text;
};

// Writes a table with named columns to a stream. CSV and ".xls" put the names in a first
// row; JSON Lines uses them as the keys of every object. The caller passes valid UTF-8
// to the CSV and JSON writers; the ".xls" writer copies bytes as they are.
class TableWriter {
public:
    virtual ~TableWriter() = default;
    static std::unique_ptr<TableWriter> create(ExportFormat format, std::ostream& out);

    virtual void header(std::vector<std::string> names) = 0;
    // Takes the column names of a table whose first rows another writer wrote: the rows
    // that follow use them, no name row is written.
    virtual void continueTable(std::vector<std::string> names) = 0;
    // Writes one row; its views need to hold only during the call.
    virtual void row(std::span<const CellView> cells) = 0;
    void row(const std::vector<Cell>& cells);
};

// A CSV field: quoted, with quotes doubled, when it holds a comma, a quote, CR or LF.
void appendCsvField(std::string& out, std::string_view value);
// A JSON string literal, quotes included.
void appendJsonString(std::string& out, std::string_view utf8);

}  // namespace tillery
