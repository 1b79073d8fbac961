# bash completion for kvr-panel: subcommands, their options, .kcf files, and the serial
# ports present for --port (the stable /dev/serial names first).
_kvr_panel() {
    local cur prev command
    _init_completion || return
    command=${words[1]}
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'show write read verify diff sheet ports --help --version' -- "$cur"))
        return
    fi
    case $prev in
    --port)
        COMPREPLY=($(compgen -W "$(ls -d /dev/serial/by-id/* /dev/serial/by-path/* \
            /dev/ttyUSB* /dev/ttyACM* /dev/ttyS* 2>/dev/null)" -- "$cur"))
        return
        ;;
    --trace)
        _filedir
        return
        ;;
    -o | --output)
        [[ $command == sheet ]] && _filedir pdf || _filedir kcf
        return
        ;;
    --name | --simulate)
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        local options
        case $command in
        show | diff) options='--json' ;;
        write | verify) options='--port --simulate --trace --json' ;;
        read | sheet) options='--port --simulate --trace -o --output --name --json' ;;
        ports) options='--port --json' ;;
        esac
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    [[ $command == ports || $command == read ]] || _filedir kcf
} &&
    complete -F _kvr_panel kvr-panel
