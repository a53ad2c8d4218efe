#!/usr/bin/env bash
# Sets up the machine, builds, and starts the configurator in build/demo with
# a PLC to talk to: the PLC emulator the tests use (the Snap7 server from the
# npm package node-snap7, built into build/peer/) on a free loopback port, and
# a demo configuration for ISO over TCP to it, so that "Readout Info " reads a
# real order code. The emulator stops when the program ends, Ctrl+C included.
# Arguments go to the program: ./scripts/run.sh --read-info
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only what the demo runs: the tests are built by scripts/test.sh.
bash scripts/build.sh demo

demo="$(pwd)/build/demo"
program="$(pwd)/build/bin/VN_S7_Config_DRV"
config="$demo/drv/libs7drv.CFG"
# What the demo last wrote, to tell its own configuration from one the user
# changed; and the emulator's last port, so that a changed configuration
# that still points at the emulator keeps working.
written="$demo/.demo-config"
last_port_file="$demo/.emulator-port"

run_program() {
  cd "$demo"
  "$program" "$@"
}

if ! bash tests/peer/build-peer.sh build/peer; then
  echo "run.sh: the PLC emulator could not be built; the program starts without it." >&2
  run_program "$@"
  exit $?
fi

work="$(mktemp -d)"
peer_pid=""
stop_emulator() {
  # The emulator serves until its standard input closes.
  exec 3>&- || true
  if [ -n "$peer_pid" ]; then wait "$peer_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap stop_emulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Starts the emulator on port $1 (empty: any free one) and sets port to
# the port it listens on. Not in a subshell: the emulator lives as long as
# this shell holds its input open.
port=""
# The memory the demo PLC serves: 256 bytes of inputs, outputs and flags,
# timers and counters, data block 1 of 256 bytes and data block 2 of 100.
demo_areas="E=256,A=256,M=256,T=512,Z=512,DB1=256,DB2=100"
start_emulator() {
  rm -f "$work/in" "$work/out"
  mkfifo "$work/in"
  build/peer/s7peer "${1:-0}" 127.0.0.1 "$demo_areas" <"$work/in" >"$work/out" 2>"$work/errors" &
  peer_pid=$!
  exec 3>"$work/in"
  local word number
  for _ in $(seq 1 100); do
    if read -r word number <"$work/out" 2>/dev/null && [ "$word" = PORT ]; then
      port="$number"
      return 0
    fi
    kill -0 "$peer_pid" 2>/dev/null || break
    sleep 0.1
  done
  exec 3>&-
  wait "$peer_pid" 2>/dev/null || true
  peer_pid=""
  return 1
}

last_port="$(cat "$last_port_file" 2>/dev/null || true)"
if ! { [[ "$last_port" =~ ^[0-9]+$ ]] && start_emulator "$last_port"; } && ! start_emulator ""; then
  echo "run.sh: the PLC emulator did not start: $(cat "$work/errors")" >&2
  exit 1
fi
echo "$port" >"$last_port_file"

# The demo configuration in the form OK writes, so that OK without changes
# keeps it the demo's own.
demo_config() {
  printf 'WriteProtocol=0\r\nProtokollFileName=%s\r\n' "$demo/drv/libs7drvErrorLog.TXT"
  printf 'Comport=2\r\nConnectiontype=4\r\nBaudrate=0\r\nLocalMPI=0\r\nLocalPPI=0\r\n'
  printf 'RemoteMPI=2\r\nRemotePPI=2\r\nProfibusSpeedIndex=2\r\n'
  printf 'IPAddress=127.0.0.1\r\nIPPort=%s\r\nRack=0\r\nSlot=2\r\n' "$port"
  printf '>ChT<\r\nSPS\r\n\tE\r\n\t\t0\r\n\t\t1\r\n\tA\r\n\t\t4\r\n\tM\r\n\t\t10\r\n'
  printf '\tT\r\n\t\t1\r\n\tZ\r\n\t\t2\r\n\tDB\r\n\t\t1\r\n\t\t\t0\r\n\t\t\t42\r\n'
  printf '\t\t2\r\n\t\t\t99\r\n\t\t\t100\r\n\r\n>EOT<\r\n'
}

if [ ! -e "$config" ] || { [ -f "$written" ] && cmp -s "$config" "$written"; }; then
  demo_config >"$written"
  cp "$written" "$config"
  echo "PLC emulator on 127.0.0.1:$port; $config set to ISO over TCP to it."
else
  echo "PLC emulator on 127.0.0.1:$port. $config was changed since the demo wrote it" \
       "and stays as it is; remove it to get the demo's configuration again."
fi

set +e
(run_program "$@" 3>&-)
status=$?
set -e
exit "$status"
