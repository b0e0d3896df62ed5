// The table of request types.
#include "link/request_table.h"

#include <algorithm>
#include <cstring>

namespace {

using P = RequestType::Payload;

constexpr RequestType kTypes[] = {
    {3, 11, 7, P::None, 0, 2, 3000},    {8, -1, 40, P::None, 0, 3, 4000},
    {9, 11, 49, P::Data, 0, 3, 4000},   {11, 11, 8, P::Data, 0, 3, 4000},
    {12, 11, 9, P::Data, 0, 3, 4000},   {13, 11, 10, P::Data, 0, 3, 4000},
    {14, 11, 11, P::Data, 0, 3, 4000},  {15, 11, 12, P::Data, 0, 3, 4000},
    {16, 11, 13, P::Data, 0, 3, 4000},  {17, 11, 14, P::Data, 0, 3, 4000},
    {18, 11, 15, P::Data, 0, 3, 4000},  {19, 11, 16, P::Data, 0, 3, 4000},
    {20, 11, 17, P::Data, 0, 3, 4000},  {21, 11, 18, P::Data, 0, 3, 4000},
    {22, 11, 19, P::Data, 0, 3, 4000},  {23, 10, 0, P::None, 0, 3, 300},
    {24, 10, 1, P::None, 0, 1, 3000},   {27, 10, 24, P::None, 0, 3, 1000},
    {28, 10, 25, P::First, 7, 3, 4000}, {29, 10, 26, P::None, 0, 3, 2000},
    {30, 12, 22, P::First, 5, 3, 4000}, {31, 12, 23, P::First, 1, 3, 4000},
    {35, 10, 2, P::None, 0, 3, 300},    {36, 10, 3, P::None, 0, 3, 4000},
    {37, 10, 4, P::Data, 0, 3, 1000},   {38, 10, 5, P::Data, 0, 3, 500},
    {42, 10, 27, P::Data, 0, 3, 1000},  {47, 10, 6, P::Data, 0, 3, 4000},
    {51, 11, 42, P::Data, 0, 3, 4000},  {53, 11, 46, P::Data, 0, 3, 4000},
};

} // namespace

const RequestType* FindRequestType(int type)
{
    for (const RequestType& row : kTypes)
        if (row.type == type)
            return &row;
    return nullptr;
}

int BuildFrame(int type, const std::uint8_t* data, int length, std::uint8_t linkId,
               std::uint8_t* frame)
{
    const RequestType* row = FindRequestType(type);
    if (!row || length < 0 || (length > 0 && !data))
        return -1;
    int payload = 0;
    switch (row->payload) {
    case RequestType::Payload::None:
        payload = 0;
        break;
    case RequestType::Payload::Data:
        payload = length;
        break;
    case RequestType::Payload::First:
        payload = row->fixedBytes;
        break;
    }
    if (payload > int(proto::kMaxPayload))
        return -1;
    const int n = payload + 6;
    frame[0] = proto::kStartByte;
    frame[1] = std::uint8_t(n >> 8);
    frame[2] = std::uint8_t(n & 0xFF);
    frame[3] = 0;
    frame[4] = linkId;
    frame[5] = row->frameClass >= 0 ? std::uint8_t(row->frameClass) : (length > 0 ? data[0] : 0);
    frame[6] = row->code;
    std::memset(frame + 7, 0, std::size_t(payload));
    if (payload > 0)
        std::memcpy(frame + 7, data, std::size_t(std::min(payload, length)));
    return n;
}
