#include "Text.h"

#include <algorithm>

namespace velk {

std::string QuoteShort(std::string_view Text, size_t Limit)
{
    std::string quoted;
    size_t shown = 0;
    for (size_t i = 0; i < Text.size() && shown < Limit; ++shown) {
        const unsigned char c = static_cast<unsigned char>(Text[i]);
        // A UTF-8 sequence counts as one character and is never cut in two.
        size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        length = std::min(length, Text.size() - i);
        if (c < 0x20 || c == 0x7F)
            quoted += '?';
        else
            quoted.append(Text.substr(i, length));
        i += length;
        if (i < Text.size() && shown + 1 == Limit) {
            quoted += "\u2026";
            break;
        }
    }
    return quoted;
}

}  // namespace velk
