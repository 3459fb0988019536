// JSON snapshots: the text other programs read, escapes, numbers that are no
// numbers, and keys set twice.
#include "core/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(Json, ObjectsKeepTheirKeyOrderAndReplaceAKeySetTwice) {
    JsonValue root = JsonValue::object();
    root.set("mode", JsonValue::number(1));
    root.set("rubric", JsonValue::string("Image"));
    root.set("selected", JsonValue());
    JsonValue& view = root.set("view", JsonValue::array());
    view.append(JsonValue::number(208)).kind();
    view.append(JsonValue::number(120.5));
    root.set("mode", JsonValue::number(2));
    EXPECT_EQ(root.serialise(0), R"({"mode":2,"rubric":"Image","selected":null,"view":[208,120.5]})");
    EXPECT_EQ(root.find("rubric")->asString(), "Image");
    EXPECT_EQ(root.find("nothing"), nullptr);
    EXPECT_EQ(root.find("view")->item(1)->asNumber(), 120.5);
    EXPECT_EQ(root.find("view")->item(2), nullptr);
}

TEST(Json, StringsAreEscapedAndNonFiniteNumbersAreNull) {
    struct Case {
        JsonValue value;
        const char* text;
    };
    const Case cases[] = {
        {JsonValue::string("a\"b\\c\nd\te\x01"), R"("a\"b\\c\nd\te\u0001")"},
        {JsonValue::string("caf\xc3\xa9"), "\"caf\xc3\xa9\""},
        {JsonValue::string("\xf0\x9f\x99\x82!"), "\"\xf0\x9f\x99\x82!\""},
        // Not UTF-8: a stray byte, an overlong form, a surrogate, a cut sequence.
        {JsonValue::string("a\xff b\xc0\xaf c\xed\xa0\x80 d\xe2\x82"),
         "\"a\xef\xbf\xbd b\xef\xbf\xbd\xef\xbf\xbd c\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd d\xef\xbf\xbd\xef\xbf\xbd\""},
        {JsonValue::number(std::numeric_limits<double>::quiet_NaN()), "null"},
        {JsonValue::number(std::numeric_limits<double>::infinity()), "null"},
        {JsonValue::number(-3), "-3"},
        {JsonValue::number(0.1f), "0.100000001"},
        {JsonValue::number(1e20), "1e+20"},
        {JsonValue::boolean(true), "true"},
        {JsonValue::array(), "[]"},
        {JsonValue::object(), "{}"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value.serialise(0), c.text);
}

TEST(Json, IndentedTextNestsOneLevelPerLine) {
    JsonValue root = JsonValue::object();
    JsonValue& images = root.set("images", JsonValue::array());
    images.append(JsonValue::object()).set("name", JsonValue::string("1"));
    EXPECT_EQ(root.serialise(2), "{\n  \"images\": [\n    {\n      \"name\": \"1\"\n    }\n  ]\n}");
}

}  // namespace
