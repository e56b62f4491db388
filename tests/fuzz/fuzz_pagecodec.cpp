// Bytes of any kind decode to CR LF text, and text in a Unicode encoding comes back unchanged.

#include "pagecodec.h"

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
    static const char* const declared[] = {"",         "utf-8",     "windows-1252", "iso-8859-1",
                                           "utf-16le", "shift_jis", "bogus"};
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
    return 0;
}
