// Feeds arbitrary bytes to the whole extraction as a log: layout test, header scan and a
// run of each extraction type, then the same lines with LF and with CR LF line ends.

#include "LogProbe.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tillery::fuzz::LogProbe probe(std::filesystem::temp_directory_path());
    const auto problems =
        probe.check(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            std::fprintf(stderr, "fuzz_run: %s\n", problem.c_str());
        }
        std::abort();
    }
    return 0;
}
