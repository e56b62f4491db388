#include "core/audit/model/tagattributes.h"

namespace headwise::audit {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

} // namespace

QList<TagAttribute> tagAttributes(QStringView tag) {
    QList<TagAttribute> out;
    const qsizetype n = tag.size();
    qsizetype i = 1; // past '<'
    while (i < n && !isBlank(tag[i]) && tag[i] != u'/' && tag[i] != u'>')
        ++i;
    while (i < n) {
        while (i < n && (isBlank(tag[i]) || tag[i] == u'/'))
            ++i;
        if (i >= n || tag[i] == u'>')
            break;
        // A name may start with '=', and ends at a blank, '/', '>' or '='.
        const qsizetype nameStart = i++;
        while (i < n && !isBlank(tag[i]) && tag[i] != u'/' && tag[i] != u'>' && tag[i] != u'=')
            ++i;
        TagAttribute attribute;
        attribute.name = tag.sliced(nameStart, i - nameStart).toString().toLower();
        attribute.value = {i, 0};
        qsizetype j = i;
        while (j < n && isBlank(tag[j]))
            ++j;
        if (j < n && tag[j] == u'=') {
            ++j;
            while (j < n && isBlank(tag[j]))
                ++j;
            attribute.hasValue = true;
            if (j < n && (tag[j] == u'"' || tag[j] == u'\'')) {
                attribute.quote = tag[j];
                const qsizetype close = tag.indexOf(attribute.quote, j + 1);
                const qsizetype end = close < 0 ? n : close;
                attribute.value = {j + 1, end - j - 1};
                i = close < 0 ? n : close + 1;
            } else {
                const qsizetype start = j;
                while (j < n && !isBlank(tag[j]) && tag[j] != u'>')
                    ++j;
                attribute.value = {start, j - start};
                i = j;
            }
        }
        out.append(std::move(attribute));
    }
    return out;
}

const TagAttribute* findAttribute(const QList<TagAttribute>& attributes, QLatin1String name) {
    for (const TagAttribute& a : attributes)
        if (a.name == name)
            return &a;
    return nullptr;
}

} // namespace headwise::audit
