// The answers a tester gives, for the tester software engine tests on a scripted link.
#pragma once

#include "link/tests/scripted_link.h"
#include "software/tester_software_engine.h"

#include <cstdint>
#include <string>
#include <vector>

// A directory entry answer (code 19, status 1) in the tester's layout.
inline std::vector<std::uint8_t> EntryFrame(std::uint32_t index, const std::string& name,
                                            int kind = 0, const std::string& version = "01.00",
                                            const std::string& date = "07/12/2024")
{
    std::vector<std::uint8_t> p(31, 0); // bytes 7..37
    p[0] = 1;
    proto::PutU32BE(p.data() + 1, index);
    p[5] = std::uint8_t(kind);
    std::copy(date.begin(), date.begin() + 10, p.begin() + 10);
    std::copy(version.begin(), version.begin() + 5, p.begin() + 20);
    p.insert(p.end(), name.begin(), name.end());
    return AnswerFrame(19, p);
}

inline void Answer(TesterSoftwareEngine& engine, const std::vector<std::uint8_t>& frame)
{
    engine.OnAnswer(frame[6], frame.data(), int(frame.size()));
}

inline void AnswerStatus(TesterSoftwareEngine& engine, int code, int status)
{
    Answer(engine, AnswerFrame(code, {std::uint8_t(status)}));
}

// Answers a whole listing: the sync, the opening and `names` as entries, then the end.
inline void AnswerListing(TesterSoftwareEngine& engine, const std::vector<std::string>& names)
{
    AnswerStatus(engine, 7, 1);
    AnswerStatus(engine, 18, 1);
    std::uint32_t i = 0;
    for (const std::string& name : names)
        Answer(engine, EntryFrame(i++, name));
    AnswerStatus(engine, 19, 4);
}
