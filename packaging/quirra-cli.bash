# bash completion for quirra-cli: its commands and options, the devices of
# the catalogue it would use, the ports it lists, and files.
#
# The commands and options come from the program's own help text, and the
# devices and ports from its "devices" and "ports" commands, so they are
# always those of the quirra-cli being completed (the first word of the line).

# _quirra_cli_words WORD LINES: COMPREPLY, the lines that complete WORD.
_quirra_cli_words()
{
    mapfile -t COMPREPLY < <(IFS=$'\n' compgen -W "$2" -- "$1")
}

_quirra_cli()
{
    local program=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=""
    local i dir=()
    [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # "--format=s" arrives as "--format" "=" "s" (= is a word break).
    if [ "$cur" = "=" ]; then
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        cur=""
    elif [ "$prev" = "=" ] && [ "$COMP_CWORD" -gt 1 ]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    # The devices are those of the start directory the run would use.
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [ "${COMP_WORDS[i]}" = "--dir" ]; then
            [ "${COMP_WORDS[i + 1]}" = "=" ] && dir=(--dir "${COMP_WORDS[i + 2]}") || dir=(--dir "${COMP_WORDS[i + 1]}")
        fi
    done

    case $prev in
    -d | --device)
        # The first word of each name, which --device takes in any case.
        _quirra_cli_words "$cur" "$("$program" "${dir[@]}" devices 2>/dev/null | awk 'NR > 1 && $1 ~ /^[0-9]+$/ { print $2 }')"
        return ;;
    --record)
        _quirra_cli_words "$cur" "$("$program" "${dir[@]}" devices 2>/dev/null | awk 'NR > 1 && $1 ~ /^[0-9]+$/ { print $1 }')"
        return ;;
    -p | --port)
        _quirra_cli_words "$cur" "$("$program" "${dir[@]}" ports 2>/dev/null |
            awk '/^\// { print $1; if (match($0, /\(COM[0-9]+/)) print substr($0, RSTART + 1, RLENGTH - 1) }')"
        return ;;
    -f | --format | --to)
        _quirra_cli_words "$cur" $'hex\nsrec\nbin'
        return ;;
    --dir)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return ;;
    --log | --serial-file)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return ;;
    --serial | --buffer-address | --file-address | --reads)
        COMPREPLY=()
        return ;;
    esac

    if [[ $cur == -* ]]; then
        _quirra_cli_words "$cur" "$("$program" --help 2>/dev/null | grep -o -- '--[a-z][a-z-]*' | sort -u)"
        return
    fi
    # The command comes first among the words that are not options or
    # their values; the files after it.
    local command="" commands
    commands=$("$program" --help 2>/dev/null | awk '/^Commands:/ { on = 1; next } /^$/ { on = 0 } on && /^  [a-z]/ { print $1 }')
    for ((i = 1; i < COMP_CWORD; i++)); do
        if grep -qxF -- "${COMP_WORDS[i]}" <<<"$commands"; then
            command=${COMP_WORDS[i]}
            break
        fi
    done
    if [ -z "$command" ]; then
        _quirra_cli_words "$cur" "$commands"
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}

complete -F _quirra_cli quirra-cli
