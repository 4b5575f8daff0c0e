"""The outcome of one extraction."""

from __future__ import annotations

import os
from dataclasses import dataclass, field
from typing import Union

Source = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


@dataclass(frozen=True, slots=True)
class Result:
    """What the filter delivered for one document.

    ``text``: the text (empty when nothing was delivered); ``meta``: the
    document properties present ("title", "author", ...; complete reader
    only); ``units``: the library's result, the number of UTF-16 units of
    the text, or -1 when nothing was delivered; ``reason``: why nothing was
    delivered ("missing", "permission denied", "a directory", "empty",
    "no text", "binary", "out of memory", "too large", ...) in the words of
    the command-line tool, else None; ``path``: the path as given, None
    for a document given as bytes; ``reader``: "complete" or "exact".
    """

    text: str
    meta: dict[str, str] = field(default_factory=dict)
    units: int = -1
    reason: str | None = None
    path: Source | None = None
    reader: str = "complete"

    @property
    def ok(self) -> bool:
        """True when text was delivered."""
        return self.units > 0
