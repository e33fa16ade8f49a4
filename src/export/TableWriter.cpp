#include "export/TableWriter.h"

#include <cstdio>

namespace tillery {

namespace {

class DelimitedWriter : public TableWriter {
public:
    DelimitedWriter(std::ostream& out, bool csv) : m_out(out), m_csv(csv) {}

    void header(std::vector<std::string> names) override
    {
        std::vector<Cell> cells;
        for (std::string& name : names) {
            cells.push_back(Cell::ofText(std::move(name)));
        }
        row(cells);
    }

    void continueTable(std::vector<std::string>) override {}

    void row(const std::vector<Cell>& cells) override
    {
        m_line.clear();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) {
                m_line.push_back(m_csv ? ',' : '\t');
            }
            if (m_csv) {
                appendCsvField(m_line, cells[i].text);
            } else {
                m_line.append(cells[i].text);
            }
        }
        m_line.append("\r\n");
        m_out.write(m_line.data(), static_cast<std::streamsize>(m_line.size()));
    }

private:
    std::ostream& m_out;
    bool m_csv;
    std::string m_line;
};

class JsonLinesWriter : public TableWriter {
public:
    explicit JsonLinesWriter(std::ostream& out) : m_out(out) {}

    void header(std::vector<std::string> names) override { m_names = std::move(names); }
    void continueTable(std::vector<std::string> names) override { header(std::move(names)); }

    void row(const std::vector<Cell>& cells) override
    {
        m_line.clear();
        m_line.push_back('{');
        for (std::size_t i = 0; i < cells.size() && i < m_names.size(); ++i) {
            if (i > 0) {
                m_line.push_back(',');
            }
            appendJsonString(m_line, m_names[i]);
            m_line.push_back(':');
            const Cell& cell = cells[i];
            switch (cell.kind) {
            case Cell::Kind::Text:
                appendJsonString(m_line, cell.text);
                break;
            case Cell::Kind::Number:
            case Cell::Kind::Boolean:
                m_line.append(cell.text);
                break;
            case Cell::Kind::Null:
                m_line.append("null");
                break;
            }
        }
        m_line.append("}\n");
        m_out.write(m_line.data(), static_cast<std::streamsize>(m_line.size()));
    }

private:
    std::ostream& m_out;
    std::vector<std::string> m_names;
    std::string m_line;
};

}  // namespace

std::optional<ExportFormat> exportFormatFromName(std::string_view name)
{
    if (name == "xls") {
        return ExportFormat::Xls;
    }
    if (name == "csv") {
        return ExportFormat::Csv;
    }
    if (name == "jsonl") {
        return ExportFormat::Jsonl;
    }
    return std::nullopt;
}

std::unique_ptr<TableWriter> TableWriter::create(ExportFormat format, std::ostream& out)
{
    if (format == ExportFormat::Jsonl) {
        return std::make_unique<JsonLinesWriter>(out);
    }
    return std::make_unique<DelimitedWriter>(out, format == ExportFormat::Csv);
}

void appendCsvField(std::string& out, std::string_view value)
{
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(value);
        return;
    }
    out.push_back('"');
    for (const char c : value) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

void appendJsonString(std::string& out, std::string_view utf8)
{
    out.push_back('"');
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (byte < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", byte);
                out.append(escape);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
}

}  // namespace tillery
