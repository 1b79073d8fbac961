# bash completion for kvr-panel: subcommands, their options, .kcf files, and the serial
# ports present for --port (the stable /dev/serial names first).
_kvr_panel() {
    local cur prev command
    _init_completion || return
    command=${words[1]}
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'show write read verify diff sheet ports history handover import export check status log --help --version' -- "$cur"))
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
    --log)
        _filedir sqlite
        return
        ;;
    -o | --output)
        case $command in
        sheet | handover) _filedir pdf ;;
        import) _filedir -d ;;
        export) _filedir csv ;;
        *) _filedir kcf ;;
        esac
        return
        ;;
    --reply-wait)
        COMPREPLY=($(compgen -W '100 200 500 1000 2000' -- "$cur"))
        return
        ;;
    --name | --simulate | --site | --room | --job | --installer | --company | --panel | \
        --device | --since)
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        local options
        case $command in
        show | diff) options='--json' ;;
        write) options='--port --simulate --watch --trace --json --json-lines --reply-wait --log
            --no-log' ;;
        verify) options='--port --simulate --trace --json --json-lines --reply-wait --log
            --no-log' ;;
        read) options='--port --simulate --trace -o --output --name --json --json-lines
            --reply-wait --log --no-log' ;;
        sheet) options='--port --simulate --trace -o --output --name --json --reply-wait --log
            --no-log --site --room --job --installer --company --print --printer' ;;
        ports) options='--port --probe --reply-wait --json' ;;
        history) options='--panel --device --since --json --csv --log --no-log' ;;
        handover) options='-o --output --site --room --job --installer --company
            --require-verified --json --log --no-log --print --printer' ;;
        import) options='-o --output --force --json' ;;
        export) options='-o --output --json' ;;
        check) options='--json --log --no-log' ;;
        status) options='--json --log --no-log' ;;
        log) options='--json --log --company-log --station-role' ;;
        esac
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    case $command in
    ports | read | history) ;;
    log)
        if ((cword == 2)); then
            COMPREPLY=($(compgen -W 'check import sync init-company' -- "$cur"))
        elif ((cword == 3)) && [[ ${words[2]} == import ]]; then
            _filedir sqlite
        fi
        ;;
    status)
        _filedir kcf
        _filedir -d
        ;;
    handover | export | check) _filedir -d ;;
    import) _filedir csv ;;
    *) _filedir kcf ;;
    esac
} &&
    complete -F _kvr_panel kvr-panel
