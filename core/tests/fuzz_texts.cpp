// Fuzzes the processing of looked-up texts and the lookup on arbitrary text files.
#include "core/app_config.h"
#include "core/texts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const std::string& TextsPath()
{
    static const std::string path = "/tmp/zolt-fuzz-texts-" + std::to_string(getpid()) + ".txt";
    return path;
}

// The text file goes when the run ends, so runs leave nothing in /tmp.
void RemoveTexts()
{
    ::unlink(TextsPath().c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    char text[kTextSize];
    std::size_t n = size < kTextSize - 1 ? size : kTextSize - 1;
    std::memcpy(text, data, n);
    text[n] = '\0';
    ProcessText(text);

    // The name exists before the clean-up is registered, so it outlives the clean-up.
    static const std::string path = [] {
        std::string name = TextsPath();
        std::atexit(RemoveTexts);
        return name;
    }();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        AppConfig.language = size ? data[0] % 6 : 0;
        char out[kTextSize];
        GetText(out, "S", 1, path.c_str());
    }
    return 0;
}
