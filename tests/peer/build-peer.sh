#!/usr/bin/env bash
# Builds the PLC emulator used by the ISO-over-TCP integration tests and the
# benchmark: the Snap7 server bundled in the npm package node-snap7, with our
# small main (s7peer_main.cpp). Test-only: it goes into the build folder and is
# never shipped; nothing of it is kept in the repository.
#
# usage: build-peer.sh <output folder>
# Leaves <output folder>/s7peer. Fails (non-zero) when the package cannot be
# fetched, so that the tests depending on the emulator are not run.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: build-peer.sh <output folder>}"
version="1.0.9"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
peer="$out/s7peer"
stamp="$out/.built-from"
fingerprint="node-snap7@$version $(cksum < "$here/s7peer_main.cpp")"

if [ -x "$peer" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$fingerprint" ]; then
  echo "s7peer is up to date"
  exit 0
fi

start=$(date +%s.%N)
src="$out/package/deps/snap7/src"
if [ ! -d "$src" ]; then
  tarball="$out/node-snap7-$version.tgz"
  if [ ! -f "$tarball" ]; then
    # npm pack only downloads the package; npm install would try to build the
    # node addon, which we do not need.
    if ! (cd "$out" && npm pack "node-snap7@$version" --silent >/dev/null); then
      echo "ERROR: could not fetch node-snap7@$version from the npm registry;" \
           "the PLC emulator tests cannot run" >&2
      exit 1
    fi
  fi
  tar -xzf "$tarball" -C "$out"
fi

# Only what the server needs, compiled in parallel.
units=(core/s7_server.cpp core/s7_isotcp.cpp sys/snap_tcpsrvr.cpp sys/snap_msgsock.cpp
       sys/snap_sysutils.cpp sys/snap_threads.cpp)
objdir="$out/obj"
mkdir -p "$objdir"
cxx="${CXX:-c++}"
flags=(-O1 -w -pthread -I"$src/core" -I"$src/sys")
pids=()
for unit in "${units[@]}"; do
  "$cxx" "${flags[@]}" -c "$src/$unit" -o "$objdir/$(basename "$unit" .cpp).o" & pids+=($!)
done
"$cxx" "${flags[@]}" -c "$here/s7peer_main.cpp" -o "$objdir/s7peer_main.o" & pids+=($!)
for pid in "${pids[@]}"; do wait "$pid"; done
"$cxx" -pthread "$objdir"/*.o -o "$peer.tmp"
mv "$peer.tmp" "$peer"
echo "$fingerprint" > "$stamp"
end=$(date +%s.%N)
awk -v a="$start" -v b="$end" 'BEGIN { printf "built s7peer in %.1f s\n", b - a }'
