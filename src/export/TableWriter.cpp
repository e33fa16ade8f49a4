#include "export/TableWriter.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tillery {

namespace {

class DelimitedWriter : public TableWriter {
public:
    DelimitedWriter(std::ostream& out, bool csv) : m_out(out), m_csv(csv) {}

    using TableWriter::row;

    void header(std::vector<std::string> names) override
    {
        std::vector<CellView> cells;
        for (const std::string& name : names) {
            cells.push_back({Cell::Kind::Text, name});
        }
        row(cells);
    }

    void continueTable(std::vector<std::string>) override {}

    void row(std::span<const CellView> cells) override
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

    // Each column's key is escaped once, with its colon: every row begins its values with
    // it.
    void header(std::vector<std::string> names) override
    {
        m_keys.clear();
        for (const std::string& name : names) {
            std::string key;
            appendJsonString(key, name);
            key.push_back(':');
            m_keys.push_back(std::move(key));
        }
    }
    void continueTable(std::vector<std::string> names) override { header(std::move(names)); }

    using TableWriter::row;

    void row(std::span<const CellView> cells) override
    {
        m_line.clear();
        m_line.push_back('{');
        for (std::size_t i = 0; i < cells.size() && i < m_keys.size(); ++i) {
            if (i > 0) {
                m_line.push_back(',');
            }
            m_line.append(m_keys[i]);
            const CellView& cell = cells[i];
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
    std::vector<std::string> m_keys;
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

void TableWriter::row(const std::vector<Cell>& cells)
{
    std::vector<CellView> views;
    views.reserve(cells.size());
    for (const Cell& cell : cells) {
        views.push_back({cell.kind, cell.text});
    }
    row(views);
}

std::unique_ptr<TableWriter> TableWriter::create(ExportFormat format, std::ostream& out)
{
    if (format == ExportFormat::Jsonl) {
        return std::make_unique<JsonLinesWriter>(out);
    }
    return std::make_unique<DelimitedWriter>(out, format == ExportFormat::Csv);
}

namespace {

// Whether `value` holds a comma, a quote, CR or LF. Where the processor compares 16 bytes
// at once, it looks at 16 bytes a step; a search of the value for any of four bytes would
// search it for the four in turn at every byte.
bool needsQuotes(std::string_view value)
{
    std::size_t at = 0;
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; at + 16 <= value.size(); at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value.data() + at));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(chunk, comma), _mm_cmpeq_epi8(chunk, quote)),
            _mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
        if (_mm_movemask_epi8(hits) != 0) {
            return true;
        }
    }
#endif
    const auto special = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    return std::any_of(value.begin() + static_cast<std::ptrdiff_t>(at), value.end(), special);
}

// The offset of the first byte at `from` or later that a JSON string must escape (a
// quote, a backslash, a control byte); the text's size when there is none. 16 bytes a
// step where the processor compares 16 at once.
std::size_t nextJsonEscape(std::string_view text, std::size_t from)
{
    std::size_t at = from;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    for (; at + 16 <= text.size(); at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        // A byte is a control byte when the larger of it and 0x1F is 0x1F.
        const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(chunk, lastControl), lastControl);
        const __m128i hits = _mm_or_si128(
            control, _mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, backslash)));
        if (const int mask = _mm_movemask_epi8(hits); mask != 0) {
            return at + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        }
    }
#endif
    for (; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x20 || byte == '"' || byte == '\\') {
            return at;
        }
    }
    return text.size();
}

}  // namespace

void appendCsvField(std::string& out, std::string_view value)
{
    if (!needsQuotes(value)) {
        out.append(value);
        return;
    }
    out.push_back('"');
    for (std::size_t at = 0;;) {
        const std::size_t quote = value.find('"', at);
        if (quote == std::string_view::npos) {
            out.append(value.substr(at));
            break;
        }
        out.append(value.substr(at, quote + 1 - at)).push_back('"');  // the quote doubled
        at = quote + 1;
    }
    out.push_back('"');
}

void appendJsonString(std::string& out, std::string_view utf8)
{
    out.push_back('"');
    for (std::size_t plain = 0;;) {
        // The run up to the next byte that needs an escape goes out whole.
        const std::size_t i = nextJsonEscape(utf8, plain);
        out.append(utf8.substr(plain, i - plain));
        if (i == utf8.size()) {
            break;
        }
        plain = i + 1;
        const char c = utf8[i];
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default: {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
            out.append(escape);
        }
        }
    }
    out.push_back('"');
}

}  // namespace tillery
