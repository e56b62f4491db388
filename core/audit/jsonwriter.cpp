#include "core/audit/jsonwriter.h"

namespace headwise::audit {

void JsonWriter::key(QStringView name) {
    beforeValue();
    string(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::value(QStringView text) {
    beforeValue();
    string(text);
}

void JsonWriter::value(qint64 number) {
    beforeValue();
    out_ += QByteArray::number(number);
}

void JsonWriter::boolean(bool truth) {
    beforeValue();
    out_ += truth ? "true" : "false";
}

void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}

void JsonWriter::open(char bracket) {
    beforeValue();
    out_ += bracket;
    hasItems_.append(false);
}

void JsonWriter::close(char bracket) {
    const bool hadItems = hasItems_.takeLast();
    if (hadItems)
        newline();
    out_ += bracket;
    if (hasItems_.isEmpty())
        out_ += '\n';
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.isEmpty())
        return;
    if (hasItems_.last())
        out_ += ',';
    hasItems_.last() = true;
    newline();
}

void JsonWriter::newline() {
    out_ += '\n';
    out_ += QByteArray(2 * hasItems_.size(), ' ');
}

void JsonWriter::string(QStringView text) {
    static const char hex[] = "0123456789abcdef";
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += QLatin1Char('"');
    for (QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            escaped += QLatin1String("\\\"");
            break;
        case u'\\':
            escaped += QLatin1String("\\\\");
            break;
        case u'\n':
            escaped += QLatin1String("\\n");
            break;
        case u'\r':
            escaped += QLatin1String("\\r");
            break;
        case u'\t':
            escaped += QLatin1String("\\t");
            break;
        default:
            if (u < 0x20) {
                escaped += QLatin1String("\\u00");
                escaped += QLatin1Char(hex[u >> 4]);
                escaped += QLatin1Char(hex[u & 15]);
            } else {
                escaped += c;
            }
        }
    }
    escaped += QLatin1Char('"');
    out_ += escaped.toUtf8();
}

} // namespace headwise::audit
