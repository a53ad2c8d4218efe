#!/usr/bin/env bash
# Takes the dialog's screenshots from the real program under a virtual X
# server: one per connection type and the channel page, in English and in
# German; then the windows "Find PLCs", "Diagnosis" and "Channel check" at
# work against the PLC emulator. Usage: docs/screenshots/take-screenshots.sh
# [build folder] (default build/; needs the program, the stand-in drivers,
# the channel_page_preview and test_window_preview tools and the emulator
# (build/peer/s7peer) built there).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="$(cd "${1:-build}" && pwd)"
out="$(pwd)/docs/screenshots"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

work="$(mktemp -d)"
peer_pid=""
finish() {
  # The emulator serves until its standard input closes.
  exec 3>&- || true
  if [ -n "$peer_pid" ]; then wait "$peer_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/drv"
cp "$build"/demo/drv/*.so "$work/drv/"

# Starts "$@" in the work folder, grabs the screen once the window is up,
# ends the program again (it has not written anything) and crops to the
# dialog.
shoot() {
  local file="$1"
  shift
  (cd "$work" && exec "$@") &
  local pid=$!
  sleep 2
  import -window root "$work/root.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  convert "$work/root.png" -trim +repage "$out/$file"
  echo "$out/$file"
}

settings() {
  printf 'Connectiontype=%s\r\nComport=1\r\nBaudrate=3\r\nLocalMPI=0\r\nLocalPPI=0\r\n' "$1"
  printf 'RemoteMPI=2\r\nRemotePPI=2\r\nProfibusSpeedIndex=2\r\nIPAddress=192.168.0.10\r\n'
  printf 'IPPort=102\r\nRack=0\r\nSlot=2\r\nWriteProtocol=1\r\n'
  printf 'ProtokollFileName=/home/plant/S7ErrorLog.TXT\r\n'
}

channels() {
  printf '>ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\t\t1\r\n\t\t5\r\n\tA\r\n\t\t4\r\n\t\t300<-- ung\xc3\xbcltig; nur innerhalb [0..255]\r\n'
  printf '\tM\r\n\t\t10\r\n\tT\r\n\tZ\r\n\tDB\r\n\t\t10\r\n\t\t\t0\r\n\t\t\t2\r\n\t\t\t4\r\n\t\t20\r\n\t\t\t100\r\n\r\n>EOT<\r\n'
}

names=(mpi mpi-zorbel mpi-zorbel-stx ppi tcp s7online)
for lang in en de; do
  if [ "$lang" = de ]; then export LANG=de_DE.UTF-8; else export LANG=C; fi
  for type in 0 1 2 3 4 5; do
    { settings "$type"; channels; } > "$work/drv/libs7drv.CFG"
    shoot "dialog-${names[$type]}-$lang.png" "$build/bin/VN_S7_Config_DRV"
  done
  { settings 0; channels; } > "$work/drv/libs7drv.CFG"
  shoot "dialog-channels-$lang.png" "$build/tests/channel_page_preview" "SPS;E;5" "SPS;DB;10;2"
done

# The windows of the dialog's tests need a PLC: the emulator, with data
# block 1 and without data block 7, which the channels name.
mkfifo "$work/peer-in"
"$build/peer/s7peer" 0 127.0.0.1 "E=256,DB1=100" <"$work/peer-in" >"$work/peer-out" &
peer_pid=$!
exec 3>"$work/peer-in"
port=""
for _ in $(seq 50); do
  port="$(sed -n 's/^PORT //p' "$work/peer-out")"
  [ -n "$port" ] && break
  sleep 0.1
done
tcp_settings() {
  settings 4 | sed -e "s/^IPAddress=.*/IPAddress=127.0.0.1\r/" -e "s/^IPPort=.*/IPPort=$port\r/"
}
test_channels() {
  printf '>ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\tDB\r\n\t\t1\r\n\t\t\t4\r\n\t\t\t99\r\n'
  printf '\t\t7\r\n\t\t\t0\r\n\t\t\t1\r\n\r\n>EOT<\r\n'
}
windows=(find diagnose check)
window_names=(find-plcs diagnosis channel-check)
for lang in en de; do
  if [ "$lang" = de ]; then export LANG=de_DE.UTF-8; else export LANG=C; fi
  { tcp_settings; test_channels; } > "$work/drv/libs7drv.CFG"
  for i in 0 1 2; do
    shoot "window-${window_names[$i]}-$lang.png" "$build/tests/test_window_preview" "${windows[$i]}"
  done
done
