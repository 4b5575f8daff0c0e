"""Finding and loading the shared library that does the extraction.

The library is looked for, in this order:

1. ``IDXFILTER_LIBRARY``, when set: the path of the library to load (the
   project's own tests point it at the library they have just built);
2. the path baked into ``_library_path.py`` by the CMake build (a copy of
   the package in the build tree, or the package ``cmake --install`` put
   beside the library it installed);
3. the build tree next to the source tree, ``build/native/libidxfilter.so``
   relative to this package, for a checkout used as it is;
4. the system's loader: ``libidxfilter.so.2``, then ``libidxfilter.so``
   (and what :func:`ctypes.util.find_library` finds), then the same names
   in /usr/local/lib, where ``cmake --install`` puts the library by
   default and the loader looks only once ``ldconfig`` has run.

The first candidate that exists is loaded; if it cannot be loaded, or does
not have the functions this package needs, :class:`LibraryNotFound` says
which file it was and why, rather than trying the next one and binding a
different library than the one asked for.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import sysconfig
from pathlib import Path

LIBRARY_VARIABLE = "IDXFILTER_LIBRARY"
SYSTEM_NAMES = ("libidxfilter.so.2", "libidxfilter.so")
REQUIRED_FUNCTIONS = ("idx_extract_path_owned", "idx_extract_bytes_owned", "idx_free_document")


class LibraryNotFound(ImportError):
    """The shared library could not be found or is not the one this package binds."""


def _baked_path() -> str | None:
    """The library path written by the CMake build, if this copy has one."""
    try:
        from ._library_path import LIBRARY_PATH  # type: ignore[import-not-found]
    except ImportError:
        return None
    return str(LIBRARY_PATH) or None


def _build_tree_path() -> str | None:
    """The library of a build in ``build/native`` of the checkout holding this package."""
    build = Path(__file__).resolve().parent.parent.parent / "build" / "native"
    for name in ("libidxfilter.so", *SYSTEM_NAMES):
        candidate = build / name
        if candidate.is_file():
            return str(candidate)
    return None


def explicit_candidates() -> list[tuple[str, str]]:
    """The file paths to try before the system loader, each with where it came from."""
    candidates: list[tuple[str, str]] = []
    variable = os.environ.get(LIBRARY_VARIABLE)
    if variable:
        candidates.append((variable, LIBRARY_VARIABLE))
    baked = _baked_path()
    if baked:
        candidates.append((baked, "the path the build recorded"))
    tree = _build_tree_path()
    if tree:
        candidates.append((tree, "the build tree"))
    return candidates


def _open(path: str, origin: str) -> ctypes.CDLL:
    try:
        library = ctypes.CDLL(path)
    except OSError as error:
        raise LibraryNotFound(f"idxfilter: cannot load {path} ({origin}): {error}") from error
    missing = [name for name in REQUIRED_FUNCTIONS if not hasattr(library, name)]
    if missing:
        raise LibraryNotFound(
            f"idxfilter: {path} ({origin}) lacks {', '.join(missing)}: "
            "it is an older build of the library than this package")
    return library


def load_library() -> tuple[ctypes.CDLL, str]:
    """Loads the library; returns it with the path or name it was loaded by."""
    for path, origin in explicit_candidates():
        if origin == LIBRARY_VARIABLE or os.path.exists(path):
            return _open(path, origin), path
    names = list(SYSTEM_NAMES)
    found = ctypes.util.find_library("idxfilter")
    if found and found not in names:
        names.append(found)
    multiarch = sysconfig.get_config_var("MULTIARCH")
    for folder in ["/usr/local/lib"] + ([f"/usr/local/lib/{multiarch}"] if multiarch else []):
        names.extend(os.path.join(folder, name) for name in SYSTEM_NAMES
                     if os.path.exists(os.path.join(folder, name)))
    errors = []
    for name in names:
        try:
            return _open(name, "the system's loader"), name
        except LibraryNotFound as error:
            errors.append(str(error))
    raise LibraryNotFound(
        "idxfilter: the shared library was not found: build it with CMake "
        "(target idxfilter) and install it, or set IDXFILTER_LIBRARY to its path\n  "
        + "\n  ".join(errors))
