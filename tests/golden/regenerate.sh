#!/usr/bin/env bash
# Writes the expected text of every golden document (tests/golden/*/*.rtf)
# with the filter as it is now: NAME.txt, or NAME.acp1252.txt and
# NAME.acp932.txt for a document whose text depends on the ANSI code page.
# Read every changed text before committing it: the files are the
# statement of what the filter must deliver.
#
#   tests/golden/regenerate.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
ninja -C "$build" -j2 unit_tests
IDXFILTER_REGENERATE_GOLDEN=1 "$build/tests/unit_tests" --gtest_filter='Golden*' --gtest_brief=1
git status --short -- tests/golden
