# Bash completion for calvora-cli: the commands, the options of calc, batch
# and convert, the mode captions and numbers that MODE takes, and the meter
# pairs that convert and batch --pair take. (With --accuracy, batch --pair
# writes each result's range as the columns calc_X_low and calc_X_high
# after the result's own; output names, nothing to complete.)
#
# Two mode captions contain "||", and an unescaped "|" is one of readline's
# word breaks, so the words are taken from the line itself (split on blanks
# only), not from COMP_WORDS. Captions are offered with their bars escaped
# ("Cs\|\|Cs"), and a typed "\|" matches a bar. After an unescaped bar the
# line is a pipeline, not a mode, and nothing is offered.

_calvora_cli_modes="R-X G-B Cs-D Cp-D Cs-R Cs||Cs Ls-Q Lp-Q V-Z Cs-Cs Ls||Ls Ls-Ls IVP Lp-R Ls-R Cp-Rp"
_calvora_cli_mode_numbers="1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16"
_calvora_cli_pairs="Cs-D Cs-Q Cs-Rs Cp-D Cp-Q Cp-G Cp-Rp Ls-D Ls-Q Ls-Rs Lp-D Lp-Q Lp-G Lp-Rp R-X G-B Z-thd Z-thr Y-thd Y-thr"

# _calvora_cli_offer CUR WORD...: the WORDs that start with CUR, ignoring
# letter case (captions are read in any case), appended to COMPREPLY.
_calvora_cli_offer() {
    local cur=$1 word lower_cur lower_word
    shift
    lower_cur=${cur,,}
    for word in "$@"; do
        lower_word=${word,,}
        if [[ $lower_word == "$lower_cur"* ]]; then
            COMPREPLY+=("$word")
        fi
    done
}

_calvora_cli() {
    local line words cur i
    COMPREPLY=()
    if [[ -n ${COMP_LINE-} ]]; then
        line=${COMP_LINE:0:${COMP_POINT:-${#COMP_LINE}}}
    else
        line="${COMP_WORDS[*]:0:COMP_CWORD+1}"
    fi
    read -r -a words <<<"$line"
    if [[ $line == *[[:blank:]] || ${#words[@]} -eq 0 ]]; then
        cur=""
    else
        cur=${words[${#words[@]} - 1]}
        unset 'words[${#words[@]}-1]'
    fi
    # An escaped bar stands for the bar itself; an unescaped one ends the word.
    local unescaped=${cur//\\|/}
    if [[ $unescaped == *"|"* ]]; then
        return 0
    fi
    cur=${cur//\\|/|}

    # words: the command and the complete words before the one being typed.
    if [[ ${#words[@]} -le 1 ]]; then
        _calvora_cli_offer "$cur" calc batch convert parse format numbertext help --help -h --version
    else
        local command=${words[1]} mode_given=0 options_done=0 pair_option=0 skip=0
        local previous=${words[${#words[@]} - 1]}
        for ((i = 2; i < ${#words[@]}; i++)); do
            if [[ $skip -gt 0 ]]; then
                # the values of --accuracy and --pair are no mode
                skip=$((skip - 1))
            elif [[ $options_done == 0 && ${words[i]} == "--" ]]; then
                options_done=1
            elif [[ $options_done == 0 && ${words[i]} == "--accuracy" ]]; then
                skip=2
            elif [[ $options_done == 0 && ${words[i]} == "--pair" ]]; then
                pair_option=1
                skip=1
            elif [[ $options_done == 1 || ${words[i]} != -?* ]]; then
                mode_given=1
            fi
        done
        if [[ $previous == "--pair" && $options_done == 0 ]]; then
            # shellcheck disable=SC2086 # the list is split on purpose
            _calvora_cli_offer "$cur" $_calvora_cli_pairs
            return 0
        fi
        if [[ $skip -gt 0 ]]; then
            return 0 # an accuracy is typed, not offered
        fi
        case $command in
        convert)
            if [[ $mode_given == 1 ]]; then
                return 0
            fi
            if [[ $options_done == 0 && $cur == -* ]]; then
                _calvora_cli_offer "$cur" --json --accuracy --
            else
                # shellcheck disable=SC2086 # the list is split on purpose
                _calvora_cli_offer "$cur" $_calvora_cli_pairs
            fi
            ;;
        calc | batch)
            if [[ $mode_given == 1 ]]; then
                return 0
            fi
            if [[ $options_done == 0 && $cur == -* ]]; then
                if [[ $command == calc ]]; then
                    _calvora_cli_offer "$cur" --panel --report --json --help -h --
                else
                    _calvora_cli_offer "$cur" --header --pair --accuracy --help -h --
                fi
            elif [[ $pair_option == 1 ]]; then
                return 0 # with --pair no mode follows
            else
                # shellcheck disable=SC2086 # the lists are split on purpose
                _calvora_cli_offer "$cur" $_calvora_cli_modes $_calvora_cli_mode_numbers
            fi
            ;;
        *)
            # parse, format and numbertext take numbers and texts.
            return 0
            ;;
        esac
    fi

    for i in "${!COMPREPLY[@]}"; do
        COMPREPLY[i]=${COMPREPLY[i]//|/\\|}
    done
    return 0
}

complete -F _calvora_cli calvora-cli
