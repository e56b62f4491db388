#pragma once

#include <QByteArrayView>
#include <QJsonValue>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// A JSON text as a flat tree of values, read as Qt's JSON parser reads it:
// object members in the order of their keys, the last of equal keys kept, a
// number in the form QVariant gives it.

namespace headwise::audit {

class JsonTree {
public:
    enum class Kind : quint8 { Null, False, True, Number, String, Array, Object };
    struct Value {
        Kind kind = Kind::Null;
        int first = 0, count = 0; // an array's elements or an object's members
        QString text;             // a string, or a number as text
    };
    struct Member {
        QByteArrayView key; // UTF-8, escapes read
        int value = 0;
    };

    // Reads a JSON object or array from UTF-8. False where the text is not
    // one, and where it holds what only Qt's parser decides alike (keys beyond
    // ASCII, raw control characters, escaped surrogates, long integers, deep
    // nesting): the caller then asks Qt's parser.
    bool read(QByteArrayView utf8);
    // The same tree from a value Qt's parser gave.
    void take(const QJsonValue& value);

    int root() const { return 0; }
    const Value& at(int index) const { return values_[size_t(index)]; }
    const Member* members(const Value& object) const { return members_.data() + object.first; }
    const int* elements(const Value& array) const { return elements_.data() + array.first; }
    // The value of key in an object, or -1.
    int find(const Value& object, QLatin1String key) const;

private:
    int readValue(int depth);
    // The string's text, escapes read, as a view of the input where it has
    // none and of the tree's own bytes where it has; empty on a fault.
    std::optional<QByteArrayView> readString();
    bool readNumber(QString& out);
    void skipSpace();
    int add(Kind kind);
    void closeObject(int object, size_t from);
    void closeArray(int array, size_t from);
    int takeValue(const QJsonValue& value);

    QByteArrayView keep(QByteArray bytes);
    // A short ASCII string's text, shared with the same text read lately.
    QString recentText(QByteArrayView ascii);

    const char* at_ = nullptr;
    bool ascii_ = true;            // whether the string readString read last is ASCII as written, no escapes
    std::vector<QByteArray> kept_; // strings with escapes, keys from Qt's parser
    const char* end_ = nullptr;
    std::vector<Value> values_;
    std::vector<Member> members_;
    std::vector<int> elements_;
    // Members and elements of the containers still open, moved to their
    // places when each closes, so that a container's own lie side by side.
    std::vector<Member> openMembers_;
    std::vector<int> openElements_;
    // The short strings read lately, one per slot by hash: a catalogue's blocks
    // repeat their types, currencies and enumeration members, and a text shared
    // costs no allocation. A tree kept from block to block keeps them.
    std::array<QString, 256> recent_;
};

} // namespace headwise::audit
