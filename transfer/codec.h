// Compresses and expands files in the program's own static-Huffman format ("ZIP" in its names).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Receives each diagnostic line exactly as the codec prints it, "\n" included.
using CodecDiagnostics = std::function<void(const std::string& line)>;

// The codec's usual diagnostic sink: standard output.
void printCodecDiagnostic(const std::string& line);

// What a decompression came to; the file entry point of the format itself reports nothing.
struct DecompressOutcome
{
    bool outputWritten = false; // header and tree were sound and the output was opened
    bool unexpectedEnd = false; // "EOF inatteso" was printed
    bool crcMismatch = false;   // "Attenzione: CRC errato!" was printed
    bool writeFailed = false;   // writing or closing a file failed
    bool ok() const { return outputWritten && !unexpectedEnd && !crcMismatch && !writeFailed; }
};

// Compresses `inPath` into `outPath` (created or truncated). Returns 0 on success, -1 on failure.
int compressFile(const char* inPath, const char* outPath,
                 const CodecDiagnostics& diagnostics = printCodecDiagnostic);

// Expands the compressed file `inPath` into `outPath`; the outcome shows only in the diagnostics
// on standard output and in the output file.
void decompressFile(const char* inPath, const char* outPath);

// The same expansion, telling the caller how it went.
DecompressOutcome
decompressFileWithOutcome(const char* inPath, const char* outPath,
                          const CodecDiagnostics& diagnostics = printCodecDiagnostic);

// What a compressed file declares, read without expanding it: whether its header and tree are
// sound, the length and CRC of the header, and how many bits follow the tree to the end of the
// file. A single-value file (a tree of one leaf) carries no code bits at all.
struct CompressedLayout
{
    bool sound = false; // a regular file with a header that adds up and a complete tree
    std::uint64_t length = 0;
    std::uint16_t crc = 0;
    std::uint64_t codeBits = 0;
    bool singleValue = false;
    std::uint8_t value = 0; // of a single-value file
};
CompressedLayout inspectCompressedFile(const char* path);

// In-memory forms of the two directions: the same bytes and the same diagnostics as the files.
// `output` is replaced. decompressBuffer writes no output at all when the header or tree is bad.
int compressBuffer(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output,
                   const CodecDiagnostics& diagnostics);
DecompressOutcome decompressBuffer(std::span<const std::uint8_t> input,
                                   std::vector<std::uint8_t>& output,
                                   const CodecDiagnostics& diagnostics);

// CRC-16/KERMIT (reflected polynomial 0x8408, no final XOR) of `data`, continuing from `crc`, in
// the quickest form the processor offers.
std::uint16_t crc16Kermit(std::span<const std::uint8_t> data, std::uint16_t crc = 0);
// The same through lookup tables alone, the form every processor runs.
std::uint16_t crc16KermitTables(std::span<const std::uint8_t> data, std::uint16_t crc = 0);
