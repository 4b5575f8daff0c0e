// Whole documents in the styles real writers produce.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/code_pages.h"
#include "test_support.h"

namespace idxfilter {
namespace {

using testing::Convert;
using testing::FilterToUtf8;
using testing::Hex;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(Documents, RichEditStyleWithHyperlink) {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}}\r\n"
        "{\\colortbl ;\\red0\\green0\\blue255;}\r\n"
        "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
        "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang9 Visit "
        "{{\\field{\\*\\fldinst{HYPERLINK http://example.com/ }}{\\fldrslt{http://example.com/\\ul0\\cf0}}}}"
        "\\f0\\fs22  or {{\\field{\\*\\fldinst{HYPERLINK \"http://example.org/a%20b\" }}"
        "{\\fldrslt{\\ul\\cf1 our page}}}}\\f0\\fs22  today.\\par\r\n}\r\n";
    EXPECT_EQ(Convert(rtf), "Visit http://example.com/ (http://example.com/ )  or our page (http://example.org/a b)  today.\r\n");
}

TEST(Documents, WordProcessorStyle) {
    std::string rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f1\\fnil\\fcharset2 Symbol;}}"
        "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}"
        "{\\levelnumbers;}}{\\listname ;}\\listid1}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
        "{\\stylesheet{\\ql \\f0\\fs24 Normal;}{\\*\\cs10 Default Paragraph Font;}}"
        "{\\info{\\title Minutes}{\\author Clerk}{\\keywords budget}{\\nofpages1}{\\*\\company Club}}"
        "{\\*\\rsidtbl \\rsid123\\rsid456}{\\*\\themedata 504b03041400}"
        "\\pard\\plain\\f0\\fs24 Minutes of the meeting\\par\n"
        "{\\listtext\\pard\\plain\\f1 \\'b7\\tab}\\ls1\\f0 Budget approved\\par\n"
        "{\\pntext\\f1\\'b7\\tab}Next {\\b meeting} on {\\i Monday}.\\par\n"
        "\\trowd\\trgaph108\\cellx1000\\cellx2000\\pard\\intbl Item\\cell Cost\\cell\\row\n"
        "\\trowd\\trgaph108\\cellx1000\\cellx2000\\pard\\intbl Paper\\cell 12\\cell\\row\n"
        "\\pard{\\*\\shppict{\\pict\\pngblip 89504e47}}{\\nonshppict{\\pict\\wmetafile8 0100}}\\par\n"
        "{\\*\\bkmkstart end}{\\*\\bkmkend end}End.\\sect}";
    std::string text = Convert(rtf);
    EXPECT_EQ(text,
              "budgetMinutes of the meeting\r\n"
              "Budget approved\r\n"
              "Next meeting on Monday.\r\n"
              "Item\tCost\t\t"
              "Paper\t12\t\t"
              " [PICTURE]  [PICTURE] \r\n"
              "End.\r\n")
        << Hex(text);
}

TEST(Documents, CommandLineSample) {
    if (!MultiByteToWide(1251, 0, "a", 1, nullptr, 0)) GTEST_SKIP() << "needs code page 1251";
    std::string text = FilterToUtf8(ReadFile(IDXFILTER_SAMPLES_DIR "/sample.rtf"));
    EXPECT_EQ(text,
              "Filters"
              "Quarterly report\r\n"
              "Caf\xC3\xA9 sales rose by 12\xE2\x80\x93 15 percent; see the online summary "
              "(https://example.com/report q1.html)  for details.\r\n"
              "First point\r\n"
              "Second point\r\n"
              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80!\r\n"
              "Region\tTotal\t\t"
              "North\t42\t\t"
              " [PICTURE] \r\n")
        << Hex(text);
}

}  // namespace
}  // namespace idxfilter
