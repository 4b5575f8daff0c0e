#include "complete/control_words.h"

#include <array>
#include <cstddef>

namespace idxfilter::complete {
namespace {

struct Entry {
    std::string_view name;
    Word word;
};

constexpr Entry kEntries[] = {
    {"par", Word::kPar}, {"line", Word::kLine}, {"sect", Word::kSect}, {"page", Word::kPage},
    {"column", Word::kColumn}, {"tab", Word::kTab}, {"cell", Word::kCell}, {"nestcell", Word::kNestCell},
    {"row", Word::kRow}, {"nestrow", Word::kNestRow},
    {"emdash", Word::kEmDash}, {"endash", Word::kEnDash}, {"lquote", Word::kLQuote}, {"rquote", Word::kRQuote},
    {"ldblquote", Word::kLDblQuote}, {"rdblquote", Word::kRDblQuote}, {"bullet", Word::kBullet},
    {"emspace", Word::kEmSpace}, {"enspace", Word::kEnSpace}, {"qmspace", Word::kQmSpace}, {"zwj", Word::kZwj},
    {"zwnj", Word::kZwnj},
    {"u", Word::kU}, {"uc", Word::kUc}, {"upr", Word::kUpr}, {"ud", Word::kUd},
    {"f", Word::kF}, {"fcharset", Word::kFCharset}, {"cpg", Word::kCpg}, {"deff", Word::kDeff},
    {"ansicpg", Word::kAnsiCpg}, {"ansi", Word::kAnsi}, {"mac", Word::kMac}, {"pc", Word::kPc},
    {"pca", Word::kPca}, {"plain", Word::kPlain}, {"v", Word::kHidden},
    {"yr", Word::kYr}, {"mo", Word::kMo}, {"dy", Word::kDy}, {"hr", Word::kHr}, {"min", Word::kMin},
    {"fonttbl", Word::kFontTable}, {"info", Word::kInfo}, {"field", Word::kField},
    {"fldinst", Word::kFieldInstruction}, {"fldrslt", Word::kFieldResult}, {"pict", Word::kPicture},
    {"object", Word::kObject}, {"result", Word::kObjectResult}, {"nonshppict", Word::kNonShapePicture},
    {"title", Word::kTitle}, {"subject", Word::kSubject}, {"author", Word::kAuthor},
    {"manager", Word::kManager}, {"company", Word::kCompany}, {"operator", Word::kOperator},
    {"category", Word::kCategory}, {"keywords", Word::kKeywords}, {"comment", Word::kComment},
    {"doccomm", Word::kDocComment}, {"creatim", Word::kCreationTime}, {"revtim", Word::kRevisionTime},
    // Text that stands apart from the body around it.
    {"header", Word::kSeparatedText}, {"headerl", Word::kSeparatedText}, {"headerr", Word::kSeparatedText},
    {"headerf", Word::kSeparatedText}, {"footer", Word::kSeparatedText}, {"footerl", Word::kSeparatedText},
    {"footerr", Word::kSeparatedText}, {"footerf", Word::kSeparatedText}, {"footnote", Word::kSeparatedText},
    {"annotation", Word::kSeparatedText}, {"shptxt", Word::kSeparatedText},
    // Read as the text around them: labels, shapes and the nested-table
    // properties, which hold \nestrow.
    {"listtext", Word::kTransparent}, {"pntext", Word::kTransparent}, {"shp", Word::kTransparent},
    {"shpinst", Word::kTransparent}, {"shppict", Word::kTransparent}, {"nesttableprops", Word::kTransparent},
    // Never text: tables, blobs, bookmarks, shape properties, fallbacks
    // for readers that do not know what the document holds elsewhere, and
    // every other destination of the format that holds no visible text.
    {"colortbl", Word::kSkipped}, {"stylesheet", Word::kSkipped}, {"listtable", Word::kSkipped},
    {"listoverridetable", Word::kSkipped}, {"revtbl", Word::kSkipped}, {"rsidtbl", Word::kSkipped},
    {"themedata", Word::kSkipped}, {"colorschememapping", Word::kSkipped}, {"datastore", Word::kSkipped},
    {"xmlnstbl", Word::kSkipped}, {"latentstyles", Word::kSkipped}, {"bkmkstart", Word::kSkipped},
    {"bkmkend", Word::kSkipped}, {"sp", Word::kSkipped}, {"sn", Word::kSkipped}, {"sv", Word::kSkipped},
    {"generator", Word::kSkipped}, {"filetbl", Word::kSkipped}, {"private", Word::kSkipped},
    {"pn", Word::kSkipped}, {"pntxta", Word::kSkipped}, {"pntxtb", Word::kSkipped},
    {"pnseclvl", Word::kSkipped}, {"objdata", Word::kSkipped}, {"objclass", Word::kSkipped},
    {"objname", Word::kSkipped}, {"objalias", Word::kSkipped}, {"objtime", Word::kSkipped},
    {"objsect", Word::kSkipped}, {"fldtype", Word::kSkipped}, {"datafield", Word::kSkipped},
    {"formfield", Word::kSkipped}, {"docvar", Word::kSkipped}, {"template", Word::kSkipped},
    {"userprops", Word::kSkipped}, {"xform", Word::kSkipped}, {"htmltag", Word::kSkipped},
    {"mhtmltag", Word::kSkipped}, {"xe", Word::kSkipped}, {"txe", Word::kSkipped}, {"tc", Word::kSkipped},
    {"rxe", Word::kSkipped}, {"bxe", Word::kSkipped}, {"ixe", Word::kSkipped}, {"ftnsep", Word::kSkipped},
    {"ftnsepc", Word::kSkipped}, {"ftncn", Word::kSkipped}, {"aftnsep", Word::kSkipped},
    {"aftnsepc", Word::kSkipped}, {"aftncn", Word::kSkipped}, {"shprslt", Word::kSkipped},
    {"nonesttables", Word::kSkipped}, {"printim", Word::kSkipped}, {"buptim", Word::kSkipped},
    {"hlinkbase", Word::kSkipped}, {"atnid", Word::kSkipped}, {"atnauthor", Word::kSkipped},
    {"atnref", Word::kSkipped}, {"atndate", Word::kSkipped}, {"atnicn", Word::kSkipped},
    {"atntime", Word::kSkipped}, {"atnparent", Word::kSkipped}, {"falt", Word::kSkipped},
    {"panose", Word::kSkipped}, {"fname", Word::kSkipped}, {"fontemb", Word::kSkipped},
    {"fontfile", Word::kSkipped}, {"leveltext", Word::kSkipped}, {"levelnumbers", Word::kSkipped},
    {"listname", Word::kSkipped}, {"background", Word::kSkipped}, {"pgdsctbl", Word::kSkipped},
    {"protusertbl", Word::kSkipped}, {"passwordhash", Word::kSkipped}, {"password", Word::kSkipped},
    {"wgrffmtfilter", Word::kSkipped}, {"keycode", Word::kSkipped}, {"do", Word::kSkipped},
    {"picprop", Word::kSkipped}, {"blipuid", Word::kSkipped}, {"mmathPr", Word::kSkipped},
    {"ebcstart", Word::kSkipped}, {"ebcend", Word::kSkipped}, {"listpicture", Word::kSkipped},
    {"pgptbl", Word::kSkipped}, {"defchp", Word::kSkipped}, {"defpap", Word::kSkipped},
    {"fchars", Word::kSkipped}, {"lchars", Word::kSkipped}
};

constexpr std::size_t kSlots = 512;  // a power of two, well above twice the entries
constexpr std::size_t kLongestName = 24;

constexpr std::uint32_t Hash(std::string_view name) {
    std::uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

struct Table {
    std::array<Entry, kSlots> slots{};
    constexpr Table() {
        for (const Entry& e : kEntries) {
            std::size_t i = Hash(e.name) & (kSlots - 1);
            while (!slots[i].name.empty()) i = (i + 1) & (kSlots - 1);
            slots[i] = e;
        }
    }
};

constexpr Table kTable;

}  // namespace

Word LookUpWord(std::string_view name) {
    if (name.size() > kLongestName) return Word::kUnknown;
    std::size_t i = Hash(name) & (kSlots - 1);
    for (;;) {
        const Entry& e = kTable.slots[i];
        if (e.name.empty()) return Word::kUnknown;
        if (e.name == name) return e.word;
        i = (i + 1) & (kSlots - 1);
    }
}

}  // namespace idxfilter::complete
