# bash completion for morvane-cli: the program completes its own command line
# (commands, options, effect, function, key and profile names).
_morvane_cli() {
    local IFS=$'\n'
    COMPREPLY=($(morvane-cli --complete "${COMP_WORDS[@]:1:COMP_CWORD}" 2>/dev/null))
    # Paths (program, file, folder, --log, --device sim:STATE) are the shell's.
    [ ${#COMPREPLY[@]} -eq 0 ] && compopt -o default 2>/dev/null
    return 0
}
complete -F _morvane_cli morvane-cli
