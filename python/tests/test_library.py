"""The package finds the library it was built with, without environment variables."""

from __future__ import annotations

import os
import pathlib
import shutil
import subprocess
import sys

import pytest

from conftest import ROOT

SOURCE_PACKAGE = ROOT / "python"
PROBE = "import idxfilter; print(idxfilter.library_path); print(idxfilter.extract_bytes(b'ok\\n', reader='exact').text, end='')"


def _clean_environment(pythonpath: pathlib.Path | str) -> dict[str, str]:
    env = {k: v for k, v in os.environ.items() if not k.startswith(("IDXFILTER", "PYTHON", "LD_"))}
    env["PYTHONPATH"] = str(pythonpath)
    env["PYTHONDONTWRITEBYTECODE"] = "1"
    return env


def _probe(pythonpath: pathlib.Path | str, cwd: pathlib.Path) -> list[str]:
    run = subprocess.run([sys.executable, "-c", PROBE], env=_clean_environment(pythonpath),
                         cwd=cwd, capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    return run.stdout.splitlines()


def _build_dir() -> pathlib.Path:
    build = os.environ.get("IDXFILTER_BUILD_DIR")
    if not build or not (pathlib.Path(build) / "python" / "idxfilter" / "_library_path.py").exists():
        pytest.skip("no CMake build tree of the package (IDXFILTER_BUILD_DIR)")
    return pathlib.Path(build)


def test_the_build_trees_copy_knows_its_library(tmp_path: pathlib.Path) -> None:
    build = _build_dir()
    path, text = _probe(build / "python", tmp_path)
    assert os.path.samefile(path, os.environ["IDXFILTER_LIBRARY"])
    assert text == "ok"


def test_the_source_tree_finds_the_build_next_to_it(tmp_path: pathlib.Path) -> None:
    built = ROOT / "build" / "native" / "libidxfilter.so"
    if not built.exists():
        pytest.skip("no build in build/native")
    path, text = _probe(SOURCE_PACKAGE, tmp_path)
    assert os.path.samefile(path, built) and text == "ok"


@pytest.mark.slow
def test_the_installed_package_finds_the_installed_library(tmp_path: pathlib.Path) -> None:
    build = _build_dir()
    prefix = tmp_path / "prefix"
    install = subprocess.run(["cmake", "--install", str(build), "--prefix", str(prefix)],
                             capture_output=True, text=True)
    assert install.returncode == 0, install.stderr
    packages = [p.parent.parent for p in prefix.rglob("idxfilter/__init__.py")]
    assert len(packages) == 1
    path, text = _probe(packages[0], tmp_path)
    assert path.startswith(str(prefix)) and os.path.exists(path) and text == "ok"


def test_a_named_library_that_is_not_one(tmp_path: pathlib.Path) -> None:
    bogus = tmp_path / "libidxfilter.so"
    bogus.write_bytes(b"not a library")
    env = _clean_environment(SOURCE_PACKAGE)
    env["IDXFILTER_LIBRARY"] = str(bogus)
    run = subprocess.run([sys.executable, "-c", "import idxfilter"], env=env, capture_output=True,
                         text=True)
    assert run.returncode != 0
    assert "LibraryNotFound" in run.stderr and str(bogus) in run.stderr


def test_a_library_without_the_functions(tmp_path: pathlib.Path) -> None:
    env = _clean_environment(SOURCE_PACKAGE)
    env["IDXFILTER_LIBRARY"] = "libm.so.6"
    run = subprocess.run([sys.executable, "-c", "import idxfilter"], env=env, capture_output=True,
                         text=True)
    assert run.returncode != 0 and "lacks idx_extract_path" in run.stderr


def _missing_for_pip() -> list[str]:
    """The Debian packages a virtual environment with pip and an offline wheel
    build need that are not installed (python3-venv, python3-pip, python3-wheel)."""
    import importlib.util
    return [package for module, package in (("ensurepip", "python3-venv"), ("pip", "python3-pip"),
                                            ("wheel", "python3-wheel"))
            if importlib.util.find_spec(module) is None]


@pytest.mark.slow
def test_pip_install_records_the_library_it_was_built_with(tmp_path: pathlib.Path) -> None:
    if _missing_for_pip():
        pytest.skip("not installed: " + " ".join(_missing_for_pip()))
    source = tmp_path / "python"
    shutil.copytree(SOURCE_PACKAGE, source, ignore=shutil.ignore_patterns("tests", "build",
                                                                          "*.egg-info"))
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)], check=True)
    env = _clean_environment("")
    env["IDXFILTER_LIBRARY"] = os.environ["IDXFILTER_LIBRARY"]  # at build time only
    install = subprocess.run([str(venv / "bin" / "pip"), "install", "-q", "--no-build-isolation",
                              "--no-index", str(source)], env=env, capture_output=True, text=True)
    assert install.returncode == 0, install.stderr
    env.pop("IDXFILTER_LIBRARY")
    env.pop("PYTHONPATH")
    run = subprocess.run([str(venv / "bin" / "python"), "-c", PROBE], env=env, cwd=tmp_path,
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    path, text = run.stdout.splitlines()
    assert os.path.samefile(path, os.environ["IDXFILTER_LIBRARY"]) and text == "ok"
    assert str(venv) in subprocess.run([str(venv / "bin" / "python"), "-c",
                                        "import idxfilter; print(idxfilter.__file__)"],
                                       env=env, capture_output=True, text=True).stdout
