#include "rtf/scanner.h"

#include <string>

#include "rtf/character_decoding.h"
#include "rtf/control_words.h"
#include "rtf/font_table.h"
#include "rtf/font_table_words.h"
#include "rtf/hyperlink.h"
#include "rtf/percent_decoding.h"
#include "rtf/token_reader.h"

namespace idxfilter {
namespace {

constexpr std::string_view kFontSelectionWord = "\\f";

std::string_view WithoutTrailingControlBytes(std::string_view token) {
    while (!token.empty() && static_cast<unsigned char>(token.back()) <= ' ') token.remove_suffix(1);
    return token;
}

class Scanner {
public:
    Scanner(const char* end, ConversionState& state, const char* fontTableFinalFrom)
        : end(end), state(state), fontTableFinalFrom(fontTableFinalFrom) {}

    const char* Run(const char* pos) {
        FlushRuns(state);
        while (pos < end && !finished) {
            pos = ReadToken(pos, end, token, scratch);
            // Every byte where a font table could begin has been read.
            if (pos >= fontTableFinalFrom) state.fontTableFinal = true;
            // An empty token here is an escape run that gave nothing: it is
            // dropped (at the end of the text the loop ends anyway).
            if (token.Empty()) continue;
            std::string_view t = token.text;
            if (t.size() == 1 && (t[0] == '{' || t[0] == '}')) {
                ActOnBrace(t);
            } else if (t == kHyperlinkToken) {
                pos = ReadHyperlinkInstruction(pos);
            } else if (token.BeginsWithLiteralBrace()) {
                ActOnBrace(t);
            } else if (t[0] != '\\') {
                AppendText(state, t);
            } else {
                pos = ActOnControlToken(pos, t);
            }
        }
        FlushRuns(state);
        return pos;
    }

private:
    void OpenLevel() {
        FlushRuns(state);
        ++depth;
    }

    // Ending the level this scan started in ends the scan.
    void EndLevel() {
        FlushRuns(state);
        if (depth == 0) {
            finished = true;
        } else {
            --depth;
        }
    }

    // A brace, alone or with text glued to it ("{word", "}word"), acts as
    // the brace followed by that text; a blank it consumed is kept as text
    // of the level that follows, so that words on both sides of a group
    // boundary stay apart.
    void ActOnBrace(std::string_view t) {
        if (t[0] == '{') {
            OpenLevel();
        } else {
            EndLevel();
            if (finished) return;
        }
        if (t.size() > 1) AppendText(state, t.substr(1));
        if (token.blankConsumed) AppendText(state, " ");
    }

    // After "{HYPERLINK": the quoted target, then normally the "}" that
    // closes the instruction group. Anything else ends the current level.
    const char* ReadHyperlinkInstruction(const char* pos) {
        pos = ReadQuotedText(pos, end, target);
        if (target.empty()) {
            EndLevel();
            return pos;
        }
        SetLinkTarget(state, PercentDecode(target));
        pos = ReadToken(pos, end, token, scratch);
        std::string_view t = token.text;
        bool closingBrace = t == "}" || (token.BeginsWithLiteralBrace() && t[0] == '}');
        if (!closingBrace) {
            EndLevel();
            return pos;
        }
        if (t.size() > 1) AppendText(state, t.substr(1));
        if (token.blankConsumed) AppendText(state, " ");
        return pos;
    }

    const char* ActOnControlToken(const char* pos, std::string_view t) {
        if (t == kBackslashLineFeed && !token.escapeRun) {
            AppendText(state, "\r\n");
            return pos;
        }
        t = WithoutTrailingControlBytes(t);
        // Font selections are most of a document's control words, and no
        // word of the rule table is "\f" with a number.
        std::int32_t font;
        bool fontWord = t.size() > 2 && t[1] == 'f' && t[2] >= '0' && t[2] <= '9';
        if (fontWord && ParseControlNumber(t, kFontSelectionWord, font)) {
            state.currentFont = font;
            return pos;
        }
        ControlWordRule rule = FindControlWordRule(t);
        switch (rule.action) {
            case ControlAction::AppendText:
                AppendText(state, rule.text);
                break;
            case ControlAction::FontTable: {
                FontTableEnd tableEnd = ReadFontTable(pos, end, state, scratch);
                pos = tableEnd.pos;
                // Text glued to the table's closing brace, and the blank
                // after it, belong to the group the table stood in.
                if (!tableEnd.rest.empty()) AppendText(state, tableEnd.rest);
                if (tableEnd.blankConsumed) AppendText(state, " ");
                break;
            }
            case ControlAction::Object:
                pos = SkipGroup(pos, end);
                AppendText(state, kObjectMarker);
                break;
            case ControlAction::Picture:
                pos = SkipGroup(pos, end);
                AppendText(state, kPictureMarker);
                break;
            case ControlAction::SkipGroup:
                pos = SkipGroup(pos, end);
                break;
            case ControlAction::Star:
                pos = ReadToken(pos, end, token, scratch);
                if (IsSkippedStarDestination(token.text)) pos = SkipGroup(pos, end);
                break;
            case ControlAction::None:
                break;
        }
        return pos;
    }

    const char* const end;
    ConversionState& state;
    const char* const fontTableFinalFrom;
    Token token;
    std::string scratch;  // token bytes that are not a view into the text
    std::string target;   // hyperlink target as written
    std::size_t depth = 0;
    bool finished = false;
};

}  // namespace

const char* ScanGroup(const char* pos, const char* end, ConversionState& state) {
    return Scanner(end, state, EndOfLastFontTableWord(pos, end)).Run(pos);
}

}  // namespace idxfilter
