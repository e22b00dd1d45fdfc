# bash completion for lettrino-cli: its commands, its options, and file or folder names.
# A new command or option is one more line in the lists below.

_lettrino_cli() {
    local cur prev words cword split
    _init_completion -s || return

    local commands=(
        to-cyrillic
        to-latin
        convert
        detect
        decode
        repair
        rename
        tags
        undo
    )
    local options=(
        --apply
        --recursive
        --json
        --list
        --verbose
        --keys
        --scheme
        --encoding
        --only
        --to
        --nfc
        --bom
        --help
        --version
    )
    # Options whose value is the next word (or follows "="): nothing to offer for it.
    local valued=" --keys --scheme --encoding --only --to "
    # Commands that work on folders rather than files.
    local on_folders=" rename tags "

    local command="" i ended=""
    for ((i = 1; i < cword; i++)); do
        if [[ -z $ended && ${words[i]} == -- ]]; then
            ended=1
        elif [[ -z $ended && $valued == *" ${words[i]} "* ]]; then
            ((i++))
        elif [[ -n $ended || ${words[i]} != -* ]]; then
            [[ -z $command ]] && command=${words[i]}
        fi
    done

    if [[ -z $ended && $prev == --encoding ]]; then
        COMPREPLY=($(compgen -W "auto utf-8 cp866 cp1251 koi8-r cp1252" -- "$cur"))
        return
    fi
    if [[ -z $ended && $prev == --to ]]; then
        COMPREPLY=($(compgen -W "latin cyrillic" -- "$cur"))
        return
    fi
    if [[ -z $ended && $prev == --scheme ]]; then
        COMPREPLY=($(compgen -W "keys icao gost bgn iso9" -- "$cur"))
        return
    fi
    if [[ -z $ended && $valued == *" $prev "* ]]; then
        return
    fi
    $split && return

    if [[ -z $ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${options[*]} -h --" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "${commands[*]}" -- "$cur"))
    elif [[ $on_folders == *" $command "* ]]; then
        _filedir -d
    else
        _filedir
    fi
}
complete -F _lettrino_cli lettrino-cli
