#pragma once
// Shared by the harnesses: a private scratch folder (in memory where the system has
// one, so that syncs cost nothing), whole-file reads and writes, and the check that
// turns a broken promise into a finding.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "\n*** broken promise at %s:%d: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond) \
    do { \
        if (!(cond)) ::fuzz::Fail(#cond, __FILE__, __LINE__); \
    } while (0)

// A folder of this process's own, made once and removed when the process ends.
inline const std::string& ScratchDir() {
    static const std::string dir = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/orlisk-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    static const bool cleanup = [] {
        return std::atexit([] {
                   std::error_code ignored;
                   std::filesystem::remove_all(dir, ignored);
               }) == 0;
    }();
    (void)cleanup;
    return dir;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fuzz
