#include "complete/rtf_reader.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "complete/body_text.h"
#include "complete/code_page_decoder.h"
#include "complete/control_words.h"
#include "complete/document_properties.h"
#include "complete/font_registry.h"
#include "complete/group_state.h"
#include "complete/hyperlink_target.h"
#include "complete/symbol_encoding.h"
#include "complete/tokenizer.h"
#include "complete/utf8_writing.h"

namespace idxfilter::complete {
namespace {

constexpr std::string_view kPictureNote = " [PICTURE] ";
constexpr std::string_view kObjectNote = " [OBJECT] ";
// Only so much of a field's instruction is kept: enough for any link
// target, and a bound on the work nested fields can cause.
constexpr std::size_t kInstructionLimit = 8192;
constexpr unsigned kFallbackCodePage = 1252;

// How the text of the current font becomes characters.
struct Decoding {
    FontKind kind = FontKind::kText;
    bool doubleByte = false;
    unsigned codePage = kFallbackCodePage;
    const ByteTable* table = nullptr;
};

// An open \field: where its instruction begins in the shared instruction
// buffer and, once the instruction has ended, the link target it left.
struct FieldRecord {
    std::uint32_t depth;
    std::uint32_t instructionDepth = 0;
    std::size_t start;
    std::size_t targetLength = 0;
    std::uint8_t enclosing;
};

struct ObjectRecord {
    std::uint32_t depth;
    std::uint8_t enclosing;
    bool hasResult = false;
};

class Reader {
public:
    Reader(std::string_view input, unsigned ansiCodePage, bool utf8Input)
        : tokenizer(input), ansiCodePage(ansiCodePage), documentCodePage(ansiCodePage), utf8Input(utf8Input) {
        body.Text().reserve(input.size() / 2);
    }

    RtfText Read() {
        Token token;
        while (!ended) {
            tokenizer.Next(token);
            if (token.kind == TokenKind::kEnd) break;
            bool starred = ignorableNext;
            ignorableNext = false;
            if (token.kind == TokenKind::kText) {
                OnText(token.text);
                continue;
            }
            if (token.kind == TokenKind::kHexByte) {
                OnHexByte(token.byte);
                continue;
            }
            if (token.kind == TokenKind::kSymbol && IsLiteralSymbol(token.symbol)) {
                OnText(std::string_view(&token.symbol, 1));
                continue;
            }
            FlushPendingBytes();
            switch (token.kind) {
                case TokenKind::kGroupOpen: OnGroupOpen(); break;
                case TokenKind::kGroupClose: OnGroupClose(); break;
                case TokenKind::kWord: OnWord(token, starred); break;
                case TokenKind::kSymbol: OnSymbol(token.symbol); break;
                case TokenKind::kBinary: ConsumeSkip(); break;
                default: break;
            }
        }
        FlushPendingBytes();
        EndPendingSurrogate();
        RtfText result;
        result.text = std::move(body).Finished();
        result.properties = properties.Collected();
        return result;
    }

private:
    static bool IsLiteralSymbol(char c) { return c == '\\' || c == '{' || c == '}'; }

    const GroupState& State() const { return states.Current(); }

    // ---- where text goes

    // The string that text of the current target is appended to, or
    // nullptr when it goes nowhere.
    std::string* TextOut() {
        const GroupState& s = State();
        if (s.target == kBody) return s.Has(kHidden) ? nullptr : &body.Text();
        if (s.target >= kPropertyTarget) {
            int k = s.target - kPropertyTarget;
            return k < DocumentProperties::kTextCount ? &properties.Text(k) : nullptr;
        }
        if (s.target == kInstruction && !fields.empty() && instruction.size() - fields.back().start < kInstructionLimit)
            return &instruction;
        return nullptr;
    }

    void SetTarget(std::uint8_t target) { states.Change().target = target; }

    // ---- decoding

    const Decoding& CurrentDecoding() {
        std::uint32_t font = State().fontPlusOne;
        if (decodingValid && font == decodingFont && fonts.Generation() == decodingGeneration) return decoding;
        decodingValid = true;
        decodingFont = font;
        decodingGeneration = fonts.Generation();
        std::int32_t number = font == 0 ? defaultFont : static_cast<std::int32_t>(font) - 1;
        FontInfo info = fonts.Find(number);
        decoding.kind = info.kind;
        unsigned codePage = info.codePage != 0 ? info.codePage : documentCodePage;
        if (!decoder.Converts(codePage)) codePage = documentCodePage;
        if (!decoder.Converts(codePage)) codePage = kFallbackCodePage;
        decoding.codePage = codePage;
        decoding.doubleByte = CodePageDecoder::IsDoubleByte(codePage);
        decoding.table = decoding.doubleByte ? nullptr : &decoder.Table(codePage);
        return decoding;
    }

    void DocumentCodePageIs(unsigned codePage) {
        documentCodePage = codePage;
        decodingValid = false;
    }

    // Bytes of a double-byte code page wait until the next token that is
    // not text, so that characters split across escapes come together.
    void AppendPendingBytes(std::string& out, unsigned codePage, std::string_view bytes) {
        if (pendingOut != &out || pendingCodePage != codePage) {
            FlushPendingBytes();
            pendingOut = &out;
            pendingCodePage = codePage;
        }
        pendingBytes.append(bytes);
    }

    void FlushPendingBytes() {
        if (pendingBytes.empty()) return;
        bool ascii = std::all_of(pendingBytes.begin(), pendingBytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (ascii) {
            pendingOut->append(pendingBytes);
        } else {
            decoder.AppendDoubleByte(pendingCodePage, pendingBytes, *pendingOut);
        }
        pendingBytes.clear();
    }

    // A high surrogate waits for its low half; anything else that is
    // written first makes it U+FFFD.
    void EndPendingSurrogate() {
        if (pendingHigh == 0) return;
        AppendCodePoint(*pendingHighOut, kReplacement);
        pendingHigh = 0;
    }

    // ---- the \uc fallback

    // A token that the fallback of the last \u takes: true when it is
    // passed over.
    bool ConsumeSkip() {
        if (pendingSkip == 0) return false;
        --pendingSkip;
        return true;
    }

    // Drops the fallback's share of a text run.
    void SkipFallbackText(std::string_view& text) {
        if (!utf8Input) {
            std::size_t n = std::min<std::size_t>(pendingSkip, text.size());
            text.remove_prefix(n);
            pendingSkip -= static_cast<std::uint32_t>(n);
            return;
        }
        while (pendingSkip > 0 && !text.empty()) {
            std::size_t n = std::min(SequenceLength(static_cast<unsigned char>(text.front())), text.size());
            text.remove_prefix(n);
            --pendingSkip;
        }
    }

    // ---- text

    void OnText(std::string_view text) {
        if (pendingSkip > 0) SkipFallbackText(text);
        if (text.empty()) return;
        if (State().target == kFontName) {
            fonts.AppendName(text);
            return;
        }
        std::string* out = TextOut();
        if (out == nullptr) return;
        EndPendingSurrogate();
        const Decoding& d = CurrentDecoding();
        switch (d.kind) {
            case FontKind::kPictograph: return;
            case FontKind::kSymbol: return AppendSymbolText(*out, text);
            case FontKind::kText: break;
        }
        if (utf8Input) return AppendUtf8Text(*out, d, text);
        if (d.doubleByte) return AppendPendingBytes(*out, d.codePage, text);
        FlushPendingBytes();
        AppendSingleByteText(*out, *d.table, text);
    }

    static void AppendSingleByteText(std::string& out, const ByteTable& table, std::string_view text) {
        const char* p = text.data();
        const char* end = p + text.size();
        if (!table.keepsAscii) {
            for (; p < end; ++p) table.Append(out, static_cast<unsigned char>(*p));
            return;
        }
        while (p < end) {
            const char* run = p;
            while (p < end && static_cast<unsigned char>(*p) < 0x80) ++p;
            out.append(run, static_cast<std::size_t>(p - run));
            for (; p < end && static_cast<unsigned char>(*p) >= 0x80; ++p)
                table.Append(out, static_cast<unsigned char>(*p));
        }
    }

    // Input already in UTF-8: ASCII goes through the font's code page
    // (where it may be the second byte of an escaped double-byte
    // character), everything else is taken as UTF-8.
    void AppendUtf8Text(std::string& out, const Decoding& d, std::string_view text) {
        while (!text.empty()) {
            std::size_t ascii = 0;
            while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
            if (ascii > 0) {
                if (d.doubleByte && !pendingBytes.empty()) {
                    AppendPendingBytes(out, d.codePage, text.substr(0, ascii));
                } else {
                    FlushPendingBytes();
                    if (d.doubleByte) {
                        out.append(text.substr(0, ascii));
                    } else {
                        AppendSingleByteText(out, *d.table, text.substr(0, ascii));
                    }
                }
                text.remove_prefix(ascii);
            }
            std::size_t other = 0;
            while (other < text.size() && static_cast<unsigned char>(text[other]) >= 0x80) ++other;
            if (other > 0) {
                FlushPendingBytes();
                AppendUtf8(out, text.substr(0, other));
                text.remove_prefix(other);
            }
        }
    }

    void AppendSymbolText(std::string& out, std::string_view text) {
        FlushPendingBytes();
        for (std::size_t i = 0; i < text.size();) {
            auto byte = static_cast<unsigned char>(text[i]);
            if (utf8Input && byte >= 0x80) {
                std::size_t n = std::min(SequenceLength(byte), text.size() - i);
                AppendUtf8(out, text.substr(i, n));
                i += n;
                continue;
            }
            if (char32_t c = SymbolCharacter(byte)) AppendCodePoint(out, c);
            ++i;
        }
    }

    void OnHexByte(unsigned char byte) {
        if (ConsumeSkip()) return;
        // Control characters are no text, and never part of a character.
        if (byte < 0x20) return;
        char c = static_cast<char>(byte);
        if (State().target == kFontName) {
            fonts.AppendName(std::string_view(&c, 1));
            return;
        }
        std::string* out = TextOut();
        if (out == nullptr) return;
        EndPendingSurrogate();
        const Decoding& d = CurrentDecoding();
        switch (d.kind) {
            case FontKind::kPictograph: return;
            case FontKind::kSymbol:
                FlushPendingBytes();
                if (char32_t s = SymbolCharacter(byte)) AppendCodePoint(*out, s);
                return;
            case FontKind::kText: break;
        }
        if (d.doubleByte) return AppendPendingBytes(*out, d.codePage, std::string_view(&c, 1));
        FlushPendingBytes();
        d.table->Append(*out, byte);
    }

    // A character named by a control word or symbol.
    void AppendCharacter(char32_t c) {
        std::string* out = TextOut();
        if (out == nullptr) return;
        EndPendingSurrogate();
        AppendCodePoint(*out, c);
    }

    void OnUnicode(std::int32_t parameter) {
        std::int64_t value = parameter < 0 ? std::int64_t(parameter) + 65536 : parameter;
        pendingSkip = State().unicodeSkip;
        std::string* out = TextOut();
        if (out == nullptr || value <= 0) return;
        auto c = static_cast<char32_t>(value);
        FontKind kind = CurrentDecoding().kind;
        if (c >= 0xF000 && c <= 0xF0FF && kind != FontKind::kText) {
            // Symbol and pictograph fonts write their bytes in this range.
            EndPendingSurrogate();
            if (kind == FontKind::kSymbol)
                if (char32_t s = SymbolCharacter(static_cast<unsigned char>(c - 0xF000))) AppendCodePoint(*out, s);
            return;
        }
        if (c >= 0xDC00 && c <= 0xDFFF && pendingHigh != 0 && pendingHighOut == out) {
            AppendCodePoint(*out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (c - 0xDC00));
            pendingHigh = 0;
            return;
        }
        EndPendingSurrogate();
        if (c >= 0xD800 && c <= 0xDBFF) {
            pendingHigh = c;
            pendingHighOut = out;
            return;
        }
        AppendCodePoint(*out, c);
    }

    // ---- breaks

    enum class Break { kLine, kTab, kRow };

    void OnBreak(Break kind) {
        const GroupState& s = State();
        if (s.target == kBody) {
            // A hidden paragraph mark still ends the words before it.
            EndPendingSurrogate();
            switch (kind) {
                case Break::kLine: body.LineBreak(); break;
                case Break::kTab: body.Tab(); break;
                case Break::kRow: body.EndRow(); break;
            }
            return;
        }
        if (std::string* out = TextOut()) {
            EndPendingSurrogate();
            out->push_back(' ');
        }
    }

    // ---- groups

    void OnGroupOpen() {
        pendingSkip = 0;
        states.Open();
    }

    void OnGroupClose() {
        pendingSkip = 0;
        std::uint32_t depth = states.Depth();
        if (depth == 0) return;
        while (!fields.empty() && fields.back().depth >= depth) {
            if (fields.back().instructionDepth == depth) EndInstruction(fields.back());
            if (fields.back().depth != depth) break;
            EndField();
        }
        if (!fields.empty() && fields.back().instructionDepth == depth) EndInstruction(fields.back());
        while (!objects.empty() && objects.back().depth == depth) EndObject();
        if (!separatedDepths.empty() && separatedDepths.back() == depth) {
            separatedDepths.pop_back();
            body.StartLine();
        }
        GroupState closed;
        states.Close(closed);
        if (closed.Has(kInFontTable) && !State().Has(kInFontTable)) fonts.EndDefinition();
        // The brace that closes the document's group ends the document:
        // what follows it is no part of it (LibreOffice reads it so too).
        if (depth == 1) ended = true;
    }

    // ---- fields and objects

    void BeginField() {
        FieldRecord record{states.Depth(), 0, instruction.size(), 0, State().target};
        fields.push_back(record);
        states.Change().resume = State().target;
    }

    void BeginInstruction() {
        if (fields.empty() || State().target == kNoTarget) return SetTarget(kNoTarget);
        fields.back().instructionDepth = states.Depth();
        SetTarget(kInstruction);
    }

    // The instruction's text is replaced, in the buffer, by the link
    // target it gives (nothing for other fields).
    void EndInstruction(FieldRecord& field) {
        field.instructionDepth = 0;
        std::string target = HyperlinkTarget(std::string_view(instruction).substr(field.start));
        instruction.resize(field.start);
        instruction.append(target);
        field.targetLength = target.size();
    }

    void EndField() {
        FieldRecord field = fields.back();
        fields.pop_back();
        // What follows the target in the buffer is text of an enclosing
        // instruction (this field's result, when it stands in one).
        std::string target = instruction.substr(field.start, field.targetLength);
        instruction.erase(field.start, field.targetLength);
        if (fields.empty()) instruction.clear();
        if (target.empty() || field.enclosing != kBody) return;
        std::string& out = body.Text();
        bool shown = out.size() >= target.size() && out.compare(out.size() - target.size(), target.size(), target) == 0;
        if (shown) return;
        EndPendingSurrogate();
        out.append(" (");
        out.append(target);
        out.append(") ");
    }

    void BeginObject() {
        objects.push_back({states.Depth(), State().target});
        GroupState& s = states.Change();
        s.resume = s.target;
        s.target = kNoTarget;
    }

    void EndObject() {
        ObjectRecord object = objects.back();
        objects.pop_back();
        if (!object.hasResult && object.enclosing == kBody && !State().Has(kHidden)) body.Text().append(kObjectNote);
    }

    void OnPicture() {
        if (State().target == kBody && !State().Has(kHidden)) {
            EndPendingSurrogate();
            body.Text().append(kPictureNote);
        }
        SetTarget(kNoTarget);
    }

    // ---- control words

    void OnWord(const Token& token, bool starred) {
        if (ConsumeSkip()) return;
        Word word = LookUpWord(token.text);
        if (starred && !IsDestination(word)) return SetTarget(kNoTarget);
        std::int32_t p = token.parameter;
        switch (word) {
            case Word::kUnknown: return;
            case Word::kPar: case Word::kLine: case Word::kSect: case Word::kPage: case Word::kColumn:
                return OnBreak(Break::kLine);
            case Word::kTab: case Word::kCell: case Word::kNestCell: return OnBreak(Break::kTab);
            case Word::kRow: case Word::kNestRow: return OnBreak(Break::kRow);
            case Word::kEmDash: return AppendCharacter(0x2014);
            case Word::kEnDash: return AppendCharacter(0x2013);
            case Word::kLQuote: return AppendCharacter(0x2018);
            case Word::kRQuote: return AppendCharacter(0x2019);
            case Word::kLDblQuote: return AppendCharacter(0x201C);
            case Word::kRDblQuote: return AppendCharacter(0x201D);
            case Word::kBullet: return AppendCharacter(0x2022);
            case Word::kEmSpace: return AppendCharacter(0x2003);
            case Word::kEnSpace: return AppendCharacter(0x2002);
            case Word::kQmSpace: return AppendCharacter(0x2005);
            case Word::kZwj: return AppendCharacter(0x200D);
            case Word::kZwnj: return AppendCharacter(0x200C);
            case Word::kU:
                if (token.hasParameter) OnUnicode(p);
                return;
            case Word::kUc:
                states.Change().unicodeSkip = static_cast<std::uint16_t>(std::clamp<std::int32_t>(p, 0, 0xFFFF));
                return;
            case Word::kUpr: {
                GroupState& s = states.Change();
                s.resume = s.target;
                s.target = kNoTarget;
                return;
            }
            case Word::kUd: return SetTarget(static_cast<std::uint8_t>(State().resume));
            case Word::kF: return OnFont(p);
            case Word::kFCharset: return fonts.SetCharset(p);
            case Word::kCpg: return fonts.SetCodePage(p);
            case Word::kDeff:
                defaultFont = std::clamp<std::int32_t>(p, 0, kLargestFontNumber);
                decodingValid = false;
                return;
            case Word::kAnsiCpg:
                if (p > 0 && p <= 65535) DocumentCodePageIs(static_cast<unsigned>(p));
                return;
            case Word::kAnsi: return DocumentCodePageIs(ansiCodePage);
            case Word::kMac: return DocumentCodePageIs(10000);
            case Word::kPc: return DocumentCodePageIs(437);
            case Word::kPca: return DocumentCodePageIs(850);
            case Word::kPlain: {
                GroupState& s = states.Change();
                s.fontPlusOne = 0;
                s.flags &= static_cast<std::uint8_t>(~kHidden);
                return;
            }
            case Word::kHidden: {
                GroupState& s = states.Change();
                if (!token.hasParameter || p != 0) {
                    s.flags |= kHidden;
                } else {
                    s.flags &= static_cast<std::uint8_t>(~kHidden);
                }
                return;
            }
            case Word::kYr: case Word::kMo: case Word::kDy: case Word::kHr: case Word::kMin: {
                int k = State().target - kPropertyTarget;
                if (k >= DocumentProperties::kTextCount && k < kPropertyCount) properties.SetTimePart(k, word, p);
                return;
            }
            case Word::kFontTable: {
                GroupState& s = states.Change();
                s.target = s.target == kNoTarget ? kNoTarget : kFontName;
                s.flags |= kInFontTable;
                return;
            }
            case Word::kInfo: {
                GroupState& s = states.Change();
                if (s.target != kNoTarget) s.flags |= kInInfo;
                s.target = kNoTarget;
                return;
            }
            case Word::kField: return BeginField();
            case Word::kFieldInstruction: return BeginInstruction();
            case Word::kFieldResult: return SetTarget(static_cast<std::uint8_t>(State().resume));
            case Word::kPicture: return OnPicture();
            case Word::kObject: return BeginObject();
            case Word::kObjectResult:
                if (!objects.empty()) objects.back().hasResult = true;
                return SetTarget(static_cast<std::uint8_t>(State().resume));
            case Word::kNonShapePicture: return SetTarget(kNoTarget);
            case Word::kSeparatedText:
                if (State().target != kBody) return;
                body.StartLine();
                if (separatedDepths.empty() || separatedDepths.back() != states.Depth())
                    separatedDepths.push_back(states.Depth());
                return;
            case Word::kTransparent: return;
            case Word::kSkipped: return SetTarget(kNoTarget);
            default: break;
        }
        if (IsProperty(word)) return OnProperty(static_cast<int>(word) - static_cast<int>(Word::kTitle));
    }

    void OnFont(std::int32_t p) {
        std::int32_t number = std::clamp<std::int32_t>(p, 0, kLargestFontNumber);
        if (State().Has(kInFontTable)) return fonts.Define(number);
        states.Change().fontPlusOne = static_cast<std::uint32_t>(number) + 1;
    }

    // Properties are read inside \info only; elsewhere they are no text.
    void OnProperty(int k) {
        if (!State().Has(kInInfo)) return SetTarget(kNoTarget);
        properties.Begin(k);
        SetTarget(static_cast<std::uint8_t>(kPropertyTarget + k));
    }

    void OnSymbol(char symbol) {
        if (ConsumeSkip()) return;
        switch (symbol) {
            case '*': ignorableNext = true; return;
            case '~': return AppendCharacter(0x00A0);
            case '_': return AppendCharacter(0x2011);
            case '\n': return OnBreak(Break::kLine);
            default: return;  // \- (optional hyphen), \: and the rest show nothing
        }
    }

    Tokenizer tokenizer;
    StateStack states;
    FontRegistry fonts;
    CodePageDecoder decoder;
    BodyText body;
    DocumentProperties properties;

    unsigned ansiCodePage;
    unsigned documentCodePage;
    bool utf8Input;
    std::int32_t defaultFont = 0;

    bool decodingValid = false;
    std::uint32_t decodingFont = 0;
    std::uint64_t decodingGeneration = 0;
    Decoding decoding;

    std::string pendingBytes;
    std::string* pendingOut = nullptr;
    unsigned pendingCodePage = 0;
    char32_t pendingHigh = 0;
    std::string* pendingHighOut = nullptr;
    std::uint32_t pendingSkip = 0;
    bool ignorableNext = false;
    bool ended = false;

    std::string instruction;
    std::vector<FieldRecord> fields;
    std::vector<ObjectRecord> objects;
    // The groups of headers, footnotes, annotations and shape text: their
    // end ends a line too.
    std::vector<std::uint32_t> separatedDepths;
};

}  // namespace

RtfText ReadRtf(std::string_view bytes, unsigned ansiCodePage, bool utf8Input) {
    return Reader(bytes, ansiCodePage, utf8Input).Read();
}

}  // namespace idxfilter::complete
