#pragma once

#include <cstddef>
#include <cstdint>

// The advance widths of Liberation Sans Regular, generated at build time.
namespace headwise::audit::fontwidths {

struct Advance {
    char32_t codePoint;
    std::uint16_t units; // in font units; kUnitsPerEm to the em
};

extern const int kUnitsPerEm;
extern const std::size_t kAdvanceCount;
extern const Advance kAdvances[]; // sorted by code point

} // namespace headwise::audit::fontwidths
