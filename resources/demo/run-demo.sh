#!/usr/bin/env bash
# halvex-host against simulated gateways, inside the project's network test bed (root only):
# a new record from the demo show, its description, a gateway search, an upload and a short
# DMX preview. Nothing leaves the test bed's two namespaces.
#
# Usage: resources/demo/run-demo.sh [BUILD_DIR]     (default: build)
# HALVEX_TESTBED may name another test-bed script with the same interface.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bed=${HALVEX_TESTBED:-$root/tools/testbed.sh}
host=$build/host/halvex-host
sim=$build/tools/halvex-gateway-sim
show=$root/resources/demo/show.json
work=$(mktemp -d)
sim_pid=

cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

step() { printf '\n== %s\n' "$*"; }
in_host() { "$bed" exec host "$@"; }

"$bed" up
if in_host ss -uln | grep -q ':4044 '; then
    echo "run-demo: the test bed is busy (UDP port 4044 in use in its host namespace)" >&2
    exit 1
fi

"$bed" exec gateway "$sim" -g "addr=198.18.0.2,name=Stage,version=Version: 2.1" \
    -g "addr=198.18.0.3,mac=00:0a:1b:2c:3d:4e,version=Version: 1.7" \
    -o "$work/sim" --ready-file "$work/ready" --duration 120 >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/ready" ] && break; sleep 0.1; done
[ -e "$work/ready" ] || { echo "run-demo: the gateway simulator did not start" >&2; exit 1; }

step "configure: a new KNX record for the demo show"
in_host "$host" configure "$work/scene.rec" --show "$show" --accept --bus knx
step "inspect"
"$host" inspect "$work/scene.rec" | head -n 12
step "search"
in_host "$host" search --show "$show" --seconds 2
step "upload to 198.18.0.2"
in_host "$host" upload "$work/scene.rec" --show "$show" --to 198.18.0.2 --change-address --seconds 2
step "preview: 40 frames on DMX-Out 1 (byte 15 bit 0x40 set by hand)"
cp "$work/scene.rec" "$work/preview.rec"
flags=$(od -An -tu1 -j15 -N1 "$work/preview.rec" | tr -d ' ')
printf "\\x$(printf %02x $((flags | 0x40)))" | dd of="$work/preview.rec" bs=1 seek=15 conv=notrunc status=none
in_host "$host" preview "$work/preview.rec" --frames 40 --interval-ms 25 --channel-values 255,128,64
sleep 0.5
step "what the simulated gateways saw"
grep -E 'image|start|DMX' "$work/sim.log" | tail -n 5
