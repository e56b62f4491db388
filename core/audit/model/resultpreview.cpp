#include "core/audit/model/resultpreview.h"

#include "core/audit/model/textwidth.h"

#include "core/web/weburl.h"

#include <QFileInfo>
#include <QUrl>

namespace headwise::audit {

namespace {

// The file a file: address names, by Qt, which knows the local forms.
QString localFile(const web::WebUrl& url) {
    return url.valid && url.scheme == u"file" ? QUrl(url.href).toLocalFile() : QString();
}

QString shownAddress(const QString& address) {
    const QString file = localFile(web::parseWebUrl(address));
    return file.isEmpty() ? address : QFileInfo(file).fileName();
}

} // namespace

QStringList wrapToWidth(const QString& text, double widthPx, double fontPx) {
    QStringList lines;
    QString line;
    const double space = textWidthPx(u" ", fontPx);
    double lineWidth = 0;
    for (const QStringView word : QStringView(text).split(u' ', Qt::SkipEmptyParts)) {
        const double w = textWidthPx(word, fontPx);
        if (!line.isEmpty() && lineWidth + space + w > widthPx) {
            lines << line;
            line.clear();
        }
        if (line.isEmpty()) {
            line = word.toString();
            lineWidth = w;
        } else {
            line += u' ';
            line += word;
            lineWidth += space + w;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

SearchPreview searchPreview(const PageAudit& audit, const QString& address, const AuditConfig& config) {
    SearchPreview p;
    p.addressLine = shownAddress(address);
    if (audit.hasTitle && !audit.title.isEmpty()) {
        const CutText title = cutToWidth(audit.title, config.titleMaxWidthPx, kTitleFontPx);
        p.linkLine = title.shown;
        p.titleCut = title.cut;
    } else {
        p.linkLine = cutToWidth(p.addressLine, config.titleMaxWidthPx, kTitleFontPx).shown;
    }
    if (audit.hasDescription && !audit.description.isEmpty()) {
        const CutText description =
            cutToWidth(audit.description, config.descriptionMaxWidthPx, kDescriptionFontPx);
        p.descriptionCut = description.cut;
        p.descriptionLines = wrapToWidth(description.shown, kDescriptionLineWidthPx, kDescriptionFontPx);
        // A few very long words can need a third line; the result shows two.
        if (p.descriptionLines.size() > kDescriptionLines) {
            const QString rest = p.descriptionLines.mid(kDescriptionLines - 1).join(u' ');
            p.descriptionLines.resize(kDescriptionLines - 1);
            p.descriptionLines << cutToWidth(rest, kDescriptionLineWidthPx, kDescriptionFontPx).shown;
            p.descriptionCut = true;
        }
    }
    return p;
}

CardPreview cardPreview(const PageAudit& audit, const QString& address) {
    CardPreview c;
    c.title = audit.ogTitle;
    c.description = audit.ogDescription;
    const web::WebUrl pageUrl = web::parseWebUrl(address);
    // A card shows the host as people read it, not in its ASCII form.
    const web::WebUrl shown = audit.ogUrl.isEmpty() ? pageUrl : web::parseWebUrl(audit.ogUrl, &pageUrl);
    if (!shown.host.isEmpty())
        c.host = QUrl::fromAce(shown.host.toLatin1(), QUrl::IgnoreIDNWhitelist);
    if (audit.ogImage.isEmpty())
        return c;
    const web::WebUrl image = web::parseWebUrl(audit.ogImage, &pageUrl);
    if (image.valid && (image.scheme == u"http" || image.scheme == u"https"))
        c.imageUrl = QUrl(image.href);
    else if (!localFile(image).isEmpty() && !localFile(pageUrl).isEmpty())
        c.imageFile = localFile(image);
    return c;
}

} // namespace headwise::audit
