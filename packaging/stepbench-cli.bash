# bash completion for stepbench-cli: its commands, the command keys after "send" (asked of the
# program itself, so they are the table's), and its options.
_stepbench_cli() {
    local cur prev words cword split
    # -s: "--lang=<TAB>" completes the value after "=", as "--lang <TAB>" does.
    _init_completion -s || return
    case $prev in
        -p|--port)
            COMPREPLY=($(compgen -f -- "$cur") $(compgen -W "$(ls /dev/ttyUSB* /dev/ttyACM* /dev/ttyS* 2>/dev/null)" -- "$cur"))
            return ;;
        --junit|--log|run|read|compare|write)
            _filedir
            return ;;
        --lang)
            COMPREPLY=($(compgen -W "en zh" -- "$cur"))
            return ;;
        --line-timing)
            COMPREPLY=($(compgen -W "auto baud none" -- "$cur"))
            return ;;
        -b|--baud)
            COMPREPLY=($(compgen -W "300 600 1200 2400 4800 9600 14400 19200 38400 56000 57600 115200 128000" -- "$cur"))
            return ;;
        -a|--address|-t|--timeout|--turnaround|--mapping|--hex|--loops|--interval|--from|--to|--log-rotate)
            return ;;
    esac
    local word command=
    for word in "${words[@]:1:cword-1}"; do
        case $word in commands|send|run|scan|profile|session) command=$word; break ;; esac
    done
    $split && return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "-p -b -a -t -j -q -h --port --baud --address --ascii --plc --mapping --timeout
            --turnaround --echo --line-timing --json --quiet --value --junit --lang --hex --loops --interval
            --stop-on-fail --from --to --all-bauds --log --log-rotate --help --version" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "commands send run scan profile session" -- "$cur"))
    elif [[ $command == profile && $prev == profile ]]; then
        COMPREPLY=($(compgen -W "read compare write" -- "$cur"))
    elif [[ $command == send && $prev == send ]]; then
        COMPREPLY=($(compgen -W "$("${words[0]}" commands 2>/dev/null | awk '{print $2}')" -- "$cur"))
    fi
}
complete -F _stepbench_cli stepbench-cli
