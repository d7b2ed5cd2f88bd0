// The registry file on any text. A store that cannot be parsed is never rewritten,
// whatever is asked of it; one that can takes a write, reads it back, and still parses.

#include "platform/system/exceptions.h"
#include "platform/system/registry.h"
#include "tests/fuzz/fuzz_util.h"

#include <QString>
#include <cstdint>
#include <string>

namespace {

const QString kMain = QStringLiteral("Software\\TolvaneStudio\\Orlisk\\Main");

bool Parses(TRegistry& reg) {
    try {
        reg.KeyExists(kMain);
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchDir() + "/Orlisk.reg";
    const std::string before(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile(path, before);
    TRegistry reg(QString::fromStdString(path));

    if (!Parses(reg)) {
        try {
            reg.OpenKey(kMain, true);
        } catch (const ERegistryException&) {
        }
        for (auto write : {+[](TRegistry& r) { r.WriteString("Language", "de"); },
                           +[](TRegistry& r) { r.WriteInteger("Count", 3); },
                           +[](TRegistry& r) { r.DeleteValue("Language"); }}) {
            try {
                write(reg);
            } catch (const ERegistryException&) {
            }
        }
        FUZZ_CHECK(fuzz::ReadFile(path) == before);
        return 0;
    }

    FUZZ_CHECK(reg.OpenKey(kMain, true));
    try {
        reg.ReadString("Language");  // may be of another type: that raises, no more
    } catch (const ERegistryException&) {
    }
    reg.WriteString("Language", "de");
    reg.WriteInteger("Count", -7);
    FUZZ_CHECK(reg.ReadString("Language") == "de");
    FUZZ_CHECK(reg.ReadInteger("Count") == -7);
    FUZZ_CHECK(Parses(reg));
    return 0;
}
