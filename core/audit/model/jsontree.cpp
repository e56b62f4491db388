#include "core/audit/model/jsontree.h"

#include "core/web/hexdigit.h"

#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonObject>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace headwise::audit {

namespace {

// Far below the depth where Qt's parser refuses, so a deeper text is left to it.
constexpr int kMaxDepth = 512;

// Neither the end of a string, an escape, a control character nor a byte of a longer UTF-8 sequence.
constexpr auto kPlainAscii = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c)
        plain[size_t(c)] = c != '"' && c != '\\';
    return plain;
}();

bool isPlainAscii(unsigned char c) {
    return kPlainAscii[c];
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

void appendUtf8(QByteArray& out, char16_t c) {
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

} // namespace

bool JsonTree::read(QByteArrayView utf8) {
    kept_.clear();
    values_.clear();
    members_.clear();
    elements_.clear();
    openMembers_.clear();
    openElements_.clear();
    at_ = utf8.data();
    end_ = at_ + utf8.size();
    skipSpace();
    if (at_ == end_ || (*at_ != '{' && *at_ != '['))
        return false;
    if (readValue(0) < 0)
        return false;
    skipSpace();
    return at_ == end_;
}

void JsonTree::skipSpace() {
    while (at_ != end_ && (*at_ == ' ' || *at_ == '\n' || *at_ == '\r' || *at_ == '\t'))
        ++at_;
}

int JsonTree::add(Kind kind) {
    values_.push_back({kind, 0, 0, {}});
    return int(values_.size() - 1);
}

int JsonTree::readValue(int depth) {
    if (at_ == end_)
        return -1;
    const auto literal = [&](const char* word, Kind kind) {
        const size_t size = std::strlen(word);
        if (size_t(end_ - at_) < size || std::memcmp(at_, word, size) != 0)
            return -1;
        at_ += size;
        return add(kind);
    };
    switch (*at_) {
    case '{': {
        if (depth >= kMaxDepth)
            return -1;
        const int object = add(Kind::Object);
        const size_t from = openMembers_.size();
        ++at_;
        skipSpace();
        if (at_ != end_ && *at_ == '}') {
            ++at_;
            closeObject(object, from);
            return object;
        }
        for (;;) {
            skipSpace();
            if (at_ == end_ || *at_ != '"')
                return -1;
            const std::optional<QByteArrayView> key = readString();
            if (!key)
                return -1;
            for (char c : *key)
                if (static_cast<unsigned char>(c) >= 0x80) // Qt orders such keys its own way
                    return -1;
            skipSpace();
            if (at_ == end_ || *at_ != ':')
                return -1;
            ++at_;
            skipSpace();
            const int value = readValue(depth + 1);
            if (value < 0)
                return -1;
            openMembers_.push_back({*key, value});
            skipSpace();
            if (at_ != end_ && *at_ == ',') {
                ++at_;
                continue;
            }
            if (at_ != end_ && *at_ == '}') {
                ++at_;
                closeObject(object, from);
                return object;
            }
            return -1;
        }
    }
    case '[': {
        if (depth >= kMaxDepth)
            return -1;
        const int array = add(Kind::Array);
        const size_t from = openElements_.size();
        ++at_;
        skipSpace();
        if (at_ != end_ && *at_ == ']') {
            ++at_;
            closeArray(array, from);
            return array;
        }
        for (;;) {
            skipSpace();
            const int value = readValue(depth + 1);
            if (value < 0)
                return -1;
            openElements_.push_back(value);
            skipSpace();
            if (at_ != end_ && *at_ == ',') {
                ++at_;
                continue;
            }
            if (at_ != end_ && *at_ == ']') {
                ++at_;
                closeArray(array, from);
                return array;
            }
            return -1;
        }
    }
    case '"': {
        const std::optional<QByteArrayView> text = readString();
        if (!text)
            return -1;
        const int value = add(Kind::String);
        values_[size_t(value)].text = ascii_ ? recentText(*text) : QString::fromUtf8(*text);
        return value;
    }
    case 't':
        return literal("true", Kind::True);
    case 'f':
        return literal("false", Kind::False);
    case 'n':
        return literal("null", Kind::Null);
    default: {
        QString text;
        if (!readNumber(text))
            return -1;
        const int value = add(Kind::Number);
        values_[size_t(value)].text = std::move(text);
        return value;
    }
    }
}

std::optional<QByteArrayView> JsonTree::readString() {
    const char* start = ++at_;
    const char* run = start;
    QByteArray unescaped; // only where the string has escapes
    bool escaped = false;
    ascii_ = true;
    while (at_ != end_) {
        // Most of a block is plain ASCII text: passed over without a test for each case.
#if defined(__SSE2__)
        while (end_ - at_ >= 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at_));
            // Signed, a byte of 0x80 or more is below 0x20 as well.
            const __m128i stops = _mm_or_si128(_mm_cmplt_epi8(block, _mm_set1_epi8(0x20)),
                                               _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('"')),
                                                            _mm_cmpeq_epi8(block, _mm_set1_epi8('\\'))));
            const unsigned mask = unsigned(_mm_movemask_epi8(stops));
            if (mask != 0) {
                at_ += __builtin_ctz(mask);
                break;
            }
            at_ += 16;
        }
#endif
        while (at_ != end_ && isPlainAscii(static_cast<unsigned char>(*at_)))
            ++at_;
        if (at_ == end_)
            break;
        const unsigned char c = static_cast<unsigned char>(*at_);
        if (c >= 0x80) {
            ascii_ = false;
            ++at_;
            continue;
        }
        if (c == '"') {
            const QByteArrayView plain(start, at_ - start);
            ++at_;
            if (!escaped)
                return plain;
            unescaped.append(run, at_ - 1 - run);
            return keep(std::move(unescaped));
        }
        if (c < 0x20)
            return std::nullopt;
        if (c != '\\') {
            ++at_;
            continue;
        }
        escaped = true;
        ascii_ = false; // an escape may stand for any character
        // no room made ahead: the block's rest may be megabytes, the string short
        unescaped.append(run, at_ - run);
        if (end_ - at_ < 2)
            return std::nullopt;
        const char kind = at_[1];
        at_ += 2;
        switch (kind) {
        case '"':
            unescaped.append('"');
            break;
        case '\\':
            unescaped.append('\\');
            break;
        case '/':
            unescaped.append('/');
            break;
        case 'b':
            unescaped.append('\b');
            break;
        case 'f':
            unescaped.append('\f');
            break;
        case 'n':
            unescaped.append('\n');
            break;
        case 'r':
            unescaped.append('\r');
            break;
        case 't':
            unescaped.append('\t');
            break;
        case 'u': {
            if (end_ - at_ < 4)
                return std::nullopt;
            int code = 0;
            for (int k = 0; k < 4; ++k) {
                const int digit = hexDigitValue(at_[k]);
                if (digit < 0)
                    return std::nullopt;
                code = code * 16 + digit;
            }
            if (code >= 0xD800 && code <= 0xDFFF) // pairs and lone halves alike
                return std::nullopt;
            appendUtf8(unescaped, char16_t(code));
            at_ += 4;
            break;
        }
        default:
            return std::nullopt;
        }
        run = at_;
    }
    return std::nullopt;
}

bool JsonTree::readNumber(QString& out) {
    const char* start = at_;
    if (at_ != end_ && *at_ == '-')
        ++at_;
    if (at_ == end_ || !isDigit(*at_))
        return false;
    if (*at_ == '0')
        ++at_;
    else
        while (at_ != end_ && isDigit(*at_))
            ++at_;
    bool whole = true;
    if (at_ != end_ && *at_ == '.') {
        whole = false;
        ++at_;
        if (at_ == end_ || !isDigit(*at_))
            return false;
        while (at_ != end_ && isDigit(*at_))
            ++at_;
    }
    if (at_ != end_ && (*at_ == 'e' || *at_ == 'E')) {
        whole = false;
        ++at_;
        if (at_ != end_ && (*at_ == '+' || *at_ == '-'))
            ++at_;
        if (at_ == end_ || !isDigit(*at_))
            return false;
        while (at_ != end_ && isDigit(*at_))
            ++at_;
    }
    const QByteArrayView token(start, at_ - start);
    bool ok = false;
    if (whole) {
        // Qt keeps a whole number that fits 64 bits as an integer; 18 digits always do.
        if (token.size() - (token.front() == '-') > 18)
            return false;
        out = QString::number(token.toLongLong(&ok));
        return ok;
    }
    const double number = token.toDouble(&ok);
    if (!ok || !qIsFinite(number))
        return false;
    out = QJsonValue(number).toVariant().toString();
    return true;
}

QString JsonTree::recentText(QByteArrayView ascii) {
    constexpr qsizetype kShort = 48; // types, codes and enumeration members; not names or addresses
    if (ascii.size() > kShort)
        return QString::fromLatin1(ascii);
    QString& slot = recent_[qHashBits(ascii.data(), size_t(ascii.size())) % recent_.size()];
    if (slot.isNull() || slot != QLatin1StringView(ascii.data(), ascii.size()))
        slot = QString::fromLatin1(ascii);
    return slot;
}

QByteArrayView JsonTree::keep(QByteArray bytes) {
    kept_.push_back(std::move(bytes)); // its bytes stay where they are as the list grows
    return kept_.back();
}

void JsonTree::closeObject(int object, size_t from) {
    // Most objects are small, and an insertion sort (stable) beats a general one there.
    const auto open = openMembers_.begin() + std::ptrdiff_t(from);
    // Byte order, as Qt's parser sorts keys; compared in line, not through a call for each pair.
    const auto before = [](const Member& a, const Member& b) {
        return std::string_view(a.key.data(), size_t(a.key.size())) <
               std::string_view(b.key.data(), size_t(b.key.size()));
    };
    if (openMembers_.end() - open > 16) {
        std::stable_sort(open, openMembers_.end(), before);
    } else {
        for (auto it = open; it != openMembers_.end(); ++it)
            for (auto at = it; at != open && before(*at, *(at - 1)); --at)
                std::iter_swap(at - 1, at);
    }
    const size_t first = members_.size();
    for (auto it = open; it != openMembers_.end(); ++it) {
        // Of equal keys the last is kept, as Qt's parser keeps it.
        if (members_.size() > first && members_.back().key == it->key)
            members_.back() = *it;
        else
            members_.push_back(*it);
    }
    openMembers_.erase(open, openMembers_.end());
    values_[size_t(object)].first = int(first);
    values_[size_t(object)].count = int(members_.size() - first);
}

void JsonTree::closeArray(int array, size_t from) {
    const auto open = openElements_.begin() + std::ptrdiff_t(from);
    values_[size_t(array)].first = int(elements_.size());
    values_[size_t(array)].count = int(openElements_.end() - open);
    elements_.insert(elements_.end(), open, openElements_.end());
    openElements_.erase(open, openElements_.end());
}

int JsonTree::find(const Value& object, QLatin1String key) const {
    const Member* m = members(object);
    for (int i = 0; i < object.count; ++i)
        if (m[i].key == QByteArrayView(key.data(), key.size()))
            return m[i].value;
    return -1;
}

void JsonTree::take(const QJsonValue& value) {
    values_.clear();
    members_.clear();
    elements_.clear();
    kept_.clear();
    takeValue(value);
}

int JsonTree::takeValue(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Object: {
        const int object = add(Kind::Object);
        const QJsonObject members = value.toObject();
        std::vector<Member> taken;
        taken.reserve(size_t(members.size()));
        for (auto it = members.begin(); it != members.end(); ++it)
            taken.push_back({keep(it.key().toUtf8()), takeValue(it.value())});
        values_[size_t(object)].first = int(members_.size());
        values_[size_t(object)].count = int(taken.size());
        members_.insert(members_.end(), std::make_move_iterator(taken.begin()),
                        std::make_move_iterator(taken.end()));
        return object;
    }
    case QJsonValue::Array: {
        const int array = add(Kind::Array);
        const QJsonArray elements = value.toArray();
        std::vector<int> taken;
        taken.reserve(size_t(elements.size()));
        for (const QJsonValue& element : elements)
            taken.push_back(takeValue(element));
        values_[size_t(array)].first = int(elements_.size());
        values_[size_t(array)].count = int(taken.size());
        elements_.insert(elements_.end(), taken.begin(), taken.end());
        return array;
    }
    case QJsonValue::String: {
        const int string = add(Kind::String);
        values_[size_t(string)].text = value.toString();
        return string;
    }
    case QJsonValue::Double: {
        const int number = add(Kind::Number);
        values_[size_t(number)].text = value.toVariant().toString();
        return number;
    }
    case QJsonValue::Bool:
        return add(value.toBool() ? Kind::True : Kind::False);
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return add(Kind::Null);
}

} // namespace headwise::audit
