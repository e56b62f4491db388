#pragma once

#include "core/audit/model/structureddata.h"

struct GumboInternalOutput;

namespace headwise::audit {

// The page's microdata items by the HTML standard's rules (itemscope,
// itemtype, itemprop, itemref, itemid), top-level items in page order and
// nested ones after them. Offsets are in UTF-8 bytes of the parser's input.
QList<Item> readMicrodata(const GumboInternalOutput* output);

} // namespace headwise::audit
