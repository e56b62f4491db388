#pragma once

#include <QByteArrayView>

#include <string_view>

namespace headwise::audit {

// Whether bytes hold needle (ASCII lower case) in any case.
bool containsFolded(QByteArrayView bytes, std::string_view needle);

} // namespace headwise::audit
