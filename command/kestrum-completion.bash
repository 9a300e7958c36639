# Bash completion for kestrum: source this file (or put it in
# /usr/share/bash-completion/completions/kestrum). It asks the command itself, so it
# offers exactly the subcommands and options the kestrum being completed has.

_kestrum() {
  local current=${COMP_WORDS[COMP_CWORD]}
  local program=${COMP_WORDS[0]}
  local subcommand="" word
  # The command's own options are flags, so the first other word names the subcommand.
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    case $word in
      -*) ;;
      *) subcommand=$word; break ;;
    esac
  done
  local help
  if [ -z "$subcommand" ]; then
    help=$("$program" --help 2>/dev/null)
  elif [ "$subcommand" = help ]; then
    # kestrum help COMMAND: the subcommands again.
    help=$("$program" --help 2>/dev/null | sed -n '/^Subcommands:/,$p')
  else
    help=$("$program" help "$subcommand" 2>/dev/null)
  fi
  local words
  if [[ $current == -* ]]; then
    words=$(printf '%s\n' "$help" | grep -oE '(^|[ ,])--?[A-Za-z][A-Za-z-]*' | tr -d ' ,' | sort -u)
  elif [ -z "$subcommand" ] || [ "$subcommand" = help ]; then
    words=$(printf '%s\n' "$help" | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
  else
    # Scene files and the like.
    COMPREPLY=($(compgen -f -- "$current"))
    return
  fi
  COMPREPLY=($(compgen -W "$words" -- "$current"))
}
complete -o default -o bashdefault -F _kestrum kestrum
