// String: storage, at(), appends, comparisons, find, replaceAll.
#include "core/string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>

namespace {

std::string bytes(const String& s) { return std::string(s.text(), static_cast<size_t>(s.length())); }

int naiveFind(const std::string& text, const std::string& pattern, int start) {
    if (pattern.empty() || start < 0) return -1;
    size_t pos = text.find(pattern, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

}  // namespace

TEST(String, Construction) {
    EXPECT_STREQ(String().text(), "");
    EXPECT_STREQ(String("config.xml").text(), "config.xml");
    EXPECT_EQ(String("config.xml").length(), 10);
    String prefix(3, "abcdef");
    EXPECT_EQ(prefix.length(), 3);
    EXPECT_STREQ(prefix.text(), "abc");
    const char zero[] = {'a', 0, 'b'};
    EXPECT_EQ(bytes(String(3, zero)), std::string(zero, 3));
    // Null text, negative length or zero length give an empty string.
    for (const String& s : {String(static_cast<const char*>(nullptr)), String(-1, "abc"), String(4, nullptr),
                            String(0, nullptr), String(0, "abc")}) {
        EXPECT_EQ(s.length(), 0);
        ASSERT_NE(s.text(), nullptr);
        EXPECT_STREQ(s.text(), "");
    }
}

TEST(String, CopyIsIndependent) {
    String a("hello");
    String b(a);
    b.at(0) = 'j';
    EXPECT_STREQ(a.text(), "hello");
    EXPECT_STREQ(b.text(), "jello");
    String c;
    c = a;
    c.append('!');
    EXPECT_STREQ(a.text(), "hello");
    EXPECT_STREQ(c.text(), "hello!");
    String& alias = a;
    a = alias;
    EXPECT_STREQ(a.text(), "hello");
}

TEST(String, MovedFromStringIsEmptyAndUsable) {
    String a("moved");
    String b(std::move(a));
    EXPECT_STREQ(b.text(), "moved");
    EXPECT_EQ(a.length(), 0);  // NOLINT(bugprone-use-after-move): documented state
    EXPECT_STREQ(a.text(), "");
    a.append(String("again"));
    EXPECT_STREQ(a.text(), "again");

    String c("x");
    c = std::move(b);
    EXPECT_STREQ(c.text(), "moved");
}

TEST(String, AtReadsAndWritesInRange) {
    String s("abc");
    EXPECT_EQ(s.at(0), 'a');
    EXPECT_EQ(s.at(2), 'c');
    s.at(1) = 'X';
    EXPECT_STREQ(s.text(), "aXc");
}

TEST(String, AtOutOfRangePrintsFailureAndLeavesStringUnchanged) {
    String s("abc");
    String other("de");
    String empty;
    testing::internal::CaptureStdout();
    s.at(3) = 'Z';
    s.at(-1) = 'Y';
    other.at(100) = 'q';
    empty.at(0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "End of string failure!\nEnd of string failure!\nEnd of string failure!\nEnd of string failure!\n");
    EXPECT_EQ(s.length(), 3);
    EXPECT_STREQ(s.text(), "abc");
    EXPECT_STREQ(other.text(), "de");
    EXPECT_STREQ(empty.text(), "");
}

TEST(String, AppendNegativeInteger) {
    String s("x");
    s.append(-5);
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(bytes(s), "x-5");
}

TEST(String, AppendIntegerExtremes) {
    String s;
    s.append(0).append(' ').append(INT_MIN).append(' ').append(INT_MAX);
    EXPECT_EQ(bytes(s), "0 -2147483648 2147483647");
}

TEST(String, AppendFloatHasSixDecimals) {
    String s;
    s.append(102.0);
    EXPECT_EQ(bytes(s), "102.000000");
    String t("v=");
    t.append(-0.5);
    EXPECT_EQ(bytes(t), "v=-0.500000");
    EXPECT_EQ(t.length(), 11);
}

TEST(String, AppendHugeFloatKeepsAllDigits) {
    String s;
    s.append(1e300);
    EXPECT_EQ(s.length(), 301 + 7);  // 301 integer digits, ".000000"
    EXPECT_TRUE(s.endsWith("0000"));
}

TEST(String, AppendStringByteZeroByteItselfAndEmpty) {
    String s("a");
    String& r = s.append(String("bc")).append('d').append('\0');
    EXPECT_EQ(&r, &s);
    EXPECT_EQ(bytes(s), std::string("abcd\0", 5));
    String t("ab");
    t.append(t).append(String());
    EXPECT_EQ(bytes(t), "abab");
}

TEST(String, EqualsIsExactAndCaseSensitive) {
    String s("Border");
    EXPECT_TRUE(s.equals("Border"));
    EXPECT_TRUE(s.equals(String("Border")));
    EXPECT_FALSE(s.equals("border"));
    EXPECT_FALSE(s.equals("Borde"));
    EXPECT_FALSE(s.equals("Borders"));
    EXPECT_TRUE(String().equals(""));
    EXPECT_TRUE(String().equals(static_cast<const char*>(nullptr)));
    EXPECT_TRUE(String("a") == String("a"));
    EXPECT_FALSE(String("a") == String("b"));
}

TEST(String, EqualsComparesBytesPastZero) {
    const char a[] = {'a', 0, 'b'};
    const char b[] = {'a', 0, 'c'};
    EXPECT_FALSE(String(3, a).equals(String(3, b)));
    EXPECT_TRUE(String(3, a).equals(String(3, a)));
}

TEST(String, EndsWithOnlyMatchesThreeAndFourByteSuffixes) {
    struct Case {
        const char* text;
        const char* suffix;
        bool expected;
    };
    const Case cases[] = {
        {"project.qz", ".qz", true},   {"project.QZ", ".qz", false},  {"image.bmp", ".bmp", true},
        {"image.bmp", ".png", false},  {".qz", ".qz", true},          {".bmp", ".bmp", true},
        {"photo.jpeg", ".jpeg", false}, {"a.b", ".b", false},         {"a.b", "b", false},
        {"abc", "", false},            {"abc", nullptr, false},       {"qz", ".qz", false},
        {"", ".bmp", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(String(c.text).endsWith(c.suffix), c.expected) << c.text << " / " << (c.suffix ? c.suffix : "null");
}

TEST(String, FindCases) {
    struct Case {
        const char* text;
        const char* pattern;
        int start;
        int expected;
    };
    const Case cases[] = {
        {"xxabxab", "ab", 0, 2}, {"xxabxab", "ab", 3, 5}, {"xxabxab", "zz", 0, -1},
        {"abcabc", "abc", 0, 0}, {"abcabc", "abc", 1, 3}, {"abcabc", "abc", 3, 3},
        {"abcabc", "abc", 4, -1}, {"abcabc", "c", 5, 5}, {"abcabc", "c", 6, -1},
        {"ab", "abc", 0, -1},    {"", "a", 0, -1},        {"plastora", "plastora", 0, 0},
        {"abc", "", 0, -1},      {"abc", "a", -1, -1},    {"abc", "a", 1000, -1},
        {"abc", "abc", INT_MAX, -1},  // start + m - 1 must not overflow
        {"aaaa", "aa", 1, 1},    {"aaaa", "aa", 2, 2},    {"aaaa", "aa", 3, -1},
        {"abababa", "aba", 1, 2}, {"abababa", "aba", 3, 4},
        // The bad-character table takes the last position of each byte.
        {"xabcabdabcabcx", "abcabc", 0, 7}, {"xabcabdabcabcx", "bcab", 0, 2}, {"xabcabdabcabcx", "bcab", 3, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(String(c.text).find(String(c.pattern), c.start), c.expected)
            << c.text << " / " << c.pattern << " from " << c.start;
}

TEST(String, FindHighBytes) {
    const char text[] = {'a', '\xff', '\x80', 'b', '\xff', '\x80', 0};
    const char pattern[] = {'\xff', '\x80', 0};
    String s(text);
    EXPECT_EQ(s.find(String(pattern), 0), 1);
    EXPECT_EQ(s.find(String(pattern), 2), 4);
}

TEST(String, FindMatchesReferenceOnManyInputs) {
    // Small alphabet: many partial matches and overlaps.
    unsigned seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string text, pattern;
        int n = static_cast<int>(next() % 20);
        int m = 1 + static_cast<int>(next() % 5);
        for (int i = 0; i < n; ++i) text += static_cast<char>('a' + next() % 3);
        for (int i = 0; i < m; ++i) pattern += static_cast<char>('a' + next() % 3);
        String s(static_cast<int>(text.size()), text.data());
        String p(static_cast<int>(pattern.size()), pattern.data());
        for (int start = 0; start <= n + 1; ++start)
            ASSERT_EQ(s.find(p, start), naiveFind(text, pattern, start))
                << "text=" << text << " pattern=" << pattern << " start=" << start;
    }
}

TEST(String, ReplaceAllCases) {
    struct Case {
        const char* text;
        const char* from;
        const char* to;
        const char* expected;
    };
    const Case cases[] = {
        {"xxabxab", "ab", "CD", "xxCDxCD"},
        {"xxabxab", "ab", "-", "xx-x-"},
        {"xxabxab", "ab", "<ab>", "xx<ab>x<ab>"},
        {"a.b.c.", ".", "", "abc"},
        {"C:\\Program Files\\Plastora\\", "\\", "\\\\", "C:\\\\Program Files\\\\Plastora\\\\"},
        {"\\\\", "\\", "\\\\", "\\\\\\\\"},  // each backslash doubled once
        {"abc", "zz", "y", "abc"},
        {"abc", "", "y", "abc"},
        {"abc", "abc", "z", "z"},
        {"abc", "abc", "abcabc", "abcabc"},
        // Overlapping occurrences are taken left to right.
        {"aaa", "aa", "bc", "bca"},
        {"aaaa", "aa", "b", "bb"},
        {"aaaaa", "aa", "xyz", "xyzxyza"},
        {"ababa", "aba", "_", "_ba"},
        // Only occurrences in the original text are replaced.
        {"abcdbcd", "abcd", "ca", "cabcd"},
        {"ab", "ab", "aab", "aab"},
        {"aab", "ab", "ba", "aba"},
    };
    for (const Case& c : cases) {
        String s(c.text);
        s.replaceAll(String(c.from), String(c.to));
        EXPECT_EQ(bytes(s), c.expected) << c.text << " / " << c.from << " -> " << c.to;
        EXPECT_EQ(s.length(), static_cast<int>(std::strlen(c.expected)));
    }
}

TEST(String, ReplaceWithItselfAsArgument) {
    String s("abc");
    s.replaceAll(s, String("x"));
    EXPECT_EQ(bytes(s), "x");
    String t("ab");
    t.replaceAll(String("b"), t);
    EXPECT_EQ(bytes(t), "aab");
}

TEST(String, ReplaceKeepsExactSizeTermination) {
    String s("a\\b");
    s.replaceAll(String("\\"), String("\\\\"));
    EXPECT_EQ(s.length(), 4);
    EXPECT_EQ(s.text()[4], '\0');
    String t("a--b--");
    t.replaceAll(String("--"), String("-"));
    EXPECT_EQ(t.length(), 4);
    EXPECT_EQ(t.text()[4], '\0');
}
