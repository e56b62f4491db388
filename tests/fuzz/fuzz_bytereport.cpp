// The report read from a page's bytes equals the report of its decoded text,
// field by field, for any bytes and any declared charset; and the quick UTF-8
// check that picks the byte scan agrees with the strict decoder.

#include "core/page/bytereport.h"
#include "require.h"

#include <QStringDecoder>
#include <iterator>

using namespace headwise;

namespace {

// The first byte picks what the server declared.
const char* const kDeclared[] = {"",         "utf-8",     "windows-1252", "iso-8859-2",
                                 "utf-16le", "shift_jis", "utf-32",       "nonsense"};

bool strictUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes); // decode() only converts when read
    (void)text;
    return !decoder.hasError();
}

bool sameTag(const TagReport& a, const TagReport& b) {
    return a.tag == b.tag && a.count == b.count && a.missing == b.missing && a.boxText == b.boxText &&
           a.found == b.found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray declared = kDeclared[data[0] % std::size(kDeclared)];
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    require(QByteArrayView(bytes).isValidUtf8() == strictUtf8(bytes));

    const DecodedPage decoded = decodePage(bytes, declared);
    const BytePage page(bytes, declared);
    require(page.isEmpty() == decoded.text.isEmpty());
    require(page.holdsNul() == decoded.text.contains(QChar(0)));
    const PageReport expected = reportPage(decoded.text);
    const PageReport got = page.report();
    require(got.listing.script == expected.listing.script);
    require(got.listing.failed == expected.listing.failed);
    require(got.meta == expected.meta);
    require(got.complete == expected.complete);
    require(got.tags.size() == expected.tags.size());
    for (qsizetype i = 0; i < got.tags.size(); ++i)
        require(sameTag(got.tags[i], expected.tags[i]));
    return 0;
}
