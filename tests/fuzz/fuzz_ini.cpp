// The INI file on any text: a write reads back, and every line the write does not
// own comes through unchanged and in order (at most the one line of the value is
// replaced).

#include "platform/system/exceptions.h"
#include "platform/system/inifiles.h"
#include "tests/fuzz/fuzz_util.h"

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == '\n') {
            if (i > start || i < text.size()) lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    return lines;
}

// How many lines of `before` are not found unchanged in `after` around the place of
// the change: after the common beginning and end, what is left of `before`.
size_t Missing(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
    size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    return before.size() - head - tail;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchDir() + "/orlisk.ini";
    const std::string before(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile(path, before);
    TIniFile ini(QString::fromStdString(path));
    ini.ReadString("Main", "Language", "");
    ini.ReadInteger("Main", "ThumbnailsInRow", 4);
    ini.ReadBool("Main", "KeepTimestamp", true);

    ini.WriteString("Main", "Language", "de");
    FUZZ_CHECK(ini.ReadString("Main", "Language", "?") == "de");
    FUZZ_CHECK(Missing(Lines(before), Lines(fuzz::ReadFile(path))) <= 1);
    return 0;
}
