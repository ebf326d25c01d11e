// The settings-file parser on any text: what it keeps, written out and read back, is the
// same store, and writing that again gives the same text. Every fourth input goes through
// the file (load, save, load) instead of through text, with the same check.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/Registry.h"

namespace {

// Every key with every value, as a text that two equal stores share.
std::string Dump(const TSettingsStore& store) {
    return store.SaveToText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        fuzzsupport::SilenceTrace();
        return fuzzsupport::ScratchFolder() + "registry.reg";
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);

    TSettingsStore first;
    const bool viaFile = size > 0 && data[0] % 4 == 0;
    if (viaFile) {
        fuzzsupport::WriteInput(path, data, size);
        // A foreign file is set aside and the store starts empty; that is fine too.
        if (!first.Load(path))
            __builtin_trap();
        if (!first.Save(path))
            __builtin_trap();
    } else {
        first.LoadFromText(text);
    }
    const std::string saved = Dump(first);

    TSettingsStore second;
    if (viaFile) {
        if (!second.Load(path))
            __builtin_trap();
    } else if (!second.LoadFromText(saved)) {
        __builtin_trap(); // what we write is always a settings file
    }
    if (Dump(second) != saved || second.KeyPaths() != first.KeyPaths())
        __builtin_trap();
    return 0;
}
