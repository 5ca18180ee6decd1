#pragma once

#include <memory>

// A libdsp handle owned with its term* export: released when its holder goes, on every path, a
// thrown allocation failure's included.
template<auto Term> struct DspTerm {
    void operator()(void* handle) const { Term(handle); }
};
template<auto Term> using DspHandle = std::unique_ptr<void, DspTerm<Term>>;
