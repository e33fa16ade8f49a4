// Prints the digest table of the real logs (tests/data/real_log_digests.txt) as the
// program makes it now; scripts/update_digests.sh writes it over the pinned one.

#include "support/RealLogDigests.h"

#include <cstdio>

int main()
{
    const auto digests = tillery::test::realLogDigests();
    if (digests.empty()) {
        std::fprintf(stderr, "real_log_digests: no real logs in %s\n", TILLERY_REAL_LOGS);
        return 1;
    }
    for (const auto& d : digests) {
        if (!d.problem.empty()) {
            std::fprintf(stderr, "real_log_digests: %s %s: %s\n", d.file.c_str(), d.type.c_str(),
                         d.problem.c_str());
            return 1;
        }
    }
    const std::string text = tillery::test::digestTableText(digests);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
