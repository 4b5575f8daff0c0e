"""The word measure of the quality comparison.

Words: a text is NFC-normalised and cut into runs of letters (Unicode
categories L*); combining marks (M*) stay with the letter before them and
do not cut a run. A run in a script written with spaces (Latin, Cyrillic,
Greek, Hebrew, Arabic, Hangul, Devanagari, ...) is one word when it has at
least two letters, case-folded. Scripts written without spaces between
words (Han, Hiragana, Katakana, Thai, Lao, Khmer, Myanmar) give instead
every pair of neighbouring letters (with their marks) of the run, a
"character bigram", so that a missing or added character costs about one
unit there as a missing word does elsewhere. A run that changes from one
kind of script to the other is cut at the change.

recall = share of the reference's distinct words that the reader also
gives; junk = share of the reader's distinct words that the reference
does not have.

The readers' own notes are not text of the document and are taken out
before counting: " [PICTURE] ", " [OBJECT] " and the " (target) " note
after a hyperlink (a parenthesised text that is one of the targets of the
document's HYPERLINK fields, or one token starting with a scheme),
the final blank of a note at the end of a line optional.
"""
import re
import unicodedata

# Scripts written without spaces between words.
UNSPACED_RANGES = (
    (0x0E00, 0x0EFF),    # Thai, Lao
    (0x1000, 0x109F),    # Myanmar
    (0x1780, 0x17FF),    # Khmer
    (0x3040, 0x30FF),    # Hiragana, Katakana
    (0x31F0, 0x31FF),    # Katakana phonetic extensions
    (0x3400, 0x4DBF),    # CJK extension A
    (0x4E00, 0x9FFF),    # CJK unified ideographs
    (0xF900, 0xFAFF),    # CJK compatibility ideographs
    (0xFF66, 0xFF9F),    # half-width Katakana
    (0x20000, 0x3FFFF),  # CJK extensions B and later
)

# A note ends in a blank, or at the end of its line where the blanks
# before a line break are trimmed.
READER_NOTES = re.compile(r"(?:^| )\[(?:PICTURE|OBJECT)\](?: |$)", re.M)
# Innermost parentheses first, so that a note inside parenthesised text
# is found; then those holding one pair of their own (a target such as
# "https://man.cx/groff_man(7)").
# The blank after a note is looked at, not taken: it may start the next.
PARENTHESISED = (re.compile(r" \(([^()\n]+)\)(?= |$)", re.M),
                 re.compile(r" \(((?:[^()\n]|\([^()\n]*\))+)\)(?= |$)", re.M))
LINK_LIKE = re.compile(r"[A-Za-z][A-Za-z0-9+.-]*:[^\s]+\Z")
HYPERLINK_INSTRUCTION = re.compile(rb"HYPERLINK((?:[^}\\]|\\[^}])*)")
FIELD_ESCAPE = re.compile(r"\\(.)")
QUOTED = re.compile(rb'"([^"]*)"|([^\s"\\]+)')

def is_unspaced(ch):
    code = ord(ch)
    return any(low <= code <= high for low, high in UNSPACED_RANGES)


def _letter_runs(text):
    """Runs of (letter + its marks) units, each with whether its script is
    unspaced."""
    run, unspaced = [], False
    for ch in unicodedata.normalize("NFC", text):
        category = unicodedata.category(ch)
        if category[0] == "L":
            kind = is_unspaced(ch)
            if run and kind != unspaced:
                yield run, unspaced
                run = []
            run.append(ch)
            unspaced = kind
        elif category[0] == "M" and run:
            run[-1] += ch
        elif run:
            yield run, unspaced
            run = []
    if run:
        yield run, unspaced


def words(text):
    """The distinct words of text, as defined in the module's docstring."""
    found = set()
    for run, unspaced in _letter_runs(text):
        if unspaced:
            found.update((run[i] + run[i + 1]).casefold() for i in range(len(run) - 1))
        elif len(run) >= 2:
            found.add("".join(run).casefold())
    return found


def hyperlink_targets(rtf):
    """Every quoted string and word of the document's HYPERLINK field
    instructions (raw bytes, read as Latin-1): the targets the readers may
    note, with the switches' arguments besides."""
    targets = set()
    for instruction in HYPERLINK_INSTRUCTION.finditer(rtf):
        for quoted, bare in QUOTED.findall(instruction.group(1)):
            # Backslashes doubled once by RTF and once more by the field's
            # own quoting.
            rtf_text = (quoted or bare).decode("latin-1").replace("\\\\", "\\")
            for target in (rtf_text, FIELD_ESCAPE.sub(r"\1", rtf_text)):
                if target:
                    targets.update((target, "#" + target))
    return targets


def without_reader_notes(text, targets=frozenset()):
    """The reader's text without its picture, object and link-target notes.
    A parenthesised note is a link's target when it is one of the
    document's targets, or one token that starts with a scheme. A
    note goes with the blanks the reader put around it, so that what stood
    on either side of a picture or a link's text in the document (a word
    glued to the link's text, say) meets again as LibreOffice shows it."""
    def without_links(text, pattern):
        kept, position, blank_taken = [], 0, False

        def resume(until):
            # The blank after a removed note goes with it, unless it is
            # the blank before the next note.
            start = position + (1 if blank_taken and until > position and text.startswith(" ", position) else 0)
            kept.append(text[start:until])
        for match in pattern.finditer(text):
            content = match.group(1)
            if content in targets or LINK_LIKE.match(content):
                resume(match.start())
                position, blank_taken = match.end(), True
        resume(len(text))
        return "".join(kept)
    text = READER_NOTES.sub("", text)
    for pattern in PARENTHESISED:
        text = without_links(text, pattern)
    return text


def recall_and_junk(reference, reader):
    """(recall, junk) of the reader's word set against the reference's;
    recall is None when the reference has no word."""
    recall = len(reference & reader) / len(reference) if reference else None
    junk = len(reader - reference) / len(reader) if reader else 0.0
    return recall, junk
