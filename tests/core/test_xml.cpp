#include "core/xml.h"

#include "core/file_io.h"
#include "core/string.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

using testsupport::TempDir;

namespace {

// Records parser events as text lines.
class Recorder : public SaxHandler {
public:
    void startElement(const String& name, const std::vector<XmlAttribute>& attributes) override {
        std::string line = "start " + name.str();
        for (const XmlAttribute& a : attributes) line += " [" + a.name.str() + "|" + a.value.str() + "]";
        events.push_back(line);
    }
    void characters(const String& text) override { events.push_back("text " + text.str()); }
    void endElement(const String& name) override { events.push_back("end " + name.str()); }
    std::vector<std::string> events;
};

std::vector<std::string> eventsOf(const std::string& input) {
    Recorder recorder;
    parseXml(reinterpret_cast<const unsigned char*>(input.data()), input.size(), recorder);
    return recorder.events;
}

bool parseText(XmlDocument& document, const std::string& input) {
    return document.parseBuffer(reinterpret_cast<const unsigned char*>(input.data()), input.size());
}

// A small configuration tree: a text child and an attribute-only child.
std::unique_ptr<XmlNode> exampleTree() {
    auto root = std::make_unique<XmlNode>(String("config"));
    root->addChild(String("voxelsize"), String("64"));
    XmlNode* border = root->addChild(String("border"));
    border->addAttribute(String("right"), String("10"));
    border->addAttribute(String("bottom"), String("20"));
    return root;
}

const char* const kExampleText =
    "<config>\n"
    "    <voxelsize>64</voxelsize>\n"
    "    <border right=10 bottom=20></border>\n"
    "</config>\n";

// Structural equality: names, attribute pairs in order, texts, children.
void expectSameTree(const XmlNode& a, const XmlNode& b) {
    std::vector<std::pair<const XmlNode*, const XmlNode*>> stack{{&a, &b}};
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        ASSERT_EQ(x->name().str(), y->name().str());
        ASSERT_EQ(x->text().str(), y->text().str()) << "in " << x->name().str();
        ASSERT_EQ(x->attributeCount(), y->attributeCount()) << "in " << x->name().str();
        for (int i = 0; i < x->attributeCount(); ++i) {
            ASSERT_EQ(x->attribute(i).name.str(), y->attribute(i).name.str());
            ASSERT_EQ(x->attribute(i).value.str(), y->attribute(i).value.str());
        }
        ASSERT_EQ(x->childCount(), y->childCount()) << "in " << x->name().str();
        for (int i = 0; i < x->childCount(); ++i) {
            ASSERT_EQ(x->child(i)->parent(), x);
            stack.push_back({x->child(i), y->child(i)});
        }
    }
}

}  // namespace

TEST(XmlNode, ChildrenAndAttributesKeepOrder) {
    XmlNode node(String("root"));
    XmlNode* a = node.addChild(String("a"), String("1"));
    XmlNode* b = node.addChild(std::make_unique<XmlNode>(String("b")));
    XmlNode* a2 = node.addChild(String("a"), String("2"));
    ASSERT_EQ(node.childCount(), 3);
    EXPECT_EQ(node.child(1), b);
    EXPECT_EQ(node.child(2), a2);
    EXPECT_EQ(b->parent(), &node);
    EXPECT_EQ(node.child(3), nullptr);
    EXPECT_EQ(node.child(-1), nullptr);
    EXPECT_EQ(node.findChild("a"), a);  // the first match wins
    EXPECT_EQ(node.findChild("A"), nullptr);
    EXPECT_EQ(node.addChild(std::unique_ptr<XmlNode>()), nullptr);
    EXPECT_EQ(node.childCount(), 3);

    node.addAttribute(String("x"), String("1"));
    node.addAttribute(String("y"), String("2"));
    node.addAttribute(String("x"), String("3"));
    ASSERT_EQ(node.attributeCount(), 3);
    EXPECT_EQ(node.attribute(2).value.str(), "3");
    EXPECT_EQ(node.attribute(3).name.length(), 0);
    EXPECT_EQ(node.attribute(-1).value.length(), 0);
    ASSERT_NE(node.findAttribute("x"), nullptr);
    EXPECT_EQ(node.findAttribute("x")->str(), "1");
    EXPECT_EQ(node.findAttribute("z"), nullptr);

}

TEST(XmlReader, EventsOfASmallDocument) {
    std::vector<std::string> expected{"start config", "start voxelsize", "text 64", "end voxelsize",
                                      "start border [right|10] [bottom|20]", "end border", "end config"};
    EXPECT_EQ(eventsOf(kExampleText), expected);
}

TEST(XmlReader, EventTable) {
    using Events = std::vector<std::string>;
    struct Case {
        const char* input;
        Events expected;
    };
    const Case cases[] = {
        // Only space, CR and LF separate; a tab belongs to the name.
        {"<\ta>", {"start \ta"}},
        {"< a >\r\n\t</a>", {"start a", "text \t", "end a"}},
        {"<a b\t=c>", {"start a [b\t|c]"}},
        {"<a b=1 c = 2 d e>", {"start a [b|1] [c|2] [d|e]"}},
        {"<a name=\"x\">", {"start a [name|\"x\"]"}},
        {"<a b>", {"start a"}},  // a name without value is dropped
        {"<a b==c>", {"start a [b|c]"}},
        {"<a =b>", {"start a"}},
        {"<a b=>", {"start a"}},
        {"<a b=1/>", {"start a [b|1/]"}},  // no empty-element tags
        {"</a x=1>", {"end a"}},
        {"< /a >", {"end a"}},
        {"</>", {"end "}},
        {"<a>  hello world  </a>", {"start a", "text hello world  ", "end a"}},
        {"<a>one\r\ntwo</a>", {"start a", "text one", "text two", "end a"}},
        // "=" and a stray ">" outside a tag are consumed and dropped.
        {"<a>x=y>z</a>", {"start a", "text x", "text y", "text z", "end a"}},
        {"=>=>", {}},
        // A "<" inside a tag drops the open tag and starts the next one.
        {"<a <b>t</b>", {"start b", "text t", "end b"}},
        {"<a><b", {"start a"}},
        {"<a><b x=1", {"start a"}},
        {"<a></a", {"start a"}},
    };
    for (const Case& c : cases) EXPECT_EQ(eventsOf(c.input), c.expected) << c.input;
    testing::internal::CaptureStdout();
    EXPECT_EQ(eventsOf("<a>text<"), (Events{"start a", "text text"}));
    testing::internal::GetCapturedStdout();
}

TEST(XmlReader, NamelessTagPrintsFailureAndIsIgnored) {
    testing::internal::CaptureStdout();
    std::vector<std::string> events = eventsOf("<><a>< >x</a>");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(events, (std::vector<std::string>{"start a", "text x", "end a"}));
    EXPECT_EQ(out, "End of string failure!\nEnd of string failure!\n");
}

TEST(XmlReader, NeverReadsPastCount) {
    // Only the first bytes are given; what follows them must not be seen.
    std::string input = "<a>xy</a>";
    Recorder recorder;
    parseXml(reinterpret_cast<const unsigned char*>(input.data()), 5, recorder);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start a", "text xy"}));
    Recorder none;
    parseXml(nullptr, 10, none);
    parseXml(reinterpret_cast<const unsigned char*>(input.data()), 0, none);
    EXPECT_TRUE(none.events.empty());
}

TEST(XmlReader, ZeroBytesAreOrdinaryBytes) {
    std::string input("<a\0b>x\0y</a>", 12);
    std::vector<std::string> events = eventsOf(input);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], std::string("start a\0b", 9));
    EXPECT_EQ(events[1], std::string("text x\0y", 8));
}

TEST(XmlDocument, BuildsTheTree) {
    XmlDocument document;
    ASSERT_TRUE(parseText(document, kExampleText));
    XmlNode* root = document.root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name().str(), "config");
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text().str(), "64");
    XmlNode* border = root->findChild("border");
    ASSERT_NE(border, nullptr);
    ASSERT_EQ(border->attributeCount(), 2);
    EXPECT_EQ(border->attribute(0).name.str(), "right");
    EXPECT_EQ(border->attribute(0).value.str(), "10");
    EXPECT_EQ(border->attribute(1).name.str(), "bottom");
    EXPECT_EQ(border->attribute(1).value.str(), "20");
    EXPECT_EQ(border->parent(), root);
}

TEST(XmlDocument, MalformedNestingAndStrayText) {
    XmlDocument document;
    ASSERT_TRUE(parseText(document, "before<a>one<b>inner</b>two</a>after"));
    EXPECT_EQ(document.root()->text().str(), "two");  // later text replaces earlier; outside text dropped
    EXPECT_EQ(document.root()->child(0)->text().str(), "inner");
    // The closing tag name is not compared.
    ASSERT_TRUE(parseText(document, "<a><b></x><c></c></a>"));
    ASSERT_EQ(document.root()->childCount(), 2);
    EXPECT_EQ(document.root()->child(1)->name().str(), "c");
    // A missing closing tag nests later elements.
    ASSERT_TRUE(parseText(document, "<a><b><c></c></a>"));
    ASSERT_EQ(document.root()->childCount(), 1);
    ASSERT_EQ(document.root()->child(0)->childCount(), 1);
    EXPECT_EQ(document.root()->child(0)->child(0)->name().str(), "c");
    // Elements after the root are ignored.
    ASSERT_TRUE(parseText(document, "<a>x</a><b>y<c></c></b><d></d></a><e></e>"));
    EXPECT_EQ(document.root()->text().str(), "x");
    EXPECT_EQ(document.root()->childCount(), 0);
}

TEST(XmlDocument, ParseFileAndReplaceOldTree) {
    TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("c.xml"), "<config>\r\n    <logging>1</logging>\r\n</config>\r\n"));
    XmlDocument document;
    ASSERT_TRUE(document.parse(String(dir.file("c.xml").c_str())));
    ASSERT_NE(document.root()->findChild("logging"), nullptr);
    EXPECT_EQ(document.root()->findChild("logging")->text().str(), "1");

    EXPECT_FALSE(document.parse(String(dir.file("missing.xml").c_str())));
    EXPECT_EQ(document.root(), nullptr);

    ASSERT_TRUE(testsupport::writeText(dir.file("empty.xml"), ""));
    EXPECT_FALSE(document.parse(String(dir.file("empty.xml").c_str())));
    EXPECT_EQ(document.root(), nullptr);
}

TEST(XmlDocument, DeepNestingParsesAndFrees) {
    const int depth = 1000000;
    std::string input;
    input.reserve(static_cast<size_t>(depth) * 3);
    for (int i = 0; i < depth; ++i) input += "<a>";
    {
        XmlDocument document;
        ASSERT_TRUE(parseText(document, input));
        int levels = 1;
        for (XmlNode* node = document.root(); node->childCount() > 0; node = node->child(0)) ++levels;
        EXPECT_EQ(levels, depth);
        // Without indentation the text is linear in the depth.
        String text = formatNode(*document.root(), 0, 0);
        EXPECT_EQ(text.length(), depth * 9 - 1);  // "<a>" "\n" "</a>\n", no line break after the leaf's "<a>"
    }  // the tree is freed here
    for (int i = 0; i < depth; ++i) input += "</a>";
    XmlDocument again;
    ASSERT_TRUE(parseText(again, input));
    again.clear();
}

TEST(XmlWriter, ExampleLayout) {
    std::unique_ptr<XmlNode> root = exampleTree();
    EXPECT_EQ(formatNode(*root, 4, 0).str(), kExampleText);
    TempDir dir;
    String path(dir.file("config.xml").c_str());
    ASSERT_TRUE(writeNode(*root, path, 4, 0));
    EXPECT_EQ(testsupport::readText(dir.file("config.xml")), kExampleText);
}

TEST(XmlWriter, IndentUnitAndStartDepth) {
    std::unique_ptr<XmlNode> root = exampleTree();
    root->child(0)->addChild(String("deep"), String("1"));
    EXPECT_EQ(formatNode(*root, 2, 1).str(),
              "  <config>\n"
              "    <voxelsize>\n"
              "      <deep>1</deep>\n"
              "    </voxelsize>\n"
              "    <border right=10 bottom=20></border>\n"
              "  </config>\n");
    EXPECT_EQ(formatNode(*root->child(1), 0, 5).str(), "<border right=10 bottom=20></border>\n");
}

TEST(XmlWriter, TextOfANodeWithChildrenIsNotWritten) {
    XmlNode node(String("a"));
    node.setText(String("lost"));
    node.addChild(String("b"));
    EXPECT_EQ(formatNode(node, 4, 0).str(), "<a>\n    <b></b>\n</a>\n");
}

TEST(XmlWriter, AppendsToAnExistingFile) {
    TempDir dir;
    String path(dir.file("config.xml").c_str());
    ASSERT_TRUE(testsupport::writeText(dir.file("config.xml"), "old\n"));
    std::unique_ptr<XmlNode> root = exampleTree();
    ASSERT_TRUE(writeNode(*root, path, 4, 0));
    EXPECT_EQ(testsupport::readText(dir.file("config.xml")), std::string("old\n") + kExampleText);
    ASSERT_TRUE(writeNode(*root, path, 4, 0));
    EXPECT_EQ(testsupport::readText(dir.file("config.xml")), std::string("old\n") + kExampleText + kExampleText);
}

TEST(XmlWriter, SaveDocumentReplacesTheFile) {
    TempDir dir;
    std::string file = dir.file("config.xml");
    ASSERT_TRUE(testsupport::writeText(file, "a much longer old content that must disappear entirely\n"));
    XmlDocument document;
    document.setRoot(exampleTree());
    ASSERT_TRUE(saveDocument(document, String(file.c_str())));
    EXPECT_EQ(testsupport::readText(file), kExampleText);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator{}),
              1);  // no temporary file left
    EXPECT_FALSE(saveDocument(document, String(dir.file("no/such/config.xml").c_str())));
    EXPECT_FALSE(writeNode(*document.root(), String(dir.file("no/such/file.xml").c_str()), 4, 0));
    EXPECT_FALSE(saveDocument(XmlDocument(), String(dir.file("x.xml").c_str())));  // no root
    EXPECT_FALSE(testsupport::fileExists(dir.file("x.xml")));
}

TEST(XmlWriter, FormatNodeEqualsWriteNode) {
    std::unique_ptr<XmlNode> root = exampleTree();
    root->child(1)->addChild(String("image"), String("image0.bmp"))->addAttribute(String("index"), String("3"));
    TempDir dir;
    for (int unit : {0, 1, 4}) {
        std::string file = dir.file("t" + std::to_string(unit));
        ASSERT_TRUE(writeNode(*root, String(file.c_str()), unit, 3));
        EXPECT_EQ(testsupport::readText(file), formatNode(*root, unit, 3).str());
    }
}

TEST(XmlRoundTrip, NamesAttributeOrderAndTexts) {
    auto root = std::make_unique<XmlNode>(String("project"));
    root->addAttribute(String("version"), String("1.02"));
    root->addAttribute(String("b"), String("2"));
    root->addAttribute(String("a"), String("1"));
    root->addChild(String("voxelsize"), String("64"));
    root->addChild(String("scale"), String("0.500000"));
    root->addChild(String("file"), String("C:\\\\images\\\\my photo.jpg"));
    root->addChild(String("empty"));
    XmlNode* clip = root->addChild(String("clipping"));
    clip->addAttribute(String("quoted"), String("\"x\""));
    clip->addChild(String("angle"), String("-12.250000"));
    XmlNode* deeper = clip->addChild(String("colour"));
    deeper->addChild(String("red"), String("102.000000"));
    deeper->addChild(String("green"), String("0.000000"));
    deeper->addChild(String("blue"), String("255.000000"));
    root->addChild(String("\ttabbed"), String("a\tb"));

    TempDir dir;
    String path(dir.file("p.qz").c_str());
    XmlDocument written;
    written.setRoot(std::move(root));
    ASSERT_TRUE(saveDocument(written, path));
    XmlDocument read;
    ASSERT_TRUE(read.parse(path));
    expectSameTree(*written.root(), *read.root());
    // And once more through the text in memory.
    String text = formatNode(*read.root(), 4, 0);
    XmlDocument again;
    ASSERT_TRUE(again.parseBuffer(reinterpret_cast<const unsigned char*>(text.text()), static_cast<size_t>(text.length())));
    expectSameTree(*written.root(), *again.root());
}

TEST(XmlRoundTrip, QuotedValueKeepsItsQuotes) {
    XmlDocument document;
    ASSERT_TRUE(parseText(document, "<a name=\"x\"></a>"));
    ASSERT_EQ(document.root()->attributeCount(), 1);
    EXPECT_EQ(document.root()->attribute(0).value.str(), "\"x\"");
    EXPECT_EQ(formatNode(*document.root(), 4, 0).str(), "<a name=\"x\"></a>\n");
}

namespace {

// Parses `input` (given in a buffer of exactly its size) and prints the tree
// back; whatever the bytes, this must terminate without a crash.
void parseAndFormat(const std::vector<unsigned char>& input) {
    XmlDocument document;
    if (document.parseBuffer(input.data(), input.size())) {
        String text = formatNode(*document.root(), 1, 0);
        ASSERT_GT(text.length(), 0);
        // What the writer prints reads back to a tree that prints the same.
        XmlDocument again;
        ASSERT_TRUE(again.parseBuffer(reinterpret_cast<const unsigned char*>(text.text()), static_cast<size_t>(text.length())));
        EXPECT_EQ(formatNode(*again.root(), 1, 0).str(), text.str());
    }
}

}  // namespace

TEST(XmlRobustness, RandomBytesNeverCrash) {
    std::mt19937 random(20240607);
    const char special[] = "<>=/ \r\n\t\"ab";
    testing::internal::CaptureStdout();  // nameless tags print a line each
    for (int round = 0; round < 3000; ++round) {
        std::vector<unsigned char> input(random() % 400);
        bool structured = round % 2 == 0;
        for (unsigned char& byte : input)
            byte = structured ? static_cast<unsigned char>(special[random() % (sizeof special - 1)])
                              : static_cast<unsigned char>(random() & 0xff);
        parseAndFormat(input);
    }
    testing::internal::GetCapturedStdout();
}

TEST(XmlRobustness, EveryPrefixOfAValidDocument) {
    std::string text = std::string(kExampleText) + "<x a=1 b=\"2\">t e x t</x>";
    testing::internal::CaptureStdout();
    for (size_t n = 0; n <= text.size(); ++n) {
        std::vector<unsigned char> prefix(text.begin(), text.begin() + static_cast<long>(n));
        parseAndFormat(prefix);
    }
    testing::internal::GetCapturedStdout();
}

TEST(XmlRobustness, GarbageFiles) {
    const char* inputs[] = {"<", ">", "=", "<<<<", ">>>>", "====", "</", "<=", "<a=", "<a b", "<a b=", "<a b=c",
                            "\t", "\r\n\r\n", "< < < >", "<a>>>>", "<a></a></a></a>", "</a></a><a>", "<a b c d e f g>"};
    testing::internal::CaptureStdout();
    for (const char* input : inputs) {
        std::vector<unsigned char> bytes(input, input + std::strlen(input));
        parseAndFormat(bytes);
    }
    testing::internal::GetCapturedStdout();
}
