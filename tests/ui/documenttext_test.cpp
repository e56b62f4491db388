#include "core/page/linebreaks.h"

#include <QTextDocument>
#include <gtest/gtest.h>

using namespace headwise;

namespace {

// The texts built off the GUI thread equal what the document itself hands
// back, whether they start from its raw text or from the CR LF text the
// program keeps of it.
TEST(DocumentText, MatchesTheDocumentFromItsRawTextAndFromItsCrLfText) {
    const QString pages[] = {
        QString(),
        QStringLiteral("one line"),
        QStringLiteral("a\r\nb\nc\rd\r\n"),
        QStringLiteral("\r\n\r\n<head>\r\n"),
        QStringLiteral("no\u00a0break\u00a0spaces\r\nand \u00e9 \u4e2d"),
        QStringLiteral("a soft\u2028break and a\u2029block"),
        QStringLiteral("frame marks \ufdd0 \ufdd1 stay positions"),
        QStringLiteral("\U0001F600 outside the basic plane\r\n"),
    };
    for (const QString& page : pages) {
        QTextDocument doc;
        doc.setPlainText(toLf(page));
        const QString crlf = toCrLf(page);
        EXPECT_EQ(documentPlainText(doc.toRawText()), doc.toPlainText()) << page.toStdString();
        EXPECT_EQ(documentPlainText(crlf), doc.toPlainText()) << page.toStdString();
    }
}

} // namespace
