// Feeds arbitrary bytes to the message-code extraction: the first byte chooses the code
// and what the event already holds, the rest is the message text.

#include "MessageCodeProbe.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto c = tillery::fuzz::decodeMessageCodeCase(
        std::string_view(reinterpret_cast<const char*>(data), size));
    const auto problems = tillery::fuzz::checkMessageCodes(c);
    if (!problems.empty()) {
        for (const std::string& problem : problems) {
            std::fprintf(stderr, "fuzz_message_codes: %s\n", problem.c_str());
        }
        std::abort();
    }
    return 0;
}
