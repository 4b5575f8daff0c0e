#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and uses it as its users
# would: a C program built with pkg-config and a C++ one built with
# find_package(idxfilter) run the installed library, the installed tool runs,
# the manual page renders, the bash completion completes, and cpack makes
# the Debian package. Nothing is left behind.
#
#   scripts/install_check.sh BUILD_DIR    (BUILD_DIR built, e.g. build/native)
#
# Needs pkg-config, man-db, groff-base, dpkg-dev, file, a C and a C++
# compiler. Exits 1 with a one-line message at the first failure.
set -euo pipefail
shopt -s extglob

fail() {
  echo "install check: FAILED: $*" >&2
  exit 1
}
step() { echo "install check: $*"; }

[ $# = 1 ] || {
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
}
[ -f "$1/CMakeCache.txt" ] || fail "$1 is not a CMake build folder"
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
sample=$source_dir/tests/data/sample.rtf
started=$SECONDS
# The library folder below the prefix, as the build was configured
# (lib, or lib/x86_64-linux-gnu with -DCMAKE_INSTALL_LIBDIR=...).
lib=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$1/CMakeCache.txt")
[ -n "$lib" ] || fail "$1 was configured without GNUInstallDirs (no CMAKE_INSTALL_LIBDIR)"

work=$(mktemp -d "${TMPDIR:-/tmp}/idxfilter-install-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

# Programs run from the prefix must find the library by their own run path.
unset LD_LIBRARY_PATH

# --- the installed files ------------------------------------------------------

# Every installed file matches one of these, and each matches some file: a
# missing file fails, and so does a stray one (the static core library, a
# third-party library's files).
expected_files=(
  bin/idxfilter
  include/idxfilter.h
  "$lib"/libidxfilter.so
  "$lib/libidxfilter.so.+([0-9])"
  "$lib/libidxfilter.so.+([0-9]).+([0-9]).+([0-9])"
  "$lib"/pkgconfig/idxfilter.pc
  "$lib"/cmake/idxfilter/idxfilterConfig.cmake
  "$lib"/cmake/idxfilter/idxfilterConfigVersion.cmake
  "$lib"/cmake/idxfilter/idxfilterTargets.cmake
  "$lib/cmake/idxfilter/idxfilterTargets-*.cmake"
  share/man/man1/idxfilter.1
  share/bash-completion/completions/idxfilter
  "lib/python3*/dist-packages/idxfilter/*"
)

install_into_prefix() {
  cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 ||
    fail "cmake --install $build failed (is it built?): $(grep -m1 -i error "$work/install.log")"
}

check_installed_files() {
  local file pattern matched
  local -A used=()
  while IFS= read -r file; do
    matched=0
    for pattern in "${expected_files[@]}"; do
      # shellcheck disable=SC2053 # the pattern is meant to match
      if [[ $file == $pattern ]]; then
        matched=1
        used[$pattern]=1
      fi
    done
    ((matched)) || fail "unexpected installed file: $file"
  done < <(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort)
  for pattern in "${expected_files[@]}"; do
    [ -n "${used[$pattern]-}" ] || fail "not installed: $pattern"
  done
  ! grep -q idxfilter_core "$prefix/$lib"/cmake/idxfilter/*.cmake ||
    fail "the CMake package refers to the internal core library"
}

# --- the library's name and links ---------------------------------------------

version=""
check_library_names() {
  export PKG_CONFIG_PATH=$prefix/$lib/pkgconfig
  version=$(pkg-config --modversion idxfilter) || fail "pkg-config does not find idxfilter.pc"
  local major minor patch rest
  IFS=. read -r major minor patch rest <<< "$version"
  local real=libidxfilter.so.$major.$minor.$patch soname=libidxfilter.so.$major
  [ "$(readlink "$prefix/$lib/libidxfilter.so")" = "$soname" ] ||
    fail "$lib/libidxfilter.so does not link to $soname"
  [ "$(readlink "$prefix/$lib/$soname")" = "$real" ] || fail "$lib/$soname does not link to $real"
  local soname_entry
  soname_entry=$(readelf -d "$prefix/$lib/$real" | sed -n 's/.*(SONAME).*\[\(.*\)\].*/\1/p')
  [ "$soname_entry" = "$soname" ] || fail "$real has SONAME '$soname_entry', expected $soname"
  file -L "$prefix/$lib/libidxfilter.so" | grep -q 'ELF.*shared object' ||
    fail "$lib/libidxfilter.so is not a shared object"
}

# --- programs built against the installed library -----------------------------

# The text as the installed tool writes it, to compare the hosts with.
tool_text=$work/tool.txt

run_installed_tool() {
  local tool=$prefix/bin/idxfilter
  [ "$("$tool" --version)" = "idxfilter $version" ] ||
    fail "installed idxfilter --version says '$("$tool" --version)', expected 'idxfilter $version'"
  # The hosts call the export: the tool's exact reader gives its text.
  "$tool" --exact "$sample" > "$tool_text" || fail "installed idxfilter failed on $sample"
  [ -s "$tool_text" ] || fail "installed idxfilter wrote nothing for $sample"
}

# The library a program loads, resolved: it must be the one in folder $2.
check_loads_library_in() {
  local program=$1 loaded
  loaded=$(ldd "$program" | sed -n 's/^[[:space:]]*libidxfilter\.so\.[0-9]* => \([^ ]*\) .*/\1/p')
  [ -n "$loaded" ] || fail "$(basename "$program") does not find libidxfilter without LD_LIBRARY_PATH"
  [ "$(realpath "$loaded")" = "$(realpath "$2"/libidxfilter.so)" ] ||
    fail "$(basename "$program") loads $loaded, not the library in $2"
}

# Builds the C host with the idxfilter.pc found in PKG_CONFIG_PATH, runs it
# on the sample and compares its text with the installed tool's. $1 names
# the tree for messages.
check_pkg_config_host() {
  local cflags libs libdir program=$work/print_text
  cflags=$(pkg-config --cflags idxfilter)
  libs=$(pkg-config --libs idxfilter)
  libdir=$(pkg-config --variable=libdir idxfilter)
  # shellcheck disable=SC2086 # the flags are words
  cc -std=c99 -Wall -Wextra -Werror $cflags "$source_dir/tests/install/print_text.c" -o "$program" \
    $libs "-Wl,-rpath,$libdir" 2> "$work/cc.log" ||
    fail "the pkg-config host does not build against $1: $(head -1 "$work/cc.log")"
  check_loads_library_in "$program" "$libdir"
  "$program" "$sample" > "$work/print_text.txt" || fail "the pkg-config host failed on $sample ($1)"
  cmp -s "$work/print_text.txt" "$tool_text" ||
    fail "the pkg-config host's text ($1) differs from the installed tool's"
}

configure_cmake_host() {
  cmake -S "$source_dir/tests/install/cmake_consumer" -B "$1" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF "${@:2}" > "$1.log" 2>&1
}

check_cmake_host() {
  # The package serves any project written for an older release of the same
  # major version, and none written for the major version before it.
  local host=$work/cmake_host major=${version%%.*}
  configure_cmake_host "$host" -DIDXFILTER_WANTED_VERSION="$major.0" ||
    fail "find_package(idxfilter $major.0) fails: $(grep -m1 -A2 'CMake Error' "$host.log" | tr '\n' ' ')"
  grep -qx "idxfilter_DIR:PATH=$prefix/$lib/cmake/idxfilter" "$host/CMakeCache.txt" ||
    fail "find_package found $(grep '^idxfilter_DIR' "$host/CMakeCache.txt"), not the installed package"
  cmake --build "$host" > "$host.build.log" 2>&1 ||
    fail "the find_package host does not build: $(grep -m1 -i error "$host.build.log")"
  check_loads_library_in "$host/count_text" "$prefix/$lib"
  local counts units
  counts=$("$host/count_text" "$sample") || fail "the find_package host failed on $sample: $counts"
  units=$(($("$prefix/bin/idxfilter" --exact --utf16 "$sample" | wc -c) / 2))
  [ "$counts" = "$units $units" ] ||
    fail "the find_package host counted '$counts' UTF-16 units, the tool wrote $units"
  if ((major > 0)); then
    ! configure_cmake_host "$work/cmake_host_older" -DIDXFILTER_WANTED_VERSION=$((major - 1)) ||
      fail "find_package(idxfilter $((major - 1))) accepts version $version"
  fi
}

# --- the options the tool's --help names, for the man page and completion -----

# The options in the usage lines of `idxfilter [COMMAND] --help` (COMMAND ""
# for the filter), one a line, with --help.
usage_options() {
  {
    "$prefix/bin/idxfilter" ${1:+"$1"} --help | awk -v cmd="$1" '
      /^$/ { exit }
      { line = $0; sub(/^usage:/, "", line) }
      line ~ /^ *idxfilter / {
        mine = (cmd == "" ? line !~ /^ *idxfilter +(index|forget|search)( |$)/ \
                          : line ~ ("^ *idxfilter +" cmd "( |$)"))
      }
      mine { print line }' | grep -oE -- '-(-[a-z][a-z0-9-]*|0)'
    echo --help
  } | sort -u
}

commands=("" index search forget)

# --- the manual page ----------------------------------------------------------

check_manual_page() {
  local page=$prefix/share/man/man1/idxfilter.1
  groff -man -ww -z "$page" 2> "$work/groff.log" || fail "groff cannot format idxfilter.1"
  [ ! -s "$work/groff.log" ] || fail "groff warns on idxfilter.1: $(head -1 "$work/groff.log")"
  MANWIDTH=80 man -l "$page" > "$work/man.txt" 2> "$work/man.log" || fail "man -l idxfilter.1 failed"
  [ ! -s "$work/man.log" ] || fail "man -l warns on idxfilter.1: $(head -1 "$work/man.log")"
  grep -q idxfilter "$work/man.txt" || fail "man -l idxfilter.1 renders no 'idxfilter'"
  local section
  for section in NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS ENVIRONMENT "EXIT STATUS" FILES EXAMPLES; do
    grep -qx "$section" "$work/man.txt" || fail "idxfilter.1 has no $section section"
  done
  # Each option has its own entry: a .TP paragraph whose tag names it.
  awk 'previous == ".TP" { for (i = 2; i <= NF; i++) { gsub(/"/, "", $i); print $i } }
       { previous = $0 }' "$page" > "$work/man_tags.txt"
  local command option
  for command in "${commands[@]}"; do
    while IFS= read -r option; do
      grep -qxF -- "${option//-/\\-}" "$work/man_tags.txt" ||
        fail "idxfilter.1 has no entry for ${command:-the filter}'s $option"
    done < <(usage_options "$command")
  done
  local status
  for status in 0 1 2 3 130 143; do
    grep -qE "^ {7}([0-9]+, )*$status\>" "$work/man.txt" ||
      fail "idxfilter.1 does not explain exit status $status"
  done
  # The page names the version whose tool it describes (2.2.0 for 2.2.0.13).
  local page_version
  page_version=$(sed -n 's/^\.TH .*"idxfilter \([0-9.]*\)".*/\1/p' "$page")
  [[ -n $page_version && $version == "$page_version"* ]] ||
    fail "idxfilter.1 is for version '$page_version', the tool is $version"
}

# --- the bash completion ------------------------------------------------------

# Each case: the words of the command line (shell words; the last is the one
# being completed) | what must be offered | what must not be.
completion_cases=(
  "idxfilter se                        | search                                 |"
  "idxfilter ''                        | index search forget report.rtf 'my notes' |"
  "idxfilter --u                       | --utf16                                |"
  "idxfilter --                        | --jsonl --jobs --version               | --db --force"
  "idxfilter index --                  | --db --force --prune --exclude --jobs  | --utf16 --version"
  "idxfilter search -                  | -0 --json --fts --limit --db           | --force --jsonl"
  "idxfilter forget --                 | --db --help                            | --force --jobs"
  "idxfilter index rep                 | report.rtf                             | index"
  "idxfilter index --db rep            | report.rtf                             |"
  "idxfilter search --db = rep         | report.rtf                             |"
  "idxfilter search --db =             | report.rtf                             |"
  "idxfilter search rep                |                                        | report.rtf"
  "idxfilter search --limit ''         |                                        | report.rtf"
  "idxfilter --ansi-codepage 93        | 932 936                                | 1252 report.rtf"
  "idxfilter --ansi-codepage=125       | --ansi-codepage=1252                   |"
  "idxfilter -- --                     |                                        | --jsonl"
  "idxfilter ./index search            |                                        | search"
)

# COMPREPLY for one command line, one word a line.
complete_words() {
  local -a COMP_WORDS COMPREPLY
  eval "COMP_WORDS=($1)"
  local COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  local COMP_LINE="${COMP_WORDS[*]}"
  local COMP_POINT=${#COMP_LINE}
  _idxfilter
  printf '%s\n' "${COMPREPLY[@]}"
}

# Runs in a subshell: sourcing the completion defines functions.
check_completion() {
  local script=$prefix/share/bash-completion/completions/idxfilter
  bash -n "$script" || fail "the bash completion has a syntax error"
  # shellcheck source=/dev/null # the installed copy of completion/idxfilter.bash
  source "$script"
  complete -p idxfilter > /dev/null 2>&1 || fail "sourcing the completion defines no completion for idxfilter"

  mkdir -p "$work/completion/my notes" && cd "$work/completion"
  touch report.rtf
  local case words wanted unwanted word offered line
  for case in "${completion_cases[@]}"; do
    IFS='|' read -r words wanted unwanted <<< "$case"
    line=$(tr -s ' ' <<< "$words" | sed 's/ $//')
    offered=$(complete_words "$words")
    eval "wanted=($wanted) unwanted=($unwanted)"
    for word in "${wanted[@]}"; do
      grep -qxF -- "$word" <<< "$offered" ||
        fail "completing '$line' does not offer '$word' (offers: $(tr '\n' ' ' <<< "$offered"))"
    done
    for word in "${unwanted[@]}"; do
      ! grep -qxF -- "$word" <<< "$offered" ||
        fail "completing '$line' offers '$word'"
    done
  done

  # Every option the tool's usage names is offered for its command.
  local command option
  for command in "${commands[@]}"; do
    offered=$(complete_words "idxfilter $command -")
    while IFS= read -r option; do
      grep -qxF -- "$option" <<< "$offered" ||
        fail "the completion does not offer ${command:-the filter}'s $option"
    done < <(usage_options "$command")
  done
}

# --- the Debian package -------------------------------------------------------

check_debian_package() {
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.log" 2>&1 ||
    fail "cpack -G DEB failed: $(grep -m1 -i error "$work/cpack.log")"
  local deb
  deb=$(find "$work/package" -maxdepth 1 -name 'idxfilter_*.deb' | head -1)
  [ -n "$deb" ] || fail "cpack made no idxfilter_*.deb"
  step "$(basename "$deb"), dpkg-deb -c:"
  dpkg-deb -c "$deb" | tee "$work/deb.txt" | sed 's/^/    /'
  local file
  for file in usr/bin/idxfilter usr/include/idxfilter.h "usr/$lib/libidxfilter.so" \
    "usr/$lib/libidxfilter.so.${version%%.*}" "usr/$lib/pkgconfig/idxfilter.pc" \
    "usr/$lib/cmake/idxfilter/idxfilterConfig.cmake" usr/share/man/man1/idxfilter.1 \
    usr/share/bash-completion/completions/idxfilter; do
    grep -qE " \./$file( |$)" "$work/deb.txt" || fail "the package lacks /$file"
  done
  [ "$(dpkg-deb -f "$deb" Package)" = idxfilter ] || fail "the package is not named idxfilter"
  [ "$(dpkg-deb -f "$deb" Maintainer)" = "idxfilter developers" ] || fail "the package's maintainer is wrong"
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  [[ $depends == *libc6* ]] || fail "the package's dependencies were not computed (Depends: '$depends')"
  step "Depends: $depends"
  dpkg-deb -e "$deb" "$work/control"
  grep -q "^libidxfilter ${version%%.*} idxfilter" "$work/control/shlibs" 2> /dev/null ||
    fail "the package has no shlibs entry for libidxfilter.so.${version%%.*}"
  grep -q ldconfig "$work/control/postinst" 2> /dev/null || fail "the package does not run ldconfig"

  # The packaged (stripped) files work where they are unpacked: the tool
  # runs and a host builds against the library with the packaged .pc file.
  local root=$work/deb-root
  dpkg-deb -x "$deb" "$root"
  [ "$("$root/usr/bin/idxfilter" --version)" = "idxfilter $version" ] ||
    fail "the packaged idxfilter does not run"
  PKG_CONFIG_PATH=$root/usr/$lib/pkgconfig check_pkg_config_host "the unpacked package"
  step "the unpacked package: its tool runs, a pkg-config host builds and runs"
}

install_into_prefix
check_installed_files
check_library_names
step "installed into a temporary prefix: version $version, SONAME libidxfilter.so.${version%%.*}"
run_installed_tool
check_pkg_config_host "the installed prefix"
check_cmake_host
step "installed tool, a pkg-config host and a find_package host run (no LD_LIBRARY_PATH)"
check_manual_page
step "idxfilter.1 renders without warnings and names every option"
(check_completion) || exit 1
step "bash completion: ${#completion_cases[@]} command lines and every option complete"
check_debian_package
step "passed in $((SECONDS - started)) s"
