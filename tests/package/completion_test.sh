#!/usr/bin/env bash
# Drives the built bash completion the way bash does on TAB and checks what it
# offers. Usage: completion_test.sh COMPLETION_FILE HEADWISE_CLI
set -uo pipefail
completion=$1
cli=$(realpath "$2")
# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion
# shellcheck source=/dev/null
source "$completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch page.htm block.htm
mkdir site

# The words bash hands over for a line typed up to the cursor: split at blanks
# and at "=", which is in COMP_WORDBREAKS, an empty word when the line ends in
# a blank. Prints the offers sorted, on one line.
offers() {
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"${line//=/ = }"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _headwise_cli headwise-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}

failures=0
check() {
    local line=$1 expected=$2 got
    got=$(offers "$line")
    if [[ $got != "$expected" ]]; then
        echo "FAIL: '$line' offers '$got', expected '$expected'"
        failures=$((failures + 1))
    fi
}

# typed line                            offers
check 'headwise-cli cr'                 'create'
check 'headwise-cli an'                 'analyze'
check 'headwise-cli ex'                 'extract'
check 'headwise-cli in'                 'insert'
check 'headwise-cli --v'                '--version'
check 'headwise-cli create --al'        '--alternate'
check 'headwise-cli create --title x --al' '--alternate'
check 'headwise-cli analyze --j'        '--json'
check 'headwise-cli extract --l'        '--lines'
check 'headwise-cli insert --t'         '--tags='
check 'headwise-cli insert -'           '--help --help-all --output --tags -h -o'
check 'headwise-cli insert --tags '     'block.htm page.htm site'
check 'headwise-cli insert --tags=p'    'page.htm'
check 'headwise-cli insert --output b'  'block.htm'
check 'headwise-cli insert -o s'        'site'
check 'headwise-cli insert p'           'page.htm'
check 'headwise-cli analyze '           'block.htm page.htm site'
check 'headwise-cli extract b'          'block.htm'
check 'headwise-cli create --form '     'HTML\ Page MetaTags\ Only'
check 'headwise-cli create --form M'    'MetaTags\ Only'
check 'headwise-cli create --title '    ''
check 'headwise-cli create '            ''
check 'headwise-cli create p'           ''
check 'headwise-cli au'                 'audit'
check 'headwise-cli audit --format '    'csv github html json junit sarif text'
check 'headwise-cli audit --format=s'   'sarif'
check 'headwise-cli audit --fail-on w'  'warning'
check 'headwise-cli audit --config b'   'block.htm'
check 'headwise-cli audit --sitemap p'  'page.htm'
check 'headwise-cli audit -o s'         'site'
check 'headwise-cli audit --jobs '      ''
check 'headwise-cli audit --rule '      ''
check 'headwise-cli audit --max'        '--max-pages='
check 'headwise-cli audit s'            'site'
check 'headwise-cli bogus --'           ''
check 'headwise-cli bogus p'            ''

# Every command the program lists is offered, and every long option of its
# own --help, read from the help text rather than from the declarations the build uses.
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
[[ -n $commands ]] || { echo "FAIL: $cli --help lists no commands"; failures=$((failures + 1)); }
for command in $commands; do
    [[ " $(offers 'headwise-cli ') " == *" $command "* ]] ||
        { echo "FAIL: command $command not offered"; failures=$((failures + 1)); }
    offered=" $(offers "headwise-cli $command --") "
    for option in $("$cli" "$command" --help | grep -oE '^  (-[a-zA-Z], )?--[a-z][a-z0-9-]*' | grep -oE -- '--[a-z0-9-]+'); do
        [[ $offered == *" $option "* || $offered == *" $option= "* ]] ||
            { echo "FAIL: $command $option not offered"; failures=$((failures + 1)); }
    done
done

((failures == 0)) && echo "completion: all offers as expected"
exit $((failures > 0))
