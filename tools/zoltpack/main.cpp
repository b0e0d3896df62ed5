// Command-line front end of the codec: compresses or expands one file.
#include "transfer/codec.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "compress") == 0)
        return compressFile(argv[2], argv[3]) == 0 ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "decompress") == 0)
        return decompressFileWithOutcome(argv[2], argv[3]).ok() ? 0 : 1;
    std::fprintf(stderr, "usage: zoltpack compress IN OUT | zoltpack decompress IN OUT\n");
    return 2;
}
