"""Packaging hook: a wheel built from a checkout that has a CMake build in
build/native (or with IDXFILTER_LIBRARY set while building) records that
library's path in idxfilter/_library_path.py, so that
``pip install ./python`` finds the library it was built with."""

from __future__ import annotations

import os
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py

HERE = Path(__file__).resolve().parent


def built_library() -> str | None:
    named = os.environ.get("IDXFILTER_LIBRARY")
    if named:
        return os.path.abspath(named)
    for name in ("libidxfilter.so.2", "libidxfilter.so"):
        candidate = HERE.parent / "build" / "native" / name
        if candidate.exists():
            return str(candidate)
    return None


class BuildRecordingTheLibrary(build_py):
    def run(self) -> None:
        super().run()
        library = built_library()
        if library is None or self.dry_run:
            return
        target = Path(self.build_lib) / "idxfilter" / "_library_path.py"
        target.write_text("# Written by setup.py: the library this package was built with.\n"
                          f"LIBRARY_PATH = {library!r}\n", encoding="utf-8")


setup(cmdclass={"build_py": BuildRecordingTheLibrary})
