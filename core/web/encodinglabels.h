#pragma once

#include <QString>
#include <QStringView>

namespace headwise::web {

// The encoding a charset label names, by the WHATWG Encoding Standard's label table: the
// encoding's name in lower case ("utf-8", "windows-1252", "gbk", "euc-kr", "windows-1254",
// "utf-16le", "utf-16be", "iso-8859-2", "shift_jis", "x-user-defined", "replacement", ...),
// or an empty string for a label the table does not hold. The label is trimmed of ASCII
// whitespace and compared ASCII-case-insensitively, as the standard's "get an encoding" does.
QString encodingForLabel(QStringView label);

// Whether the encoding (a name encodingForLabel returns) is one of the standard's single-byte
// encodings (ibm866, iso-8859-x, koi8-r/u, macintosh, windows-874, windows-125x, x-mac-cyrillic).
bool isSingleByteEncoding(QStringView encoding);

} // namespace headwise::web
