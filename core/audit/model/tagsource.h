#pragma once

#include <gumbo.h>

#include <cstddef>

namespace headwise::audit {

// Where an element's start tag stands in the page. The parser counts each
// "</>" before a tag (an empty end tag, which it drops) as part of the tag's
// text, so the tag's own text starts after them.
struct TagSource {
    size_t offset = 0;
    GumboStringPiece text{nullptr, 0};
};

inline TagSource startTagSource(const GumboElement& e) {
    TagSource tag{e.start_pos.offset, e.original_tag};
    while (tag.text.length > 3 && tag.text.data[0] == '<' && tag.text.data[1] == '/' &&
           tag.text.data[2] == '>') {
        tag.offset += 3;
        tag.text.data += 3;
        tag.text.length -= 3;
    }
    return tag;
}

} // namespace headwise::audit
