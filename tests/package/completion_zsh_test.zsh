#!/usr/bin/env zsh
# Types lines into an interactive zsh on a pseudo-terminal, presses TAB, and
# checks what the built zsh completion offers.
# Usage: zsh -f completion_zsh_test.zsh FOLDER_HOLDING__headwise-cli
zmodload zsh/zpty
folder=${1:A}
work=$(mktemp -d)
trap 'zpty -d shell 2>/dev/null; rm -rf $work' EXIT
cd $work || exit 1
touch page.htm block.htm
mkdir site

zpty shell TERM=dumb zsh -f -i
zpty -w shell "unsetopt prompt_sp; bindkey -e; PS1=''; fpath=($folder \$fpath); autoload -Uz compinit; compinit -u -D"
# Every offer is printed as it is added; ^T prints an end mark once the
# completion is done. The marks are split in the typed text, so the echo of
# these lines never matches them.
zpty -w shell 'compadd() { local -a hits; builtin compadd -O hits "$@"; (( $#hits )) && print -r -- "HI""T ${(j:|:)hits}"; builtin compadd "$@"; }'
zpty -w shell 'mark() { print -r -- "<EN""D>"; }; zle -N mark; bindkey "^T" mark; print RE""ADY'
zpty -r shell line '*READY*'

# The sorted offers for a typed line, in REPLY.
offers() {
    local line
    local -a hits
    zpty -n -w shell "$1"$'\t\C-t\C-u'
    while zpty -r shell line; do
        [[ $line == *'<END>'* ]] && break
        [[ $line == *'HIT '* ]] && hits+=(${(s:|:)${${line#*HIT }%%$'\r'*}})
    done
    REPLY=${(j: :)${(ou)hits}}
}

failures=0
cases=(
    # typed line                          offers
    'headwise-cli in'                     'insert'
    'headwise-cli ex'                     'extract'
    'headwise-cli --v'                    '--version'
    'headwise-cli create --al'            '--alternate'
    'headwise-cli analyze --j'            '--json'
    'headwise-cli insert --t'             '--tags'
    'headwise-cli insert --tags '         'block.htm page.htm site'
    'headwise-cli insert --tags=p'        'page.htm'
    'headwise-cli insert -o b'            'block.htm'
    'headwise-cli insert p'               'page.htm'
    'headwise-cli extract b'              'block.htm'
    'headwise-cli create --form '         'HTML Page MetaTags Only'
    'headwise-cli create --title '        ''
    'headwise-cli create p'               ''
    'headwise-cli audit --format '        'csv github html json junit sarif text'
    'headwise-cli audit --fail-on w'      'warning'
    'headwise-cli audit --config b'       'block.htm'
    'headwise-cli audit --jobs '          ''
    'headwise-cli audit --rule x --ru'    '--rule'
    'headwise-cli audit s'                'site'
)
for typed expected in "${cases[@]}"; do
    offers $typed
    if [[ $REPLY != $expected ]]; then
        print -r -- "FAIL: '$typed' offers '$REPLY', expected '$expected'"
        (( failures++ ))
    fi
done

(( failures == 0 )) && print "zsh completion: all offers as expected"
exit $(( failures > 0 ))
