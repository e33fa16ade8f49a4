#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tillery::test {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(std::string_view name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Whole-file helpers for fixtures: bytes exactly as given.
void writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path);

}  // namespace tillery::test
