// The address parser on any text, alone and against bases of each kind: a
// verdict always, a reason when it refuses, and an accepted address serialises
// to printable ASCII that parses back to itself; an address said to be
// written as parsed is.

#include "core/web/weburl.h"
#include "require.h"

using namespace headwise::web;

namespace {

void check(const WebUrl& url) {
    if (!url.valid) {
        require(!url.error.isEmpty());
        return;
    }
    require(url.error.isNull());
    for (QChar c : url.href)
        require(c.unicode() >= 0x20 && c.unicode() <= 0x7E);
    require(url.port >= -1 && url.port <= 65535);
    require(!url.scheme.isEmpty() && url.scheme == url.scheme.toLower());
    if (url.isSpecial() && url.scheme != QLatin1String("file"))
        require(!url.host.isEmpty());
    const WebUrl again = parseWebUrl(url.href);
    require(again.valid && again.href == url.href && again.host == url.host && again.path == url.path &&
            again.query == url.query && again.fragment == url.fragment && again.port == url.port);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    static const WebUrl bases[] = {parseWebUrl(u"http://user:pw@example.org:8080/a/b/c?q#f"),
                                   parseWebUrl(u"file:///C:/x/y"), parseWebUrl(u"sc://h/p/q"),
                                   parseWebUrl(u"sc:/p/q"), parseWebUrl(u"mailto:a@b")};
    const WebUrl alone = parseWebUrl(input);
    check(alone);
    if (const qsizetype written = writtenAsParsed(input))
        require(alone.valid && alone.hrefWithoutFragment() == QStringView(input).first(written));
    for (const WebUrl& base : bases)
        check(parseWebUrl(input, &base));
    if (alone.valid)
        for (const char16_t* relative : {u"x", u"../y", u"?q", u"#f", u"//h/", u"/"})
            check(parseWebUrl(relative, &alone));
    return 0;
}
