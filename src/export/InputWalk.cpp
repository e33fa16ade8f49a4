#include "export/InputWalk.h"

#include "core/Errors.h"
#include "extract/LineReader.h"
#include "extract/RunChecks.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace tillery {

namespace fs = std::filesystem;

namespace {

std::string utf8Path(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Whether `path` lies inside `root` (both canonical).
bool inside(const fs::path& root, const fs::path& path)
{
    auto r = root.begin();
    auto p = path.begin();
    for (; r != root.end(); ++r, ++p) {
        if (p == path.end() || *r != *p) {
            return false;
        }
    }
    return true;
}

class Walker {
public:
    Walker(InputWalk& result, std::string outputPath)
        : m_result(result), m_output(std::move(outputPath))
    {
    }

    void given(const std::string& text)
    {
        const fs::path path = pathFromUtf8(text);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (error || !fs::exists(status)) {
            m_result.errors.push_back("Not found: " + text);
        } else if (fs::is_directory(status)) {
            folder(text, path);
        } else if (!fs::is_regular_file(status)) {
            m_result.errors.push_back("Not an ordinary file or folder: " + text);
        } else if (isOutput(text)) {
            m_result.errors.push_back("The output file cannot be an input: " + text);
        } else if (std::optional<Layout> layout; isLog(path, layout)) {
            take(text, path, layout);
        } else {
            m_result.errors.push_back("Not a setupapi log: " + text);
        }
    }

private:
    void folder(const std::string& text, const fs::path& path)
    {
        std::error_code error;
        const fs::path root = fs::canonical(path, error);
        if (error) {
            m_result.errors.push_back("Folder cannot be read: " + text);
            return;
        }
        const std::size_t before = m_found;
        std::vector<fs::path> files;
        collect(root, path, files);
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const std::string shown = utf8Path(file);
            if (isOutput(shown)) {
                m_result.skipped.push_back("Skipped, it is the output file: " + shown);
                continue;
            }
            if (std::optional<Layout> layout; isLog(file, layout)) {
                take(shown, file, layout);
            } else {
                m_result.skipped.push_back("Skipped, not a setupapi log: " + shown);
            }
        }
        if (m_found == before) {
            m_result.errors.push_back("No setupapi log in folder: " + text);
        }
    }

    void collect(const fs::path& root, const fs::path& folderPath, std::vector<fs::path>& files)
    {
        std::error_code error;
        fs::directory_iterator it(folderPath, error);
        if (error) {
            m_result.skipped.push_back("Skipped, folder cannot be read: " + utf8Path(folderPath));
            return;
        }
        std::vector<fs::path> entries;
        for (; it != fs::directory_iterator(); it.increment(error)) {
            if (error) {
                break;
            }
            entries.push_back(it->path());
        }
        std::sort(entries.begin(), entries.end());
        for (const fs::path& entry : entries) {
            const fs::file_status status = fs::symlink_status(entry, error);
            if (error) {
                m_result.skipped.push_back("Skipped, cannot be read: " + utf8Path(entry));
            } else if (fs::is_symlink(status)) {
                const fs::path target = fs::canonical(entry, error);
                if (error || !inside(root, target)) {
                    m_result.skipped.push_back(
                        "Skipped, symbolic link leads out of the folder: " + utf8Path(entry));
                }
                // A link inside the folder: its target is read where it lies.
            } else if (fs::is_directory(status)) {
                collect(root, entry, files);
            } else if (fs::is_regular_file(status)) {
                files.push_back(entry);
            } else {
                m_result.skipped.push_back("Skipped, not an ordinary file: " + utf8Path(entry));
            }
        }
    }

    // Whether to read the file, and its layout. A file that cannot be opened is read all
    // the same, as a log of no known layout: the run then names it with the system's
    // reason, where skipping it would hide evidence that was not examined.
    static bool isLog(const fs::path& path, std::optional<Layout>& layout)
    {
        const std::string text = utf8Path(path);
        LineReader probe;
        if (!probe.open(text)) {
            layout.reset();
            return true;
        }
        probe.close();
        layout = layoutOfLog(text);
        return layout.has_value();
    }

    bool isOutput(const std::string& path) const
    {
        return !m_output.empty() && sameFile(path, m_output);
    }

    void take(const std::string& shown, const fs::path& path, std::optional<Layout> layout)
    {
        ++m_found;
        std::error_code error;
        const fs::path key = fs::canonical(path, error);
        if (!error && !m_seen.insert(key).second) {
            return;  // reached twice
        }
        m_result.logs.push_back({shown, layout});
    }

    InputWalk& m_result;
    std::string m_output;
    std::set<fs::path> m_seen;
    std::size_t m_found = 0;
};

}  // namespace

std::optional<Layout> layoutOfLog(const std::string& utf8Path)
{
    LineReader reader;
    FirstLine first;
    try {
        if (!reader.open(utf8Path)) {
            return std::nullopt;
        }
        first = readFirstLine(reader);
    } catch (const ExtractionError&) {
        return std::nullopt;
    }
    switch (detectLayout(first.layoutText())) {
    case LogLayout::WindowsXp:
        return Layout::WindowsXp;
    case LogLayout::Windows2000:
        return Layout::Windows2000;
    case LogLayout::Vista:
        return Layout::Vista;
    case LogLayout::Unknown:
        break;
    }
    return std::nullopt;
}

InputWalk walkInputs(const std::vector<std::string>& paths, const std::string& outputPath)
{
    InputWalk result;
    Walker walker(result, outputPath);
    for (const std::string& path : paths) {
        walker.given(path);
    }
    return result;
}

}  // namespace tillery
