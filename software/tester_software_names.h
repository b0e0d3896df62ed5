// The names ECU software goes by: PC-side files BASE.EXT_SIZE, the parts of split software on
// the tester ("%s&&%d-%d%s%d"), and the tester paths built from them.
#pragma once

#include "linklib/protocol.h"

#include <optional>
#include <string>

inline constexpr long long kPartBytes = 98304; // a larger file is split into parts of this size
inline constexpr int kMaxParts = 9;             // the tester reads the part count as one figure

// A software file name taken apart: BASE, the text from the first "." up to and including the
// last "_", and the size in bytes written after that "_".
struct SoftwareName
{
    std::string base;
    std::string middle;
    long long size = 0; // 0 when the name holds no size
    bool sized = false; // the text after the last "_" is a decimal number
};

// BASE is the name up to its first "." (lacking one, up to its last "_"); the size is the
// decimal number after the last "_", and 0 when that text is missing or not a number.
SoftwareName ParseSoftwareName(const std::string& fileName);

// The number of files `size` bytes take on the tester: parts of 98,304 bytes, at least one.
int BlockCount(long long size);

// The name of part `index` (1..`count`) holding `bytes` bytes: "%s&&%d-%d%s%d".
std::string PartName(const SoftwareName& name, int index, int count, long long bytes);

// The bytes part `index` of `count` holds when `size` bytes are split: 98,304 but for the
// last, which holds the rest.
long long PartBytes(long long size, int index, int count);

// A tester file name read as a part of split software.
struct PartMarker
{
    std::string base;   // the text before "&&"
    int index = 0;      // 1..count
    int count = 0;      // the parts the software was split into
    std::string middle; // the text after the count up to and including the last "_"
    long long bytes = 0;
};

// Reads the last "&&i-N" of `name` that is followed by figures, with 1 <= i <= N; nothing
// when the name holds none, so that it is taken as a whole file. The last one, because the
// marker follows BASE, and a BASE may hold "&&" of its own ("X&&1-2&&2-2.BIN_5" is part 2 of
// 2 of "X&&1-2.BIN_…").
std::optional<PartMarker> ParsePartName(const std::string& name);

// True when `name` can travel as one file name of the tester and of the working directory:
// not empty, no "/", "\", control byte or NUL, and not "." or "..".
bool IsPlainFileName(const std::string& name);

// `name` with its control bytes (C0, DEL, C1) and anything that is not UTF-8 written as \xNN,
// and "\" as "\\", so that a name from the tester can be shown and cannot steer a terminal.
std::string EscapeName(const std::string& name);

// "/FN0/" followed by `name`.
std::string TesterPath(const std::string& name);
