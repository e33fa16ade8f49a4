// Feeds arbitrary bytes as a log to runs whose rows become the CSV and JSON Lines
// timelines and the device table, and checks that what they write is well formed.

#include "TimelineProbe.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path log = [] {
        std::random_device device;
        return std::filesystem::temp_directory_path() /
               ("tillery-timeline-" + std::to_string(device()) + ".log");
    }();
    {
        std::ofstream out(log, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::u8string utf8 = log.u8string();
    tillery::fuzz::TimelineProbe probe(std::string(utf8.begin(), utf8.end()));
    const auto problems = probe.check();
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            std::fprintf(stderr, "fuzz_timeline: %s\n", problem.c_str());
        }
        std::abort();
    }
    return 0;
}
