#include "checks.h"

#include <QStringList>

namespace headwise::audit::checks {

namespace {

// "width=device-width, initial-scale=1; user-scalable=no" -> key=value pairs,
// keys lower-cased; commas, semicolons and blanks all separate.
QList<QPair<QString, QString>> viewportProperties(const QString& content) {
    QList<QPair<QString, QString>> out;
    QString normal = content.toLower();
    normal.replace(u';', u',');
    const QStringList parts = normal.split(u',', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0)
            continue;
        out.append({part.left(eq).trimmed(), part.mid(eq + 1).trimmed()});
    }
    return out;
}

} // namespace

void viewportMissing(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements)
        if (e.inHead && e.isMetaNamed(QLatin1String("viewport")))
            return;
    out.append({"viewport-missing", QStringLiteral("The head has no meta viewport"), {}});
}

void viewportBlocksZoom(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements) {
        if (!e.inHead || !e.isMetaNamed(QLatin1String("viewport")))
            continue;
        for (const auto& [key, value] : viewportProperties(e.attribute(QLatin1String("content")))) {
            bool number = false;
            const double scale = value.toDouble(&number);
            if (key == QLatin1String("user-scalable") &&
                (value == QLatin1String("no") || (number && scale == 0)))
                out.append({"viewport-blocks-zoom",
                            QStringLiteral("user-scalable=%1 stops zooming").arg(value), e.span});
            else if (key == QLatin1String("maximum-scale") && number && scale < 5)
                out.append({"viewport-blocks-zoom",
                            QStringLiteral("maximum-scale=%1 allows too little zoom (5 or more is needed)")
                                .arg(value),
                            e.span});
        }
        return; // only the first viewport counts
    }
}

void langMissing(const RuleContext& c, RawFindings& out) {
    for (const auto& [name, value] : c.model.htmlAttributes)
        if (name == QLatin1String("lang") && !value.trimmed().isEmpty())
            return;
    out.append({"lang-missing", QStringLiteral("The <html> element has no lang attribute"), c.model.htmlTag});
}

void httpStatus(const RuleContext& c, RawFindings& out) {
    if (c.input.httpStatus >= 400 && c.input.httpStatus <= 599)
        out.append({"http-status", QStringLiteral("The server answered %1").arg(c.input.httpStatus), {}});
}

void metaObsolete(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements) {
        for (const char* name : {"keywords", "revisit-after"})
            if (e.isMetaNamed(QLatin1String(name)))
                out.append({"meta-obsolete",
                            QStringLiteral("Search engines ignore the %1 tag").arg(QLatin1String(name)),
                            e.span});
    }
}

void metaRefresh(const RuleContext& c, RawFindings& out) {
    for (const MarkupElement& e : c.model.elements)
        if (e.isHttpEquiv(QLatin1String("refresh")))
            out.append({"meta-refresh",
                        QStringLiteral("A meta refresh (content=\"%1\"); use an HTTP redirect instead")
                            .arg(e.attribute(QLatin1String("content"))),
                        e.span});
}

} // namespace headwise::audit::checks
