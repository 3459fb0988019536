// String: storage, at(), appends, comparisons, find, replaceAll.
#include "core/string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>

namespace {

std::string bytes(const String& s) { return std::string(s.text(), static_cast<size_t>(s.length())); }

// A plain reference search used to check find() on many inputs.
int naiveFind(const std::string& text, const std::string& pattern, int start) {
    if (pattern.empty() || start < 0) return -1;
    size_t pos = text.find(pattern, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

}  // namespace

// --- construction and storage ---------------------------------------------

TEST(String, EmptyStringOwnsTerminatingZero) {
    String s;
    EXPECT_EQ(s.length(), 0);
    ASSERT_NE(s.text(), nullptr);
    EXPECT_EQ(s.text()[0], '\0');
}

TEST(String, NullTextGivesEmptyString) {
    String s(static_cast<const char*>(nullptr));
    EXPECT_EQ(s.length(), 0);
    EXPECT_STREQ(s.text(), "");
}

TEST(String, ConstructFromText) {
    String s("config.xml");
    EXPECT_EQ(s.length(), 10);
    EXPECT_STREQ(s.text(), "config.xml");
}

TEST(String, LengthAndTextCopiesExactlyAndTerminates) {
    const char text[] = "abcdef";
    String s(3, text);
    EXPECT_EQ(s.length(), 3);
    EXPECT_STREQ(s.text(), "abc");
}

TEST(String, LengthAndTextKeepsZeroBytes) {
    const char text[] = {'a', 0, 'b'};
    String s(3, text);
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(bytes(s), std::string(text, 3));
}

TEST(String, NegativeLengthGivesEmptyString) {
    String s(-1, "abc");
    EXPECT_EQ(s.length(), 0);
    EXPECT_STREQ(s.text(), "");
}

TEST(String, PositiveLengthWithNullTextGivesEmptyString) {
    String s(4, nullptr);
    EXPECT_EQ(s.length(), 0);
    EXPECT_STREQ(s.text(), "");
}

TEST(String, ZeroLengthGivesEmptyString) {
    String a(0, nullptr);
    String b(0, "abc");
    EXPECT_EQ(a.length(), 0);
    EXPECT_EQ(b.length(), 0);
    EXPECT_STREQ(b.text(), "");
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
}

TEST(String, SelfAssignmentKeepsValue) {
    String a("same");
    String& alias = a;
    a = alias;
    EXPECT_STREQ(a.text(), "same");
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

TEST(String, ViewAndStr) {
    String s("abc");
    EXPECT_EQ(s.view(), "abc");
    EXPECT_EQ(s.str(), "abc");
}

// --- at() ------------------------------------------------------------------

TEST(String, AtReadsAndWritesInRange) {
    String s("abc");
    EXPECT_EQ(s.at(0), 'a');
    EXPECT_EQ(s.at(2), 'c');
    s.at(1) = 'X';
    EXPECT_STREQ(s.text(), "aXc");
}

TEST(String, AtLengthPrintsFailureAndLeavesStringUnchanged) {
    String s("abc");
    testing::internal::CaptureStdout();
    char& spare = s.at(3);
    spare = 'Z';
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "End of string failure!\n");
    EXPECT_EQ(s.length(), 3);
    EXPECT_STREQ(s.text(), "abc");
}

TEST(String, AtNegativeAndOnEmptyPrintFailure) {
    String s("abc");
    String empty;
    testing::internal::CaptureStdout();
    s.at(-1);
    empty.at(0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "End of string failure!\nEnd of string failure!\n");
}

TEST(String, OutOfRangeReferencesShareOneSpareByte) {
    String a("abc");
    String b("de");
    testing::internal::CaptureStdout();
    char& first = a.at(100);
    char& second = b.at(-5);
    first = 'q';
    char seen = second;  // reads give what was last stored there
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(seen, 'q');
    EXPECT_STREQ(a.text(), "abc");
    EXPECT_STREQ(b.text(), "de");
}

// --- appends ---------------------------------------------------------------

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
    EXPECT_EQ(s.length(), static_cast<int>(std::strlen("0 -2147483648 2147483647")));
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

TEST(String, AppendStringAndByteReturnTheString) {
    String s("a");
    String& r = s.append(String("bc")).append('d');
    EXPECT_EQ(&r, &s);
    EXPECT_EQ(bytes(s), "abcd");
    EXPECT_EQ(s.length(), 4);
}

TEST(String, AppendZeroByteGrowsByOne) {
    String s("a");
    s.append('\0');
    EXPECT_EQ(s.length(), 2);
    EXPECT_EQ(bytes(s), std::string("a\0", 2));
}

TEST(String, AppendItself) {
    String s("ab");
    s.append(s);
    EXPECT_EQ(bytes(s), "abab");
}

TEST(String, AppendEmptyChangesNothing) {
    String s("ab");
    s.append(String());
    EXPECT_EQ(bytes(s), "ab");
}

// --- comparisons -----------------------------------------------------------

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

TEST(String, EndsWithThreeAndFourByteSuffixes) {
    EXPECT_TRUE(String("project.qz").endsWith(".qz"));
    EXPECT_FALSE(String("project.QZ").endsWith(".qz"));
    EXPECT_TRUE(String("image.bmp").endsWith(".bmp"));
    EXPECT_FALSE(String("image.bmp").endsWith(".png"));
}

TEST(String, EndsWithOtherLengthsIsFalse) {
    EXPECT_FALSE(String("photo.jpeg").endsWith(".jpeg"));
    EXPECT_FALSE(String("a.b").endsWith(".b"));
    EXPECT_FALSE(String("a.b").endsWith("b"));
    EXPECT_FALSE(String("abc").endsWith(""));
    EXPECT_FALSE(String("abc").endsWith(nullptr));
}

TEST(String, EndsWithShorterStringIsFalse) {
    EXPECT_FALSE(String("qz").endsWith(".qz"));
    EXPECT_FALSE(String("").endsWith(".bmp"));
    EXPECT_TRUE(String(".qz").endsWith(".qz"));
    EXPECT_TRUE(String(".bmp").endsWith(".bmp"));
}

// --- find ------------------------------------------------------------------

TEST(String, FindSpecExamples) {
    String s("xxabxab");
    EXPECT_EQ(s.find(String("ab"), 0), 2);
    EXPECT_EQ(s.find(String("ab"), 3), 5);
    EXPECT_EQ(s.find(String("zz"), 0), -1);
}

TEST(String, FindAtStartAndEnd) {
    String s("abcabc");
    EXPECT_EQ(s.find(String("abc"), 0), 0);
    EXPECT_EQ(s.find(String("abc"), 1), 3);
    EXPECT_EQ(s.find(String("abc"), 3), 3);
    EXPECT_EQ(s.find(String("abc"), 4), -1);
    EXPECT_EQ(s.find(String("c"), 5), 5);
    EXPECT_EQ(s.find(String("c"), 6), -1);
}

TEST(String, FindPatternLongerThanText) {
    EXPECT_EQ(String("ab").find(String("abc"), 0), -1);
    EXPECT_EQ(String("").find(String("a"), 0), -1);
}

TEST(String, FindWholeText) { EXPECT_EQ(String("plastora").find(String("plastora"), 0), 0); }

TEST(String, FindEmptyPatternAndBadStart) {
    String s("abc");
    EXPECT_EQ(s.find(String(), 0), -1);
    EXPECT_EQ(s.find(String("a"), -1), -1);
    EXPECT_EQ(s.find(String("a"), 1000), -1);
    EXPECT_EQ(s.find(String("abc"), INT_MAX), -1);  // start + m - 1 must not overflow
}

TEST(String, FindOverlappingOccurrences) {
    String s("aaaa");
    EXPECT_EQ(s.find(String("aa"), 0), 0);
    EXPECT_EQ(s.find(String("aa"), 1), 1);
    EXPECT_EQ(s.find(String("aa"), 2), 2);
    EXPECT_EQ(s.find(String("aa"), 3), -1);
    String t("abababa");
    EXPECT_EQ(t.find(String("aba"), 1), 2);
    EXPECT_EQ(t.find(String("aba"), 3), 4);
}

TEST(String, FindWithRepeatedPatternBytes) {
    // The bad-character table takes the last position of each byte.
    String s("xabcabdabcabcx");
    EXPECT_EQ(s.find(String("abcabc"), 0), 7);
    EXPECT_EQ(s.find(String("bcab"), 0), 2);
    EXPECT_EQ(s.find(String("bcab"), 3), 8);
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

// --- replaceAll --------------------------------------------------------------

TEST(String, ReplaceEqualLength) {
    String s("xxabxab");
    s.replaceAll(String("ab"), String("CD"));
    EXPECT_EQ(bytes(s), "xxCDxCD");
    EXPECT_EQ(s.length(), 7);
}

TEST(String, ReplaceShorter) {
    String s("xxabxab");
    s.replaceAll(String("ab"), String("-"));
    EXPECT_EQ(bytes(s), "xx-x-");
    EXPECT_EQ(s.length(), 5);
}

TEST(String, ReplaceByEmpty) {
    String s("a.b.c.");
    s.replaceAll(String("."), String());
    EXPECT_EQ(bytes(s), "abc");
    EXPECT_EQ(s.length(), 3);
}

TEST(String, ReplaceLonger) {
    String s("xxabxab");
    s.replaceAll(String("ab"), String("<ab>"));
    EXPECT_EQ(bytes(s), "xx<ab>x<ab>");
    EXPECT_EQ(s.length(), 11);
}

TEST(String, DoublingBackslashesDoublesEachOnce) {
    String s("C:\\Program Files\\Plastora\\");
    s.replaceAll(String("\\"), String("\\\\"));
    EXPECT_EQ(bytes(s), "C:\\\\Program Files\\\\Plastora\\\\");
    String adjacent("\\\\");
    adjacent.replaceAll(String("\\"), String("\\\\"));
    EXPECT_EQ(bytes(adjacent), "\\\\\\\\");
}

TEST(String, ReplaceNoOccurrenceChangesNothing) {
    String s("abc");
    s.replaceAll(String("zz"), String("y"));
    EXPECT_EQ(bytes(s), "abc");
    s.replaceAll(String(), String("y"));
    EXPECT_EQ(bytes(s), "abc");
}

TEST(String, ReplaceWholeString) {
    String s("abc");
    s.replaceAll(String("abc"), String("z"));
    EXPECT_EQ(bytes(s), "z");
    String t("abc");
    t.replaceAll(String("abc"), String("abcabc"));
    EXPECT_EQ(bytes(t), "abcabc");
}

TEST(String, ReplaceOverlappingOccurrencesTakesThemLeftToRight) {
    // "aa" in "aaa" occurs at 0 and 1; the second overlaps the first, whose
    // bytes are already replaced, so it is not replaced again.
    String equal("aaa");
    equal.replaceAll(String("aa"), String("bc"));
    EXPECT_EQ(bytes(equal), "bca");
    String shorter("aaaa");
    shorter.replaceAll(String("aa"), String("b"));
    EXPECT_EQ(bytes(shorter), "bb");
    String longer("aaaaa");
    longer.replaceAll(String("aa"), String("xyz"));
    EXPECT_EQ(bytes(longer), "xyzxyza");
    String aba("ababa");
    aba.replaceAll(String("aba"), String("_"));
    EXPECT_EQ(bytes(aba), "_ba");
}

TEST(String, ReplaceUsesOnlyOccurrencesOfTheOriginalText) {
    // Replacing "abcd" by "ca" in "abcdbcd" would create a new "abcd" at 1;
    // it is not an occurrence of the original text.
    String shorter("abcdbcd");
    shorter.replaceAll(String("abcd"), String("ca"));
    EXPECT_EQ(bytes(shorter), "cabcd");
    String longer("ab");
    longer.replaceAll(String("ab"), String("aab"));
    EXPECT_EQ(bytes(longer), "aab");
    String equal("aab");
    equal.replaceAll(String("ab"), String("ba"));  // the result "aba" holds a new "ab"
    EXPECT_EQ(bytes(equal), "aba");
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
