# bash completion for vimoctl: commands, options and the identifiers of the Vimos you created.

_vimoctl_ids()
{
    vimoctl list --json 2>/dev/null | tr ',' '\n' | sed -n 's/.*"id":"\([^"]*\)".*/\1/p'
}

_vimoctl()
{
    local cur prev words cword
    _init_completion || return

    local commands="list show set copy files pack check open run watch help"
    local global="--json --quiet -q --version -V --config --offline --help -h"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
            --config) ((i++)) ;;
            -*) ;;
            *) command="${words[i]}"; break ;;
        esac
    done

    case "$prev" in
        --config | --output)
            _filedir
            return
            ;;
        --web)
            COMPREPLY=($(compgen -W "http:// https://" -- "$cur"))
            return
            ;;
        --name | --desc | --width | --height)
            return
            ;;
    esac

    if [[ -z "$command" ]]; then
        if [[ "$cur" == -* ]]; then
            COMPREPLY=($(compgen -W "$global" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local options=""
    case "$command" in
        list) options="--dev --published" ;;
        set) options="--name --desc --width --height --local --web --interactive --no-interactive" ;;
        pack) options="--output --strict" ;;
        open) options="--source --icons" ;;
        run) options="--second" ;;
        help)
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            return
            ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$options $global" -- "$cur"))
        return
    fi
    case "$command" in
        show | set | copy | files | pack | check | open | watch)
            COMPREPLY=($(compgen -W "$(_vimoctl_ids)" -- "$cur"))
            ;;
    esac
} &&
    complete -F _vimoctl vimoctl
