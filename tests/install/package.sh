#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Debian and RPM packages as a distribution would take them: lintian
# and rpmlint find no error, the .deb's file list, dependencies, udev rule,
# completions and manual pages are checked, and the unpacked programs run with
# HOME in a temporary folder. usage: package.sh BUILD_DIR
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

(cd "$build" && cpack -G "DEB;RPM" -B "$tmp/out" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$tmp"/out/morvane_*.deb)
rpm=$(ls "$tmp"/out/morvane-*.rpm)
case $(basename "$rpm") in morvane-*-1.*.rpm) ;; *) fail "the RPM is named $(basename "$rpm")" ;; esac

# What a packager runs first. Only errors fail here: every warning lintian
# may give is overridden in the package with its reason beside it.
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" >"$tmp/lintian.txt" 2>&1 || { cat "$tmp/lintian.txt" >&2; fail "lintian"; }
fi
if command -v rpmlint >/dev/null; then
    rpmlint -r "$here/../../dist/rpmlintrc" "$rpm" >"$tmp/rpmlint.txt" 2>&1 || true
    grep -q " 0 errors" "$tmp/rpmlint.txt" || { cat "$tmp/rpmlint.txt" >&2; fail "rpmlint found errors"; }
    [ "$(rpm -qp --qf '%{LICENSE}' "$rpm")" = MIT ] || fail "the RPM's licence is not MIT"
    rpm -qlp "$rpm" | grep -qx /usr/share/man && fail "the RPM owns /usr/share/man"
fi

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/list"
for f in /usr/bin/morvane /usr/bin/morvane-cli /usr/share/morvane/png/english/main.png \
         /usr/lib/udev/rules.d/70-morvane.rules /usr/share/applications/org.morvane.Morvane.desktop \
         /usr/share/icons/hicolor/scalable/apps/morvane.svg /usr/share/icons/hicolor/256x256/apps/morvane.png \
         /usr/share/metainfo/org.morvane.Morvane.metainfo.xml /usr/share/man/man1/morvane.1.gz \
         /usr/share/man/man1/morvane-cli.1.gz /usr/share/bash-completion/completions/morvane-cli \
         /usr/share/zsh/vendor-completions/_morvane-cli /usr/share/fish/vendor_completions.d/morvane-cli.fish \
         /usr/share/doc/morvane/copyright /usr/share/doc/morvane/changelog.Debian.gz; do
    grep -qx "$f" "$tmp/list" || fail "$f is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libhidapi-hidraw0 libudev1 libqt6widgets6; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done

dpkg-deb -x "$deb" "$tmp/root"
r=$tmp/root
# Stripped and hardened.
for exe in "$r/usr/bin/morvane" "$r/usr/bin/morvane-cli"; do
    file "$exe" | grep -q "not stripped" && fail "$exe is not stripped"
    readelf -d "$exe" | grep -q "BIND_NOW" || fail "$exe is not linked with -z now"
    readelf -h "$exe" | grep -q "DYN" || fail "$exe is not position-independent"
done

# The rule opens the configuration (3) and key-event (1) interfaces only.
rule=$r/usr/lib/udev/rules.d/70-morvane.rules
grep 'uaccess' "$rule" | grep -v '#' | while read -r line; do
    echo "$line" | grep -q 'ENV{ID_USB_INTERFACE_NUM}=="01|03"' || fail "a rule line opens more: $line"
done

# The manual pages have the sections a reader looks for.
for m in morvane morvane-cli; do
    for section in "EXIT STATUS" ENVIRONMENT FILES; do
        zcat "$r/usr/share/man/man1/$m.1.gz" | grep -q "^\.SH $section" || fail "$m.1 has no $section"
    done
done
zcat "$r/usr/share/man/man1/morvane.1.gz" | grep -q -- '\\-\\-log' || fail "morvane.1 leaves out --log"

mkdir "$tmp/home"
run() { env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$tmp/home" PATH="$r/usr/bin:$PATH" "$@"; }
run morvane-cli --version | grep -q "^morvane-cli " || fail "morvane-cli --version"
run morvane --help >/dev/null || fail "morvane --help"
run morvane-cli --device "sim:$tmp/kb.bin" show >/dev/null || fail "the unpacked morvane-cli failed"
[ -f "$tmp/home/.local/share/Morvane/keymap.bin" ] || fail "keymap.bin is not in HOME/.local/share/Morvane"
[ -d "$tmp/home/.local/share/Morvane/Configure" ] || fail "no Configure folder in HOME/.local/share/Morvane"

# The three completions: candidates come back quoted, a "*" never turns into
# the folder's file names.
cd "$tmp/home" && touch GLOBBED
bash_out=$(run bash -c ". '$r/usr/share/bash-completion/completions/morvane-cli'; compopt() { :; };
    COMP_WORDS=(morvane-cli assign 42 single '*'); COMP_CWORD=4; _morvane_cli; printf '%s\n' \"\${COMPREPLY[@]}\"")
[ "$bash_out" = '\*' ] || fail "bash completes 'single *' as: $bash_out"
bash_out=$(run bash -c ". '$r/usr/share/bash-completion/completions/morvane-cli'; compopt() { :; };
    COMP_WORDS=(morvane-cli set effect Horse); COMP_CWORD=3; _morvane_cli; printf '%s\n' \"\${COMPREPLY[@]}\"")
[ "$bash_out" = 'Horse\ Race' ] || fail "bash completes 'Horse' as: $bash_out"
if command -v zsh >/dev/null; then
    zsh_out=$(run zsh -f -c "compadd() { print -rl -- \"\${(@P)\${@[-1]}}\" }; _files() { print FILES };
        words=(morvane-cli assign 42 single '*'); CURRENT=5; . '$r/usr/share/zsh/vendor-completions/_morvane-cli'")
    [ "$zsh_out" = '*' ] || fail "zsh completes 'single *' as: $zsh_out"
fi
if command -v fish >/dev/null; then
    fish_out=$(run fish --no-config -c "source '$r/usr/share/fish/vendor_completions.d/morvane-cli.fish';
        complete -C 'morvane-cli set effect Horse'")
    echo "$fish_out" | grep -q '^Horse Race' || fail "fish completes 'Horse' as: $fish_out"
    fish_out=$(run fish --no-config -c "source '$r/usr/share/fish/vendor_completions.d/morvane-cli.fish';
        complete -C 'morvane-cli assign 42 single *'")
    echo "$fish_out" | grep -q GLOBBED && fail "fish completes 'single *' with file names: $fish_out"
fi
cd "$here"

"$here/run_window.sh" "$r/usr/bin/morvane" "$tmp/home" || fail "the unpacked window"
echo "package test: ok ($(basename "$deb"), $(basename "$rpm"))"
