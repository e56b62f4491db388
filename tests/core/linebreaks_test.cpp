#include "linebreaks.h"

#include <gtest/gtest.h>

using namespace headwise;

TEST(LineBreaks, RoundTrips) {
    struct Case {
        const char* input;
        const char* crlf;
        const char* lf;
    } cases[] = {
        {"", "", ""},
        {"a\nb", "a\r\nb", "a\nb"},
        {"a\r\nb", "a\r\nb", "a\nb"},
        {"a\rb", "a\r\nb", "a\nb"},
        {"\n\n", "\r\n\r\n", "\n\n"},
        {"\r\n\r", "\r\n\r\n", "\n\n"},
        {"x\r\r\ny", "x\r\n\r\ny", "x\n\ny"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toCrLf(QString::fromLatin1(c.input)), QString::fromLatin1(c.crlf)) << c.input;
        EXPECT_EQ(toLf(QString::fromLatin1(c.input)), QString::fromLatin1(c.lf)) << c.input;
    }
}
