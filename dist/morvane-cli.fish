# SPDX-License-Identifier: MIT
# fish completion for morvane-cli: the program completes its own command line
# from the words as typed, unescaped; fish quotes what it inserts.
function __morvane_cli_candidates
    set -l words (commandline -opc)
    set -e words[1]
    morvane-cli --complete-raw $words (commandline -ct | string unescape) 2>/dev/null
end

function __morvane_cli_wants_path
    set -l candidates (__morvane_cli_candidates)
    test (count $candidates) -eq 0
end

complete -c morvane-cli -f -a '(__morvane_cli_candidates)'
# Paths (program, file, folder, --log, --device sim:STATE) are the shell's.
complete -c morvane-cli -F -n __morvane_cli_wants_path
