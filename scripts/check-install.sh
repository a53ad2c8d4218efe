#!/usr/bin/env bash
# Checks what users get from a build: installs it into a temporary prefix,
# starts the installed program through its link from another folder with
# LANG=de_AT.UTF-8 under a virtual X server and waits for the German title
# and the toolkit's German file dialog,
# checks that the manual page and the bash completion know every option
# --help lists, then builds the Debian package, checks its files and
# dependencies and, where lintian is installed, runs it on the package:
# an error, a warning or a missing hardening flag fails the check.
# usage: scripts/check-install.sh [build folder]   (default build/)
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(cd "${1:-build}" && pwd)"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

work="$(mktemp -d)"
program_pid=""
cleanup() {
  if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "check-install: $*" >&2
  exit 1
}

# The files below the prefix, a link as "path -> target", in both the
# installed tree and the package.
layout=("bin/VN_S7_Config_DRV -> ../lib/vn-s7-config/VN_S7_Config_DRV"
        "lib/vn-s7-config/VN_S7_Config_DRV"
        "lib/vn-s7-config/locale/de/LC_MESSAGES/default.mo"
        "share/man/man1/VN_S7_Config_DRV.1.gz"
        "share/bash-completion/completions/VN_S7_Config_DRV"
        "share/doc/vn-s7-config/copyright"
        "share/doc/vn-s7-config/changelog.gz")
# usage: check_layout <listing> <what>
check_layout() {
  local entry
  for entry in "${layout[@]}"; do
    grep -qxF "$entry" <<<"$1" || fail "$2 lacks $entry"
  done
}

# --- install layout ---
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
real="$prefix/lib/vn-s7-config/VN_S7_Config_DRV"
check_layout "$(cd "$prefix" && find . -mindepth 1 \( -type l -printf '%P -> %l\n' \) -o -printf '%P\n')" \
  "the installed tree"
[ -x "$real" ] || fail "the program in lib/vn-s7-config/ is not executable"
[ ! -e "$prefix/share/locale" ] || fail "a catalogue went into the shared locale folder"
# The hook that answers windows exists in test builds only.
if strings "$real" | grep -q VN_S7_TEST_AUTOCLOSE || nm -C "$real" | grep -q DialogAutoClose; then
  fail "the installed program carries the test hook"
fi

# --- every option --help lists, in the manual page and the completion ---
options="$(env -u LANGUAGE LC_ALL=C "$real" --help | sed -n 's/^  \(-[a-z], \)\{0,1\}\(--[a-z-]*\).*/\2/p')"
[ -n "$options" ] || fail "--help lists no options"
# The manual page's OPTIONS section, its "\-" as plain "-".
man_options="$(gzip -dc "$prefix/share/man/man1/VN_S7_Config_DRV.1.gz" \
  | sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' | sed 's/\\-/-/g')"
for option in $options; do
  grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$man_options" \
    || fail "the manual page's OPTIONS do not name $option"
done
echo "manual page: names all $(wc -w <<<"$options") options of --help"

# Completes the words after the program name as bash does on Tab, in a bash
# started for it with nothing but the installed completion; prints one
# candidate a line.
complete_words() {
  env -i PATH="$PATH" bash --norc --noprofile -c '
    source "$1"
    function=$(complete -p VN_S7_Config_DRV | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
    COMP_LINE="VN_S7_Config_DRV $2" COMP_POINT=$((17 + ${#2}))
    read -ra COMP_WORDS <<<"$COMP_LINE"
    COMP_CWORD=${#COMP_WORDS[@]}
    "$function"
    printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$prefix/share/bash-completion/completions/VN_S7_Config_DRV" "$1"
}
[ "$(complete_words --read-)" = --read-info ] \
  || fail "bash completes \"--read-\" to \"$(complete_words --read-)\", not --read-info"
[ "$(complete_words --)" = "$options" ] \
  || fail "bash completes \"--\" to $(complete_words --), --help lists $options"
[ "$(complete_words "--set " | grep -c '^[A-Za-z]*=$')" -eq 14 ] \
  || fail "bash completes \"--set \" to $(complete_words "--set "), not the 14 Key="
echo "bash completion: --read- to --read-info, every option, the 14 keys of --set"

# --- the installed program, through its link, from a plant folder ---
mkdir -p "$work/plant/drv"
cp "$build"/demo/drv/*.so "$work/plant/drv/"
(
  unset LANGUAGE LC_ALL LC_MESSAGES
  export LANG=de_AT.UTF-8 XDG_CONFIG_HOME="$work/config" PATH="$prefix/bin:$PATH"
  cd "$work/plant"
  exec VN_S7_Config_DRV
) 2>"$work/stderr" &
program_pid=$!
# Waits up to 30 s for a window whose title is exactly $1; prints its id.
wait_for_window() {
  for _ in $(seq 1 150); do
    if xdotool search --name "^$1\$" 2>/dev/null | head -n 1 | grep .; then return 0; fi
    kill -0 "$program_pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}
title="Konfiguration des SPS-Treibers"
window="$(wait_for_window "$title")" || fail "no window \"$title\" (stderr: $(cat "$work/stderr"))"
# The toolkit's own German: "suchen" (Alt+S) opens the file dialog, whose
# title comes from Qt's translations.
xdotool windowfocus --sync "$window" key alt+s
wait_for_window "Öffnen" >/dev/null || fail "the file dialog is not German (qt6-translations-l10n?)"
kill "$program_pid"
wait "$program_pid" 2>/dev/null || true
program_pid=""
if [ -e "$work/plant/drv/libs7drv.CFG" ]; then fail "the program wrote a file without OK"; fi
echo "installed program: German title and German file dialog with LANG=de_AT.UTF-8"

# --- the Debian package ---
(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) \
  || fail "cpack failed: $(cat "$work/cpack.log")"
deb=("$work"/package/vn-s7-config_*.deb)
[ -f "${deb[0]}" ] || fail "cpack made no package"
# Paths (and link targets) only: the sixth field on, below ./usr/.
files="$(dpkg-deb -c "${deb[0]}" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')"
check_layout "$(sed -n 's|^\./usr/||p' <<<"$files")" "the package"
if grep -qiE 'autoclose|/drv/|\.so$|peer' <<<"$files"; then
  fail "the package carries test or demo files: $(grep -iE 'autoclose|/drv/|\.so$|peer' <<<"$files")"
fi
[ "$(dpkg-deb -f "${deb[0]}" Package)" = vn-s7-config ] || fail "wrong package name"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ "$(dpkg-deb -f "${deb[0]}" Version)" = "$version" ] || fail "package version is not $version"
depends="$(dpkg-deb -f "${deb[0]}" Depends)"
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
grep -q "qt6-translations-l10n" <<<"$(dpkg-deb -f "${deb[0]}" Recommends)" \
  || fail "the package does not recommend qt6-translations-l10n"
echo "package: $(basename "${deb[0]}"), Depends: $depends"

# --- Debian's package checker ---
if command -v lintian >/dev/null 2>&1; then
  # Info tags too, for the hardening ones; lintian's word on running as
  # root is no finding.
  # Errors give a non-zero exit code too: the findings are named first.
  status=0
  lintian --display-info "${deb[0]}" >"$work/lintian.log" 2>&1 || status=$?
  findings="$(grep -E '^[EW]: |hardening-' "$work/lintian.log" || true)"
  [ -z "$findings" ] || fail "lintian: $findings"
  [ "$status" -eq 0 ] || fail "lintian failed: $(cat "$work/lintian.log")"
  echo "lintian: no error, no warning, no hardening tag ($(grep -c '^I: ' "$work/lintian.log") info tags)"
else
  echo "lintian: not installed, package not checked"
fi
