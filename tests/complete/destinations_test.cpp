// Destinations: what is skipped, what is read, fields, pictures, objects,
// and the text that stands in paragraphs of its own.
#include <gtest/gtest.h>

#include "reader_test_support.h"

namespace idxfilter::complete {
namespace {

using testing::CaseName;
using testing::Text;
using testing::TextCase;

class Destinations : public ::testing::TestWithParam<TextCase> {};

TEST_P(Destinations, GiveTheirText) { EXPECT_EQ(Text(GetParam().rtf), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Skipped, Destinations,
    ::testing::Values(
        TextCase{"Tables",
                 R"({\rtf1{\fonttbl{\f0 Times;}}{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}})"
                 R"({\*\listtable{\list{\listlevel{\leveltext\'02\'00.;}}}}{\*\listoverridetable{\listoverride}})"
                 R"({\*\revtbl{Unknown;}}{\*\rsidtbl \rsid1}Hello})",
                 "Hello"},
        TextCase{"Blobs",
                 R"({\rtf1 a{\*\themedata 504b0304}{\*\colorschememapping 3c3f}{\*\datastore 0105}b})", "ab"},
        TextCase{"LatentStylesAndNamespaces",
                 R"({\rtf1{\*\latentstyles\lsdstimax376{\lsdlockedexcept Normal;}}{\*\xmlnstbl {\xmlns1 http://x}}x})",
                 "x"},
        TextCase{"Bookmarks", R"({\rtf1 a{\*\bkmkstart mark}b{\*\bkmkend mark}c})", "abc"},
        TextCase{"ShapeProperties", R"({\rtf1 a{\sp{\sn fillColor}{\sv 255}}b})", "ab"},
        TextCase{"Generator", R"({\rtf1{\*\generator Writer 1.0;}x})", "x"},
        TextCase{"UnknownStarred", R"({\rtf1 a{\*\foo bar{\b baz}}b})", "ab"},
        TextCase{"StarredFormattingWord", R"({\rtf1 a{\*\b bar}b})", "ab"},
        TextCase{"IndexAndContentsEntries", R"({\rtf1 a{\xe {\v entry}}{\tc heading}b})", "ab"},
        TextCase{"OldListNumbering", R"({\rtf1{\pn\pnlvlbody\pndec{\pntxta .}}Item})", "Item"},
        TextCase{"FootnoteSeparators", R"({\rtf1{\ftnsep \chftnsep}x})", "x"},
        TextCase{"HiddenText", R"({\rtf1 a{\v hidden}b\v c\v0 d})", "abd"},
        TextCase{"PlainEndsHidden", R"({\rtf1 a\v b\plain c})", "ac"},
        TextCase{"InfoNeverInBody",
                 R"({\rtf1 {\info{\title T}{\subject Budget}{\keywords alpha, beta}{\doccomm note}}Quarterly results})",
                 "Quarterly results"},
        TextCase{"PropertyOutsideInfo", R"({\rtf1 a{\title T}b})", "ab"}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Fields, Destinations,
    ::testing::Values(
        TextCase{"InstructionInGroupWithFormatting",
                 R"({\rtf1 {\field{\*\fldinst{\cf1 HYPERLINK "http://x.org"}}{\fldrslt link}}after})",
                 "link (http://x.org) after"},
        TextCase{"InstructionWithTrailingBlank",
                 R"({\rtf1 {\field{\*\fldinst HYPERLINK "http://x.org" }{\fldrslt {link}}}after})",
                 "link (http://x.org) after"},
        TextCase{"PageField", R"({\rtf1 {\field{\*\fldinst { PAGE }}{\fldrslt 3}}})", "3"},
        TextCase{"OtherFieldsGiveResultOnly",
                 R"({\rtf1 {\field{\*\fldinst PAGEREF _Toc1 \\h }{\fldrslt 7}} {\field{\*\fldinst DOCPROPERTY x \* MERGEFORMAT}{\fldrslt v}}})",
                 "7 v"},
        TextCase{"InstructionSplitAcrossGroups",
                 R"({\rtf1 {\field{\*\fldinst {HYPER}{LINK "http://a.b/c"}}{\fldrslt t}}})", "t (http://a.b/c)"},
        TextCase{"BookmarkSwitch", R"({\rtf1 {\field{\*\fldinst HYPERLINK \\l "part2"}{\fldrslt see}}})", "see (part2)"},
        TextCase{"TooltipSwitch",
                 R"({\rtf1 {\field{\*\fldinst HYPERLINK "http://a.org" \\o "tip"}{\fldrslt a}}})", "a (http://a.org)"},
        TextCase{"Unquoted", R"({\rtf1 {\field{\*\fldinst HYPERLINK http://b.org}{\fldrslt b}}})", "b (http://b.org)"},
        TextCase{"WithoutStar", R"({\rtf1 {\field{\fldinst HYPERLINK "http://c.org"}{\fldrslt c}}})", "c (http://c.org)"},
        TextCase{"ResultShowsTheTarget",
                 R"({\rtf1 {\field{\*\fldinst HYPERLINK "http://x.org"}{\fldrslt http://x.org}}.})", "http://x.org."},
        TextCase{"EscapedTargetInResultOfInstruction",
                 R"({\rtf1 {\field{\*\fldinst HYPERLINK {\field{\*\fldinst REF x}{\fldrslt http://in.org}}}{\fldrslt outer}}after})",
                 "outer (http://in.org) after"},
        TextCase{"FieldInResult",
                 R"({\rtf1 {\field{\*\fldinst HYPERLINK "http://o.org"}{\fldrslt {\field{\*\fldinst HYPERLINK "http://i.org"}{\fldrslt in}}}}})",
                 "in (http://i.org)  (http://o.org)"},
        TextCase{"NoResult", R"({\rtf1 a{\field{\*\fldinst PAGE}}b})", "ab"},
        TextCase{"FieldInSkippedDestination",
                 R"({\rtf1 a{\*\foo{\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt r}}}b})", "ab"}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    PicturesAndObjects, Destinations,
    ::testing::Values(
        TextCase{"Picture", R"({\rtf1 a{\pict\pngblip 89504e47}b})", "a [PICTURE] b"},
        TextCase{"ShapePictureCountsOnce",
                 R"({\rtf1 a{\*\shppict{\pict\pngblip 89}}{\nonshppict{\pict\wmetafile8 01}}b})", "a [PICTURE] b"},
        TextCase{"ObjectResult",
                 R"({\rtf1 x{\object\objemb{\*\objclass Excel}{\*\objdata 0102}{\result {\rtlch cells}}}y})",
                 "xcellsy"},
        TextCase{"ObjectResultPicture", R"({\rtf1 x{\object{\*\objdata 01}{\result{\pict 00}}}y})",
                 "x [PICTURE] y"},
        TextCase{"ObjectWithoutResult", R"({\rtf1 x{\object{\*\objdata 01}}y})", "x [OBJECT] y"},
        TextCase{"FieldPicture", R"({\rtf1 {\field{\*\fldinst SHAPE \\* MERGEFORMAT}{\fldrslt{\pict 00}}}})",
                 " [PICTURE]"}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    OwnParagraphs, Destinations,
    ::testing::Values(
        TextCase{"HeaderFooterFootnote", R"({\rtf1 {\header Head}Body{\footnote Note}text{\footer Foot}\par})",
                 "Head\nBody\nNote\ntext\nFoot"},
        TextCase{"AllHeaderKinds", R"({\rtf1 {\headerl l}{\headerr r}{\headerf f}{\footerl L}{\footerr R}{\footerf F}})",
                 "l\nr\nf\nL\nR\nF"},
        TextCase{"Annotation",
                 R"({\rtf1 Text{\*\atnid JD}{\*\atnauthor John}\chatn{\*\annotation{\*\atndate 1}Remark}more})",
                 "Text\nRemark\nmore"},
        TextCase{"ShapeText",
                 R"({\rtf1 a{\shp{\*\shpinst{\sp{\sn fillColor}{\sv 255}}{\shptxt Inside}}{\shprslt Fallback}}b})",
                 "a\nInside\nb"},
        TextCase{"NestedFootnoteOneBreak", R"({\rtf1 a{\footnote b{\footnote c}d}e})", "a\nb\nc\nd\ne"},
        TextCase{"ListLabels",
                 R"({\rtf1{\fonttbl{\f1\fcharset2 Symbol;}}{\listtext 1.\tab}Item\par{\pntext\f1 \'b7\tab}Bullet})",
                 "1.\tItem\n•\tBullet"}),
    CaseName());

}  // namespace
}  // namespace idxfilter::complete
