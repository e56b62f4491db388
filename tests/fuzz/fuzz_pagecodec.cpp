// Bytes of any kind decode to CR LF text, and text in a Unicode encoding comes
// back unchanged. A block spliced into a page's own bytes reads back as the
// page's text with the block in it, and every byte around it is kept.

#include "core/page/pagecodec.h"

#include <cstdio>
#include <cstdlib>

using namespace headwise;

static bool onlyCrLfBreaks(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))
            return false;
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks a declared charset, as a server's header would.
    static const char* const declared[] = {
        "",         "utf-8",     "windows-1252", "iso88591",       "tis-620",
        "utf-16le", "shift_jis", "bogus",        "x-user-defined", "iso-2022-kr"};
    const QByteArray charset = size ? QByteArray(declared[data[0] % std::size(declared)]) : QByteArray();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const DecodedPage page = decodePage(bytes, charset);
    if (!onlyCrLfBreaks(page.text)) {
        std::fprintf(stderr, "invariant broken: line breaks other than CR LF\n");
        std::abort();
    }
    const QByteArray encoded = encodePage(page.text, page.encoding);
    if (page.encoding.name.startsWith(QLatin1String("UTF-"))) {
        const DecodedPage again = decodePage(encoded, page.encoding.name.toLatin1());
        if (again.text != page.text) {
            std::fprintf(stderr, "invariant broken: %s text changed by a round trip\n",
                         qPrintable(page.encoding.name));
            std::abort();
        }
    }
    // Where the second byte says (at a line start, as an insertion is).
    const DecodedPage read = decodePage(bytes);
    const qsizetype lineStart =
        size > 1 ? read.text.indexOf(QLatin1String("\r\n"), data[1] % (read.text.size() + 1)) : -1;
    const qsizetype at = lineStart < 0 ? 0 : lineStart + 2;
    const QString block = QStringLiteral("\r\n<META NAME=\"Keywords\" Content=\"\u00e9\">\r\n");
    if (const std::optional<QByteArray> spliced = spliceIntoPageBytes(read, at, block)) {
        QString expected = read.text;
        expected.insert(at, block);
        // Every original byte is kept: before the block, and after it.
        qsizetype same = 0;
        while (same < read.bytes.size() && (*spliced)[same] == read.bytes[same])
            ++same;
        qsizetype sameAtEnd = 0;
        while (sameAtEnd < read.bytes.size() &&
               (*spliced)[spliced->size() - 1 - sameAtEnd] == read.bytes[read.bytes.size() - 1 - sameAtEnd])
            ++sameAtEnd;
        const bool kept = same + sameAtEnd >= read.bytes.size();
        if (decodePage(*spliced).text != expected || !kept) {
            std::fprintf(stderr, "invariant broken: a spliced page reads back otherwise\n");
            std::abort();
        }
    }
    return 0;
}
