// Calls vtJpegLosslessTransform on each file: transform_driver CODE FILE...
// Used by transform.sh to time the library alone when the orlisk program is absent.
// Build: g++ -O2 -I<source> bench/transform_driver.cpp -L<build>/orlisk -lvantrel
#include "platform/vantrel/vantrel.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s CODE FILE...\n", argv[0]);
        return 2;
    }
    const long code = std::strtol(argv[1], nullptr, 10);
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        const unsigned status = vtJpegLosslessTransform(argv[i], static_cast<uint16_t>(code));
        if (status != 0) {
            std::fprintf(stderr, "%s: status %u\n", argv[i], status);
            failed = 1;
        }
    }
    return failed;
}
