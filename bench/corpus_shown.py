"""What each corpus document shows, as the generator wrote it: a second
reference beside LibreOffice's text, free of LibreOffice's own ways (it
drops comments and, in some writers' RTF, list items; its HTML export
glues a few words), so that a reader's fault and LibreOffice's can be told
apart.

Each writer shows its input differently: the header, footer and footnote
body exist only where the input format carries them and the writer keeps
them; pandoc puts the title and the author in the body; OpenDocument
input has a title field in the body. The document properties are never
shown. Links show their text, lists their items, pictures their caption.
"""

# What of the document each input format and writer keeps.
SHOWS = {
    "lo_odt_": {"header": True, "note": True, "title": True, "author": False},
    # LibreOffice's HTML import makes no header or footer of its own
    # HTML export's <div title="header">.
    "lo_html_": {"header": False, "note": True, "title": False, "author": False},
    "lo_txt_": {"header": False, "note": True, "title": False, "author": False},
    "abw_": {"header": True, "note": True, "title": False, "author": False},
    "abi_html_": {"header": False, "note": False, "title": False, "author": False},
    "pandoc_": {"header": False, "note": True, "title": True, "author": True},
    "bin_": {"header": True, "note": True, "title": False, "author": False},
}


def _block_lines(block, with_note):
    kind = block[0]
    if kind in ("heading", "para", "picture"):
        return [block[1]]
    if kind == "link":
        return ["%s %s %s" % (block[1], block[2], block[4])]
    if kind == "note":
        return ["%s %s" % (block[1], block[3])] + ([block[2]] if with_note else [])
    if kind == "table":
        return ["\t".join(row) for row in block[1]]
    return list(block[1])


def shown_text(doc, prefix):
    """The text a document written by the writer of `prefix` shows, one
    part a line."""
    shows = SHOWS[prefix]
    lines = []
    if shows["title"]:
        lines.append(doc.title)
    if shows["author"]:
        lines.append(doc.author)
    if shows["header"]:
        lines.extend((doc.header, doc.footer))
    for block in doc.blocks:
        lines.extend(_block_lines(block, shows["note"]))
    return "\n".join(lines) + "\n"
