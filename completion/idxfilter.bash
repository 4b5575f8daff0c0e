# bash completion for idxfilter: the command words, each command's options
# (as its --help lists them), code pages for --ansi-codepage, and files
# where the tool takes files: the filter's FILEs, index and forget PATHs,
# --db. Installed as share/bash-completion/completions/idxfilter; source it
# by hand to try it.

# The options of one command ("filter" for the tool without a command word).
_idxfilter_options() {
  case $1 in
    index) echo "--db --jobs --exact --complete --ansi-codepage --force --prune --exclude --help" ;;
    forget) echo "--db --help" ;;
    search) echo "--db --limit --json -0 --fts --help" ;;
    *) echo "--exact --complete --ansi-codepage --utf16 --jsonl --jobs --version --help" ;;
  esac
}

# Whether option $1 takes a value (so that the next word is that value).
_idxfilter_takes_value() {
  case $1 in
    --db | --jobs | --ansi-codepage | --limit | --exclude) return 0 ;;
    *) return 1 ;;
  esac
}

# COMPREPLY from the words compgen prints for its arguments, one a line, so
# that file names with spaces stay whole.
_idxfilter_reply() {
  local line
  while IFS= read -r line; do
    COMPREPLY+=("$line")
  done < <(compgen "$@")
}

_idxfilter_files() {
  # compopt exists only while bash completes; a test that calls the
  # function directly goes without it.
  compopt -o filenames 2> /dev/null
  _idxfilter_reply -f -- "$1"
}

# The value of option $1, partly typed as $2.
_idxfilter_value() {
  case $1 in
    --db) _idxfilter_files "$2" ;;
    --ansi-codepage)
      _idxfilter_reply -W "auto 874 932 936 949 950 1250 1251 1252 1253 1254 1255 1256 1257" -- "$2" ;;
  esac
  # --jobs, --limit and --exclude take numbers and patterns: nothing to offer.
}

_idxfilter() {
  COMPREPLY=()
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}

  # The command word counts only in first place, as the tool reads it.
  local command=filter first=1
  case ${COMP_WORDS[1]-} in
    index | search | forget)
      if ((COMP_CWORD > 1)); then
        command=${COMP_WORDS[1]}
        first=2
      fi
      ;;
  esac

  # Whether "--" came before the word: then every word is an operand.
  local i options_ended=0
  for ((i = first; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -- ]] && options_ended=1
  done

  if ((!options_ended)); then
    # "--db=FI": bash splits the word at '=' into "--db" "=" "FI".
    if [[ $cur == = ]] && _idxfilter_takes_value "$prev"; then
      _idxfilter_value "$prev" ""
      return 0
    fi
    if [[ $prev == = ]] && ((COMP_CWORD >= 2)) &&
      _idxfilter_takes_value "${COMP_WORDS[COMP_CWORD - 2]}"; then
      _idxfilter_value "${COMP_WORDS[COMP_CWORD - 2]}" "$cur"
      return 0
    fi
    # "--db FI", and "--db=FI" where '=' does not split words.
    if ((COMP_CWORD > first)) && _idxfilter_takes_value "$prev"; then
      _idxfilter_value "$prev" "$cur"
      return 0
    fi
    if [[ $cur == --*=* ]]; then
      local option=${cur%%=*}
      _idxfilter_value "$option" "${cur#*=}"
      COMPREPLY=("${COMPREPLY[@]/#/$option=}")
      return 0
    fi
    if [[ $cur == -* ]]; then
      _idxfilter_reply -W "$(_idxfilter_options "$command")" -- "$cur"
      return 0
    fi
  fi

  if ((COMP_CWORD == 1)); then
    _idxfilter_reply -W "index search forget" -- "$cur"
  fi
  # search takes query words; the others take files and folders.
  if [[ $command != search ]]; then
    _idxfilter_files "$cur"
  fi
  return 0
}

complete -F _idxfilter idxfilter
