# SPDX-License-Identifier: MIT
# bash completion for morvane-cli: the program completes its own command line
# (commands, options, effect, function, key and profile names), each word
# escaped for the shell. Read whole lines, never expanded: a candidate such as
# "*" (the keypad key) must not turn into the folder's file names.
_morvane_cli() {
    COMPREPLY=()
    local line
    while IFS= read -r line; do
        COMPREPLY+=("$line")
    done < <(morvane-cli --complete "${COMP_WORDS[@]:1:COMP_CWORD}" 2>/dev/null)
    # Paths (program, file, folder, --log, --device sim:STATE) are the shell's.
    [ ${#COMPREPLY[@]} -eq 0 ] && compopt -o default 2>/dev/null
    return 0
}
complete -F _morvane_cli morvane-cli
