// The basic URL parser of the WHATWG URL Standard, without state override and
// with UTF-8 as the only query encoding. The state machine below keeps the
// standard's states and steps so it can be checked against it line by line.
// Validation errors that do not make the parse fail are not tracked: browsers
// accept those addresses, and so does the audit.

#include "core/web/weburl.h"

#include <QUrl>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace headwise::web {

namespace {

constexpr char32_t kEof = 0xFFFFFFFF;

namespace text {
constexpr auto kNoScheme = "it has no scheme";
constexpr auto kNoHost = "it has no host";
QString noSchemeForBase(const QString& base) {
    return QStringLiteral("it has no scheme, and \"%1\" cannot be the base of a relative address").arg(base);
}
QString badHost(const QString& host) {
    return QStringLiteral("the host \"%1\" is not valid").arg(host);
}
QString badIpv4(const QString& host) {
    return QStringLiteral("the IPv4 address \"%1\" is not valid").arg(host);
}
QString badIpv6(const QString& host) {
    return QStringLiteral("the IPv6 address \"%1\" is not valid").arg(host);
}
QString portOutOfRange(const QString& port) {
    return QStringLiteral("the port \"%1\" is out of range").arg(port);
}
QString portNotANumber(const QString& port) {
    return QStringLiteral("the port \"%1\" is not a number").arg(port);
}
} // namespace text

bool isAsciiAlpha(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char32_t c) {
    return c >= '0' && c <= '9';
}
bool isAsciiHex(char32_t c) {
    return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hexValue(char32_t c) {
    if (isAsciiDigit(c))
        return int(c - '0');
    return int((c | 0x20) - 'a' + 10);
}
char32_t asciiLower(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
}

bool isSpecialScheme(QStringView s) {
    return s == u"http" || s == u"https" || s == u"ws" || s == u"wss" || s == u"ftp" || s == u"file";
}

int defaultPort(QStringView s) {
    if (s == u"http" || s == u"ws")
        return 80;
    if (s == u"https" || s == u"wss")
        return 443;
    if (s == u"ftp")
        return 21;
    return -1;
}

// Quoted input can be megabytes long and hold control characters; a message
// shows the start of it, with controls escaped so it stays one readable line.
QString shown(std::u32string_view s) {
    constexpr size_t kMax = 64;
    QString out;
    for (size_t i = 0; i < s.size() && i < kMax; ++i) {
        const char32_t c = s[i];
        if (c < 0x20 || c == 0x7F)
            out += QStringLiteral("%%1").arg(uint(c), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += QChar::fromUcs4(c);
    }
    if (s.size() > kMax)
        out += QChar(0x2026);
    return out;
}

QString shown(const QString& s) {
    const QList<uint> cps = s.left(256).toUcs4();
    return shown(std::u32string(cps.begin(), cps.end()));
}

// --- percent-encoding -------------------------------------------------------

enum class EncodeSet { C0Control, Fragment, Query, SpecialQuery, Path, Userinfo };

constexpr bool inEncodeSetOfAscii(char32_t c, EncodeSet set) {
    if (c < 0x20 || c > 0x7E)
        return true;
    const auto query = [c] { return c == ' ' || c == '"' || c == '#' || c == '<' || c == '>'; };
    const auto path = [&] { return query() || c == '?' || c == '^' || c == '`' || c == '{' || c == '}'; };
    switch (set) {
    case EncodeSet::C0Control:
        return false;
    case EncodeSet::Fragment:
        return c == ' ' || c == '"' || c == '<' || c == '>' || c == '`';
    case EncodeSet::Query:
        return query();
    case EncodeSet::SpecialQuery:
        return query() || c == '\'';
    case EncodeSet::Path:
        return path();
    case EncodeSet::Userinfo:
        return path() || c == '/' || c == ':' || c == ';' || c == '=' || c == '@' || (c >= '[' && c <= '^') ||
               c == '|';
    }
    return true;
}

// Every character of every address is asked: the answers for ASCII are
// worked out once.
constexpr int kEncodeSets = int(EncodeSet::Userinfo) + 1;
constexpr auto kAsciiEncodeSets = [] {
    std::array<std::array<bool, 128>, kEncodeSets> table{};
    for (int set = 0; set < kEncodeSets; ++set)
        for (char32_t c = 0; c < 128; ++c)
            table[size_t(set)][c] = inEncodeSetOfAscii(c, EncodeSet(set));
    return table;
}();

bool inEncodeSet(char32_t c, EncodeSet set) {
    return c >= 128 || kAsciiEncodeSets[size_t(set)][c];
}

void appendPercentByte(QString& out, unsigned byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += QLatin1Char('%');
    out += QLatin1Char(kHex[byte >> 4]);
    out += QLatin1Char(kHex[byte & 0xF]);
}

void appendEncoded(QString& out, char32_t c, EncodeSet set) {
    if (!inEncodeSet(c, set)) {
        out += QChar(char16_t(c));
        return;
    }
    if (c < 0x80) {
        appendPercentByte(out, c);
    } else if (c < 0x800) {
        appendPercentByte(out, 0xC0 | (c >> 6));
        appendPercentByte(out, 0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        appendPercentByte(out, 0xE0 | (c >> 12));
        appendPercentByte(out, 0x80 | ((c >> 6) & 0x3F));
        appendPercentByte(out, 0x80 | (c & 0x3F));
    } else {
        appendPercentByte(out, 0xF0 | (c >> 18));
        appendPercentByte(out, 0x80 | ((c >> 12) & 0x3F));
        appendPercentByte(out, 0x80 | ((c >> 6) & 0x3F));
        appendPercentByte(out, 0x80 | (c & 0x3F));
    }
}

// Code point by code point: fromUcs4 would drop a U+FEFF that starts the text.
QString percentDecodedUtf8(std::u32string_view s) {
    QString text;
    text.reserve(qsizetype(s.size()));
    for (const char32_t c : s)
        text += QChar::fromUcs4(c);
    return percentDecoded(text);
}

// --- hosts ------------------------------------------------------------------

bool isForbiddenHostCodePoint(char32_t c) {
    return c == 0 || std::u32string_view(U"\t\n\r #/:<>?@[\\]^|").find(c) != std::u32string_view::npos;
}

bool isForbiddenDomainCodePoint(char32_t c) {
    return isForbiddenHostCodePoint(c) || c <= 0x1F || c == '%' || c == 0x7F;
}

using Ipv6 = std::array<quint16, 8>;

std::optional<Ipv6> parseIpv6(std::u32string_view in) {
    Ipv6 address{};
    int pieceIndex = 0;
    int compress = -1;
    size_t p = 0;
    const auto c = [&](size_t i) { return i < in.size() ? in[i] : kEof; };
    if (c(p) == ':') {
        if (c(p + 1) != ':')
            return {};
        p += 2;
        compress = ++pieceIndex;
    }
    while (c(p) != kEof) {
        if (pieceIndex == 8)
            return {};
        if (c(p) == ':') {
            if (compress != -1)
                return {};
            ++p;
            compress = ++pieceIndex;
            continue;
        }
        unsigned value = 0;
        int length = 0;
        while (length < 4 && isAsciiHex(c(p))) {
            value = value * 0x10 + unsigned(hexValue(c(p)));
            ++p;
            ++length;
        }
        if (c(p) == '.') {
            if (length == 0)
                return {};
            p -= size_t(length);
            if (pieceIndex > 6)
                return {};
            int numbersSeen = 0;
            while (c(p) != kEof) {
                int ipv4Piece = -1;
                if (numbersSeen > 0) {
                    if (c(p) == '.' && numbersSeen < 4)
                        ++p;
                    else
                        return {};
                }
                if (!isAsciiDigit(c(p)))
                    return {};
                while (isAsciiDigit(c(p))) {
                    const int number = int(c(p) - '0');
                    if (ipv4Piece == -1)
                        ipv4Piece = number;
                    else if (ipv4Piece == 0)
                        return {};
                    else
                        ipv4Piece = ipv4Piece * 10 + number;
                    if (ipv4Piece > 255)
                        return {};
                    ++p;
                }
                address[pieceIndex] = quint16(address[pieceIndex] * 0x100 + ipv4Piece);
                ++numbersSeen;
                if (numbersSeen == 2 || numbersSeen == 4)
                    ++pieceIndex;
            }
            if (numbersSeen != 4)
                return {};
            break;
        }
        if (c(p) == ':') {
            ++p;
            if (c(p) == kEof)
                return {};
        } else if (c(p) != kEof) {
            return {};
        }
        address[pieceIndex] = quint16(value);
        ++pieceIndex;
    }
    if (compress != -1) {
        int swaps = pieceIndex - compress;
        pieceIndex = 7;
        while (pieceIndex != 0 && swaps > 0) {
            std::swap(address[pieceIndex], address[compress + swaps - 1]);
            --pieceIndex;
            --swaps;
        }
    } else if (pieceIndex != 8) {
        return {};
    }
    return address;
}

QString serializeIpv6(const Ipv6& address) {
    // The first longest run of two or more zero pieces becomes "::".
    int compress = -1, bestLength = 1;
    for (int i = 0; i < 8;) {
        if (address[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && address[j] == 0)
            ++j;
        if (j - i > bestLength) {
            bestLength = j - i;
            compress = i;
        }
        i = j;
    }
    QString out = QStringLiteral("[");
    bool ignore0 = false;
    for (int i = 0; i < 8; ++i) {
        if (ignore0 && address[i] == 0)
            continue;
        ignore0 = false;
        if (compress == i) {
            out += i == 0 ? QLatin1String("::") : QLatin1String(":");
            ignore0 = true;
            continue;
        }
        out += QString::number(address[i], 16);
        if (i != 7)
            out += QLatin1Char(':');
    }
    out += QLatin1Char(']');
    return out;
}

// Values past 2^32 only need to be told apart from valid ones, so they saturate.
constexpr quint64 kIpv4Overflow = quint64(1) << 33;

std::optional<quint64> parseIpv4Number(QStringView s) {
    if (s.isEmpty())
        return {};
    int radix = 10;
    if (s.size() >= 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
        s = s.mid(2);
        radix = 16;
    } else if (s.size() >= 2 && s[0] == u'0') {
        s = s.mid(1);
        radix = 8;
    }
    quint64 value = 0;
    for (const QChar ch : s) {
        const char32_t c = ch.unicode();
        const bool ok = radix == 16 ? isAsciiHex(c) : (c >= '0' && c < char32_t('0' + radix));
        if (!ok)
            return {};
        value = value * quint64(radix) + quint64(hexValue(c));
        if (value > kIpv4Overflow)
            value = kIpv4Overflow;
    }
    return value;
}

bool endsInANumber(QStringView s) {
    QList<QStringView> fields = s.split(u'.');
    if (fields.last().isEmpty()) {
        if (fields.size() == 1)
            return false;
        fields.removeLast();
    }
    const QStringView last = fields.last();
    if (!last.isEmpty() &&
        std::all_of(last.begin(), last.end(), [](QChar c) { return isAsciiDigit(c.unicode()); }))
        return true;
    return parseIpv4Number(last).has_value();
}

std::optional<QString> parseIpv4(QStringView s) {
    QList<QStringView> fields = s.split(u'.');
    if (fields.size() > 1 && fields.last().isEmpty())
        fields.removeLast();
    if (fields.size() > 4)
        return {};
    QList<quint64> numbers;
    for (const QStringView field : fields) {
        const auto n = parseIpv4Number(field);
        if (!n)
            return {};
        numbers.append(*n);
    }
    for (qsizetype i = 0; i + 1 < numbers.size(); ++i) {
        if (numbers[i] > 255)
            return {};
    }
    if (numbers.last() >= (quint64(1) << (8 * (5 - numbers.size()))))
        return {};
    quint64 ipv4 = numbers.last();
    for (qsizetype i = 0; i + 1 < numbers.size(); ++i)
        ipv4 += numbers[i] << (8 * (3 - i));
    return QStringLiteral("%1.%2.%3.%4")
        .arg((ipv4 >> 24) & 0xFF)
        .arg((ipv4 >> 16) & 0xFF)
        .arg((ipv4 >> 8) & 0xFF)
        .arg(ipv4 & 0xFF);
}

bool startsWithAce(QStringView label) {
    return label.startsWith(u"xn--", Qt::CaseInsensitive);
}

bool isAscii(QStringView s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// An ACE label counts when it decodes to a label that encodes back to itself.
// Qt checks more when decoding (the bidi rule among others) than when encoding,
// so labels it produced are checked this way too, and so read back the same.
bool isValidAceLabel(const QString& ace) {
    const QString decoded = QUrl::fromAce(ace.toLatin1(), QUrl::IgnoreIDNWhitelist);
    return decoded != ace && QString::fromLatin1(QUrl::toAce(decoded)) == ace;
}

// UTS #46 ToASCII as the standard calls it, label by label through Qt, which
// would otherwise refuse empty labels ("a..b") that browsers keep.
std::optional<QString> domainToAscii(const QString& domain) {
    const auto labelsAreAce = [](QStringView d) {
        for (const QStringView label : d.split(u'.'))
            if (startsWithAce(label))
                return true;
        return false;
    };
    if (isAscii(domain) && !labelsAreAce(domain))
        return domain.toLower();

    QString out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= domain.size(); ++i) {
        const bool end = i == domain.size();
        if (!end) {
            const char16_t c = domain[i].unicode();
            if (c != u'.' && c != u'\u3002' && c != u'\uFF0E' && c != u'\uFF61')
                continue;
        }
        const QString label = domain.mid(start, i - start);
        // Empty labels stay; UTS #46 with VerifyDnsLength off allows them.
        if (!label.isEmpty()) {
            const QString ace = isAscii(label) ? label.toLower() : QString::fromLatin1(QUrl::toAce(label));
            if (ace.isEmpty() || (startsWithAce(ace) && !isValidAceLabel(ace)))
                return {};
            out += ace;
        }
        if (!end)
            out += QLatin1Char('.');
        start = i + 1;
    }
    if (out.isEmpty())
        return {};
    return out;
}

struct HostResult {
    QString host;
    QString error; // set on failure
};

HostResult parseHost(std::u32string_view input, bool isOpaque) {
    const QString quoted = shown(input);
    if (!input.empty() && input.front() == '[') {
        if (input.size() < 2 || input.back() != ']')
            return {.host = {}, .error = text::badIpv6(quoted)};
        const auto address = parseIpv6(input.substr(1, input.size() - 2));
        if (!address)
            return {.host = {}, .error = text::badIpv6(quoted)};
        return {.host = serializeIpv6(*address), .error = {}};
    }
    if (isOpaque) {
        QString out(QLatin1String(""));
        for (const char32_t c : input) {
            if (isForbiddenHostCodePoint(c))
                return {.host = {}, .error = text::badHost(quoted)};
            appendEncoded(out, c, EncodeSet::C0Control);
        }
        return {.host = out, .error = {}};
    }
    const auto ascii = domainToAscii(percentDecodedUtf8(input));
    if (!ascii || ascii->isEmpty()) // a domain of ignored characters only is none
        return {.host = {}, .error = text::badHost(quoted)};
    for (const QChar c : *ascii)
        if (isForbiddenDomainCodePoint(c.unicode()))
            return {.host = {}, .error = text::badHost(quoted)};
    if (endsInANumber(*ascii)) {
        auto ipv4 = parseIpv4(*ascii);
        if (!ipv4)
            return {.host = {}, .error = text::badIpv4(quoted)};
        return {.host = *ipv4, .error = {}};
    }
    return {.host = *ascii, .error = {}};
}

// --- the URL record and its serialisation ------------------------------------

struct Record {
    QString scheme, username, password;
    QString host; // null: no host
    int port = -1;
    bool opaquePath = false;
    // An opaque path as it is, or a list path serialised as "/seg/seg"; no
    // segment holds '/', so segments are found by it.
    QString path;
    qsizetype segments = 0;
    QString query, fragment; // null: absent

    bool special() const { return isSpecialScheme(scheme); }

    bool firstSegmentIsNormalizedDriveLetter() const {
        return segments > 0 && path.size() >= 3 && isAsciiAlpha(path[1].unicode()) && path[2] == u':' &&
               (path.size() == 3 || path[3] == u'/');
    }

    void appendSegment(const QString& segment) {
        path += QLatin1Char('/');
        path += segment;
        ++segments;
    }

    void shortenPath() {
        if (scheme == u"file" && segments == 1 && firstSegmentIsNormalizedDriveLetter())
            return;
        if (segments == 0)
            return;
        path.truncate(path.lastIndexOf(u'/'));
        --segments;
    }

    QString href() const {
        QString out = scheme + QLatin1Char(':');
        if (!host.isNull()) {
            out += QLatin1String("//");
            if (!username.isEmpty() || !password.isEmpty()) {
                out += username;
                if (!password.isEmpty())
                    out += QLatin1Char(':') + password;
                out += QLatin1Char('@');
            }
            out += host;
            if (port != -1)
                out += QLatin1Char(':') + QString::number(port);
        }
        // Keeps "web+demo:/.//not-a-host/" from reading back with a host.
        if (host.isNull() && !opaquePath && segments > 1 && path.startsWith(QLatin1String("//")))
            out += QLatin1String("/.");
        out += path;
        if (!query.isNull())
            out += QLatin1Char('?') + query;
        if (!fragment.isNull())
            out += QLatin1Char('#') + fragment;
        return out;
    }
};

QString emptyString() {
    return QString(QLatin1String(""));
}

bool isWindowsDriveLetter(QStringView s) {
    return s.size() == 2 && isAsciiAlpha(s[0].unicode()) && (s[1] == u':' || s[1] == u'|');
}

bool isSingleDot(QStringView s) {
    return s == u"." || s.compare(u"%2e", Qt::CaseInsensitive) == 0;
}

bool isDoubleDot(QStringView s) {
    return s == u".." || s.compare(u".%2e", Qt::CaseInsensitive) == 0 ||
           s.compare(u"%2e.", Qt::CaseInsensitive) == 0 || s.compare(u"%2e%2e", Qt::CaseInsensitive) == 0;
}

// Leading and trailing C0 controls and spaces go, tabs and newlines anywhere
// go, and lone surrogates become U+FFFD, as a USVString would have them.
std::u32string preparedInput(QStringView input) {
    qsizetype begin = 0, end = input.size();
    while (begin < end && input[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && input[end - 1].unicode() <= 0x20)
        --end;
    std::u32string out;
    out.reserve(size_t(end - begin));
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t u = input[i].unicode();
        if (u == 0x09 || u == 0x0A || u == 0x0D)
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < end && QChar::isLowSurrogate(input[i + 1].unicode())) {
            out += QChar::surrogateToUcs4(u, input[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(u)) {
            out += char32_t(0xFFFD);
        } else {
            out += char32_t(u);
        }
    }
    return out;
}

enum class State {
    SchemeStart,
    Scheme,
    NoScheme,
    SpecialRelativeOrAuthority,
    PathOrAuthority,
    Relative,
    RelativeSlash,
    SpecialAuthoritySlashes,
    SpecialAuthorityIgnoreSlashes,
    Authority,
    Host,
    Port,
    File,
    FileSlash,
    FileHost,
    PathStart,
    Path,
    OpaquePath,
    Query,
    Fragment,
};

struct Outcome {
    Record url;
    QString error; // set on failure
};

Outcome basicParse(QStringView rawInput, const Record* base, const QString& baseHref) {
    const std::u32string in = preparedInput(rawInput);
    const qsizetype n = qsizetype(in.size());
    const auto at = [&](qsizetype i) { return i >= 0 && i < n ? in[size_t(i)] : kEof; };
    const auto fail = [](QString error) { return Outcome{.url = {}, .error = std::move(error)}; };

    Record url;
    State state = State::SchemeStart;
    std::u32string buffer; // code points as read, for the scheme, authority and hosts
    QString segment;       // the path segment being built, already percent-encoded
    bool atSignSeen = false, insideBrackets = false, passwordTokenSeen = false;
    qsizetype portStart = 0;
    quint32 port = 0;
    bool portSeen = false;

    const auto startsWithWindowsDriveLetter = [&](qsizetype i) {
        const char32_t second = at(i + 1);
        if (!isAsciiAlpha(at(i)) || (second != ':' && second != '|'))
            return false;
        const char32_t third = at(i + 2);
        return third == kEof || third == '/' || third == '\\' || third == '?' || third == '#';
    };

    for (qsizetype p = 0;; ++p) {
        const char32_t c = at(p);
        switch (state) {
        case State::SchemeStart:
            if (isAsciiAlpha(c)) {
                buffer += asciiLower(c);
                state = State::Scheme;
            } else {
                state = State::NoScheme;
                --p;
            }
            break;

        case State::Scheme:
            if (isAsciiAlpha(c) || isAsciiDigit(c) || c == '+' || c == '-' || c == '.') {
                buffer += asciiLower(c);
            } else if (c == ':') {
                url.scheme = QString::fromUcs4(buffer.data(), qsizetype(buffer.size()));
                buffer.clear();
                if (url.scheme == u"file") {
                    state = State::File;
                } else if (url.special() && base && base->scheme == url.scheme) {
                    state = State::SpecialRelativeOrAuthority;
                } else if (url.special()) {
                    state = State::SpecialAuthoritySlashes;
                } else if (at(p + 1) == '/') {
                    state = State::PathOrAuthority;
                    ++p;
                } else {
                    url.opaquePath = true;
                    url.path = emptyString();
                    state = State::OpaquePath;
                }
            } else {
                // Not a scheme after all: read the input again from its start.
                buffer.clear();
                state = State::NoScheme;
                p = -1;
            }
            break;

        case State::NoScheme:
            if (!base)
                return fail(QString::fromLatin1(text::kNoScheme));
            if (base->opaquePath && c != '#')
                return fail(text::noSchemeForBase(shown(baseHref)));
            if (base->opaquePath) {
                url.scheme = base->scheme;
                url.opaquePath = true;
                url.path = base->path;
                url.query = base->query;
                url.fragment = emptyString();
                state = State::Fragment;
            } else {
                state = base->scheme == u"file" ? State::File : State::Relative;
                --p;
            }
            break;

        case State::SpecialRelativeOrAuthority:
            if (c == '/' && at(p + 1) == '/') {
                state = State::SpecialAuthorityIgnoreSlashes;
                ++p;
            } else {
                state = State::Relative;
                --p;
            }
            break;

        case State::PathOrAuthority:
            if (c == '/') {
                state = State::Authority;
            } else {
                state = State::Path;
                --p;
            }
            break;

        case State::Relative:
            url.scheme = base->scheme;
            if (c == '/' || (url.special() && c == '\\')) {
                state = State::RelativeSlash;
            } else {
                url.username = base->username;
                url.password = base->password;
                url.host = base->host;
                url.port = base->port;
                url.path = base->path;
                url.segments = base->segments;
                url.query = base->query;
                if (c == '?') {
                    url.query = emptyString();
                    state = State::Query;
                } else if (c == '#') {
                    url.fragment = emptyString();
                    state = State::Fragment;
                } else if (c != kEof) {
                    url.query = QString();
                    url.shortenPath();
                    state = State::Path;
                    --p;
                }
            }
            break;

        case State::RelativeSlash:
            if (url.special() && (c == '/' || c == '\\')) {
                state = State::SpecialAuthorityIgnoreSlashes;
            } else if (c == '/') {
                state = State::Authority;
            } else {
                url.username = base->username;
                url.password = base->password;
                url.host = base->host;
                url.port = base->port;
                state = State::Path;
                --p;
            }
            break;

        case State::SpecialAuthoritySlashes:
            state = State::SpecialAuthorityIgnoreSlashes;
            if (c == '/' && at(p + 1) == '/')
                ++p;
            else
                --p;
            break;

        case State::SpecialAuthorityIgnoreSlashes:
            if (c != '/' && c != '\\') {
                state = State::Authority;
                --p;
            }
            break;

        case State::Authority:
            if (c == '@') {
                if (atSignSeen)
                    buffer.insert(0, U"%40");
                atSignSeen = true;
                for (const char32_t cp : buffer) {
                    if (cp == ':' && !passwordTokenSeen) {
                        passwordTokenSeen = true;
                        continue;
                    }
                    appendEncoded(passwordTokenSeen ? url.password : url.username, cp, EncodeSet::Userinfo);
                }
                buffer.clear();
            } else if (c == kEof || c == '/' || c == '?' || c == '#' || (url.special() && c == '\\')) {
                if (atSignSeen && buffer.empty())
                    return fail(QString::fromLatin1(text::kNoHost));
                // The host starts after the last '@': read that part again as the host.
                p -= qsizetype(buffer.size()) + 1;
                buffer.clear();
                state = State::Host;
            } else {
                buffer += c;
            }
            break;

        case State::Host:
            if (c == ':' && !insideBrackets) {
                if (buffer.empty())
                    return fail(QString::fromLatin1(text::kNoHost));
                HostResult host = parseHost(buffer, !url.special());
                if (!host.error.isNull())
                    return fail(host.error);
                url.host = host.host;
                buffer.clear();
                portStart = p + 1;
                state = State::Port;
            } else if (c == kEof || c == '/' || c == '?' || c == '#' || (url.special() && c == '\\')) {
                --p;
                if (url.special() && buffer.empty())
                    return fail(QString::fromLatin1(text::kNoHost));
                HostResult host = parseHost(buffer, !url.special());
                if (!host.error.isNull())
                    return fail(host.error);
                url.host = host.host;
                buffer.clear();
                state = State::PathStart;
            } else {
                if (c == '[')
                    insideBrackets = true;
                if (c == ']')
                    insideBrackets = false;
                buffer += c;
            }
            break;

        case State::Port:
            if (isAsciiDigit(c)) {
                port = std::min<quint32>(port * 10 + (c - '0'), 65536);
                portSeen = true;
            } else if (c == kEof || c == '/' || c == '?' || c == '#' || (url.special() && c == '\\')) {
                if (portSeen) {
                    if (port > 65535)
                        return fail(text::portOutOfRange(
                            shown(std::u32string_view(in).substr(size_t(portStart), size_t(p - portStart)))));
                    url.port = int(port) == defaultPort(url.scheme) ? -1 : int(port);
                }
                state = State::PathStart;
                --p;
            } else {
                qsizetype end = p;
                while (end < n && in[size_t(end)] != '/' && in[size_t(end)] != '?' &&
                       in[size_t(end)] != '#' && !(url.special() && in[size_t(end)] == '\\'))
                    ++end;
                return fail(text::portNotANumber(
                    shown(std::u32string_view(in).substr(size_t(portStart), size_t(end - portStart)))));
            }
            break;

        case State::File:
            url.scheme = QStringLiteral("file");
            url.host = emptyString();
            if (c == '/' || c == '\\') {
                state = State::FileSlash;
            } else if (base && base->scheme == u"file") {
                url.host = base->host;
                url.path = base->path;
                url.segments = base->segments;
                url.query = base->query;
                if (c == '?') {
                    url.query = emptyString();
                    state = State::Query;
                } else if (c == '#') {
                    url.fragment = emptyString();
                    state = State::Fragment;
                } else if (c != kEof) {
                    url.query = QString();
                    if (!startsWithWindowsDriveLetter(p)) {
                        url.shortenPath();
                    } else {
                        url.path.clear();
                        url.segments = 0;
                    }
                    state = State::Path;
                    --p;
                }
            } else {
                state = State::Path;
                --p;
            }
            break;

        case State::FileSlash:
            if (c == '/' || c == '\\') {
                state = State::FileHost;
            } else {
                if (base && base->scheme == u"file") {
                    url.host = base->host;
                    if (!startsWithWindowsDriveLetter(p) && base->firstSegmentIsNormalizedDriveLetter())
                        url.appendSegment(base->path.mid(1, 2));
                }
                state = State::Path;
                --p;
            }
            break;

        case State::FileHost:
            if (c == kEof || c == '/' || c == '\\' || c == '?' || c == '#') {
                --p;
                const QString raw = QString::fromUcs4(buffer.data(), qsizetype(buffer.size()));
                if (isWindowsDriveLetter(raw)) {
                    // "file://C:/" names a drive, not a host; the letter starts the path.
                    segment = raw;
                    buffer.clear();
                    state = State::Path;
                } else if (buffer.empty()) {
                    url.host = emptyString();
                    state = State::PathStart;
                } else {
                    HostResult host = parseHost(buffer, false);
                    if (!host.error.isNull())
                        return fail(host.error);
                    url.host = host.host == u"localhost" ? emptyString() : host.host;
                    buffer.clear();
                    state = State::PathStart;
                }
            } else {
                buffer += c;
            }
            break;

        case State::PathStart:
            if (url.special()) {
                state = State::Path;
                if (c != '/' && c != '\\')
                    --p;
            } else if (c == '?') {
                url.query = emptyString();
                state = State::Query;
            } else if (c == '#') {
                url.fragment = emptyString();
                state = State::Fragment;
            } else if (c != kEof) {
                state = State::Path;
                if (c != '/')
                    --p;
            }
            break;

        case State::Path:
            if (c == kEof || c == '/' || (url.special() && c == '\\') || c == '?' || c == '#') {
                const bool slash = c == '/' || (url.special() && c == '\\');
                if (isDoubleDot(segment)) {
                    url.shortenPath();
                    if (!slash)
                        url.appendSegment(QString());
                } else if (isSingleDot(segment) && !slash) {
                    url.appendSegment(QString());
                } else if (!isSingleDot(segment)) {
                    if (url.scheme == u"file" && url.segments == 0 && isWindowsDriveLetter(segment))
                        segment[1] = u':';
                    url.appendSegment(segment);
                }
                segment.clear();
                if (c == '?') {
                    url.query = emptyString();
                    state = State::Query;
                } else if (c == '#') {
                    url.fragment = emptyString();
                    state = State::Fragment;
                }
            } else {
                appendEncoded(segment, c, EncodeSet::Path);
            }
            break;

        case State::OpaquePath:
            if (c == '?') {
                url.query = emptyString();
                state = State::Query;
            } else if (c == '#') {
                url.fragment = emptyString();
                state = State::Fragment;
            } else if (c == ' ') {
                // A space just before '?' or '#' is encoded so the path can never end in one.
                const char32_t next = at(p + 1);
                url.path += (next == '?' || next == '#') ? QStringLiteral("%20") : QStringLiteral(" ");
            } else if (c != kEof) {
                appendEncoded(url.path, c, EncodeSet::C0Control);
            }
            break;

        case State::Query:
            if (c == '#') {
                url.fragment = emptyString();
                state = State::Fragment;
            } else if (c != kEof) {
                appendEncoded(url.query, c, url.special() ? EncodeSet::SpecialQuery : EncodeSet::Query);
            }
            break;

        case State::Fragment:
            if (c != kEof)
                appendEncoded(url.fragment, c, EncodeSet::Fragment);
            break;
        }
        if (p >= n)
            break;
    }
    return {.url = std::move(url), .error = {}};
}

} // namespace

bool WebUrl::isSpecial() const {
    return isSpecialScheme(scheme);
}

QStringView WebUrl::hrefWithoutFragment() const {
    return fragment.isNull() ? QStringView(href) : QStringView(href).first(href.size() - fragment.size() - 1);
}

WebUrl WebUrl::withoutFragment() const {
    WebUrl out = *this;
    if (!fragment.isNull()) {
        out.href.truncate(href.size() - fragment.size() - 1);
        out.fragment = QString();
    }
    return out;
}

QStringView WebUrl::pathAndQuery() const {
    const qsizetype size = path.size() + (query.isNull() ? 0 : query.size() + 1);
    return hrefWithoutFragment().last(size);
}

bool sameOrigin(const WebUrl& a, const WebUrl& b) {
    return a.valid && b.valid && !a.host.isEmpty() && a.scheme != u"file" && a.scheme == b.scheme &&
           a.host == b.host && a.port == b.port;
}

QString percentDecoded(QStringView text) {
    if (!text.contains(u'%'))
        return text.toString();
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char b = bytes[i];
        if (b == '%' && i + 2 < bytes.size() && isAsciiHex(uchar(bytes[i + 1])) &&
            isAsciiHex(uchar(bytes[i + 2]))) {
            out += char(hexValue(uchar(bytes[i + 1])) * 16 + hexValue(uchar(bytes[i + 2])));
            i += 2;
        } else {
            out += b;
        }
    }
    // fromUtf8 drops a byte order mark that starts its input, but here it is a
    // character of the name ("%EF%BB%BF"), as a server reads it.
    QString decoded = QString::fromUtf8(out);
    if (out.startsWith("\xEF\xBB\xBF"))
        decoded.prepend(QChar(0xFEFF));
    return decoded;
}

qsizetype plainDomainEnd(QStringView address, qsizetype from, Qt::CaseSensitivity letters) {
    const auto isLetter = [letters](char16_t c) {
        return (c >= u'a' && c <= u'z') || (letters == Qt::CaseInsensitive && c >= u'A' && c <= u'Z');
    };
    qsizetype i = from, label = from;
    for (; i < address.size(); ++i) {
        const char16_t c = address[i].unicode();
        if (c == u'/' || c == u'?' || c == u'#')
            break;
        if (c == u'.') {
            if (i == label)
                return -1; // an empty label
            label = i + 1;
        } else if (!isLetter(c) && !(c >= u'0' && c <= u'9') && c != u'-') {
            return -1;
        } else if (i == label + 3 && c == u'-' && address[i - 1] == u'-' &&
                   address.sliced(label, 2).compare(u"xn", Qt::CaseInsensitive) == 0) {
            return -1;
        }
    }
    return i > label && isLetter(address[label].unicode()) ? i : -1;
}

qsizetype writtenAsParsed(QStringView href) {
    const qsizetype scheme = href.startsWith(u"https://") ? 8 : href.startsWith(u"http://") ? 7 : 0;
    if (!scheme)
        return 0;
    qsizetype i = plainDomainEnd(href, scheme, Qt::CaseSensitive);
    if (i < 0 || i == href.size() || href[i] != u'/')
        return 0;
    // The path and query: nothing the parser escapes, no backslash (a slash
    // there) or escape (a "%2e" is a dot) in the path, and no "." or ".." part.
    bool inQuery = false;
    for (; i < href.size() && href[i] != u'#'; ++i) {
        const char16_t c = href[i].unicode();
        if (c == u'?')
            inQuery = true;
        else if (inEncodeSet(c, inQuery ? EncodeSet::SpecialQuery : EncodeSet::Path) ||
                 (!inQuery && (c == u'\\' || c == u'%')))
            return 0;
        if (!inQuery && c == u'/') {
            QStringView part = href.sliced(i + 1);
            part = part.first(std::min(part.size(), qsizetype(3)));
            const auto ends = [&](qsizetype at) {
                return at == part.size() || part[at] == u'/' || part[at] == u'?' || part[at] == u'#';
            };
            if (part.startsWith(u'.') && (ends(1) || (part.size() > 1 && part[1] == u'.' && ends(2))))
                return 0;
        }
    }
    return i;
}

WebUrl parseWebUrl(QStringView input, const WebUrl* base) {
    // A base's record is taken from its fields: a page's links share one
    // base, and parsing it again for each cost more than the links.
    Record baseRecord;
    const bool hasBase = base && base->valid;
    if (hasBase) {
        baseRecord.scheme = base->scheme;
        baseRecord.username = base->username;
        baseRecord.password = base->password;
        baseRecord.host = base->host;
        baseRecord.port = base->port;
        baseRecord.opaquePath = base->opaquePath;
        baseRecord.path = base->path;
        baseRecord.segments = base->opaquePath ? 0 : base->path.count(u'/');
        baseRecord.query = base->query;
        baseRecord.fragment = base->fragment;
    }
    const Outcome parsed =
        basicParse(input, hasBase ? &baseRecord : nullptr, hasBase ? base->href : QString());
    WebUrl out;
    if (!parsed.error.isNull()) {
        out.error = parsed.error;
        return out;
    }
    const Record& url = parsed.url;
    out.valid = true;
    out.href = url.href();
    out.scheme = url.scheme;
    out.host = url.host;
    out.port = url.port;
    out.path = url.path.isNull() ? emptyString() : url.path;
    out.query = url.query;
    out.fragment = url.fragment;
    out.username = url.username;
    out.password = url.password;
    out.opaquePath = url.opaquePath;
    return out;
}

} // namespace headwise::web
