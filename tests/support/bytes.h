#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Byte strings that tests build tags and streams from.
namespace testsig {

using Bytes = std::vector<uint8_t>;

inline Bytes bytesOf(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// The parts one after another.
inline Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace testsig
