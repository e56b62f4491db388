#include "core/web/linkheader.h"

namespace headwise::web {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the links of one header value; each ends at a comma outside <> and quotes.
class LinkReader {
public:
    explicit LinkReader(const QByteArray& value) : v_(value) {}

    void readAll(QList<HeaderLink>& out) {
        while (i_ < v_.size()) {
            HeaderLink link;
            const qsizetype start = i_;
            const bool ok = readLink(link);
            skipToNextLink();
            if (ok) {
                link.source = QStringLiteral("Link header: ") +
                              QString::fromLatin1(v_.mid(start, i_ - start)).trimmed();
                if (link.source.endsWith(u','))
                    link.source.chop(1);
                out.append(std::move(link));
            }
        }
    }

private:
    void skipBlanks() {
        while (i_ < v_.size() && isBlank(v_[i_]))
            ++i_;
    }

    bool readLink(HeaderLink& link) {
        skipBlanks();
        if (i_ >= v_.size() || v_[i_] != '<')
            return false;
        // A URI reference may hold a comma, never a '>': the '>' ends it.
        const qsizetype close = v_.indexOf('>', i_ + 1);
        if (close < 0) {
            i_ = v_.size();
            return false;
        }
        link.target = QString::fromUtf8(v_.mid(i_ + 1, close - i_ - 1)).trimmed();
        i_ = close + 1;
        while (true) {
            skipBlanks();
            if (i_ >= v_.size() || v_[i_] != ';')
                return true;
            ++i_;
            readParameter(link);
        }
    }

    void readParameter(HeaderLink& link) {
        skipBlanks();
        const qsizetype nameStart = i_;
        while (i_ < v_.size() && v_[i_] != '=' && v_[i_] != ';' && v_[i_] != ',' && !isBlank(v_[i_]))
            ++i_;
        const QByteArray name = v_.mid(nameStart, i_ - nameStart).toLower();
        skipBlanks();
        QByteArray value;
        if (i_ < v_.size() && v_[i_] == '=') {
            ++i_;
            skipBlanks();
            if (i_ < v_.size() && v_[i_] == '"') {
                ++i_;
                while (i_ < v_.size() && v_[i_] != '"') {
                    if (v_[i_] == '\\' && i_ + 1 < v_.size())
                        ++i_;
                    value += v_[i_++];
                }
                if (i_ < v_.size())
                    ++i_; // the closing quote
            } else {
                const qsizetype start = i_;
                while (i_ < v_.size() && v_[i_] != ';' && v_[i_] != ',' && !isBlank(v_[i_]))
                    ++i_;
                value = v_.mid(start, i_ - start);
            }
        }
        // The first occurrence of rel counts (RFC 8288 section 3.3).
        if (name == "rel" && link.rels.isEmpty()) {
            for (const QByteArray& rel : value.toLower().simplified().split(' '))
                if (!rel.isEmpty())
                    link.rels.append(QString::fromLatin1(rel));
        } else if (name == "hreflang" && link.hreflang.isEmpty()) {
            link.hreflang = QString::fromLatin1(value).trimmed();
        }
    }

    // Past the comma that ends this link, quotes respected.
    void skipToNextLink() {
        bool quoted = false;
        while (i_ < v_.size()) {
            const char c = v_[i_++];
            if (c == '"')
                quoted = !quoted;
            else if (c == ',' && !quoted)
                return;
        }
    }

    const QByteArray& v_;
    qsizetype i_ = 0;
};

} // namespace

QList<HeaderLink> headerLinks(const QList<QPair<QByteArray, QByteArray>>& headers) {
    QList<HeaderLink> out;
    for (const auto& [name, value] : headers)
        if (name.trimmed().compare("link", Qt::CaseInsensitive) == 0)
            LinkReader(value).readAll(out);
    return out;
}

} // namespace headwise::web
