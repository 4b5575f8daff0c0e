"""Checking the keyword arguments shared by every extraction function."""

from __future__ import annotations

from typing import Literal, Union

READERS = {"complete": 0, "exact": 1}
ANSI_CODE_PAGE_GUESS = 0xFFFFFFFF
MAX_CODE_PAGE = 65535

Reader = Literal["complete", "exact"]
CodePage = Union[int, Literal["guess"], None]


def reader_number(reader: object) -> int:
    """``enum idx_reader`` for a reader's name; TypeError or ValueError otherwise."""
    if not isinstance(reader, str):
        raise TypeError(f"reader must be 'complete' or 'exact', not {type(reader).__name__}")
    try:
        return READERS[reader]
    except KeyError:
        raise ValueError(f"unknown reader {reader!r}: 'complete' or 'exact'") from None


def code_page_number(ansi_code_page: object, reader: int) -> int:
    """The ``ansi_code_page`` option's value: None keeps the process's ANSI code
    page (0), "guess" lets the complete reader guess a legacy text's code
    page, an int from 1 to 65535 names one."""
    if ansi_code_page is None:
        return 0
    if ansi_code_page == "guess":
        if reader != READERS["complete"]:
            raise ValueError("ansi_code_page='guess' needs reader='complete'")
        return ANSI_CODE_PAGE_GUESS
    if isinstance(ansi_code_page, bool) or not isinstance(ansi_code_page, int):
        raise TypeError("ansi_code_page must be an int, 'guess' or None, not "
                        f"{type(ansi_code_page).__name__}")
    if not 0 <= ansi_code_page <= MAX_CODE_PAGE:
        raise ValueError(f"ansi_code_page {ansi_code_page} is out of range (1 to {MAX_CODE_PAGE})")
    return ansi_code_page
