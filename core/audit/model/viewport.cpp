#include "core/audit/model/viewport.h"

#include <QHash>

namespace headwise::audit {

namespace {

bool isViewportSeparator(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u',' || c == u';';
}

} // namespace

QList<ViewportItem> viewportItems(QStringView text) {
    QList<ViewportItem> out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto word = [&] {
        const qsizetype start = i;
        while (i < n && !isViewportSeparator(text[i]) && text[i] != u'=')
            ++i;
        return text.sliced(start, i - start).toString().toLower();
    };
    while (i < n) {
        while (i < n && (isViewportSeparator(text[i]) || text[i] == u'='))
            ++i;
        const qsizetype start = i;
        const QString key = word();
        qsizetype end = i;
        while (i < n && text[i].isSpace())
            ++i;
        if (i >= n || text[i] != u'=') {
            if (!key.isEmpty())
                out.append({key, QString(), {start, end - start}});
            continue;
        }
        ++i;
        while (i < n && text[i].isSpace())
            ++i;
        const QString value = word();
        out.append({key, value, {start, i - start}});
    }
    return out;
}

QList<QPair<QString, QString>> viewportProperties(const QString& content) {
    QList<QPair<QString, QString>> out;
    QHash<QString, qsizetype> at;
    for (const ViewportItem& item : viewportItems(content)) {
        if (const auto known = at.constFind(item.key); known != at.cend()) {
            out[*known].second = item.value;
            continue;
        }
        at.insert(item.key, out.size());
        out.append({item.key, item.value});
    }
    return out;
}

std::optional<double> viewportNumber(const QString& value) {
    if (value == QLatin1String("yes"))
        return 1;
    if (value == QLatin1String("device-width") || value == QLatin1String("device-height"))
        return 10;
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok) {
        // "2.0px" reads as 2, as browsers take the leading number.
        qsizetype end = 0;
        while (end < value.size() &&
               (value[end].isDigit() || value[end] == u'.' || (end == 0 && value[end] == u'-')))
            ++end;
        const double leading = value.left(end).toDouble(&ok);
        return ok ? std::optional<double>(leading) : std::nullopt;
    }
    return number;
}

bool blocksZoom(const QString& key, const QString& value) {
    if (key == QLatin1String("user-scalable")) {
        const std::optional<double> n = value == QLatin1String("no") ? 0 : viewportNumber(value);
        return n && *n > -1 && *n < 1;
    }
    if (key == QLatin1String("maximum-scale")) {
        const std::optional<double> n = viewportNumber(value);
        return n && *n >= 0 && *n < 2;
    }
    return false;
}

} // namespace headwise::audit
