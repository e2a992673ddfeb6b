#!/usr/bin/env bash
# Records tests/data/halvex.pcapng, the capture the Wireshark dissector test decodes: in the
# network test bed (root only), tshark listens on the gateway side of the veth pair while
# halvex-host searches, uploads a new EnOcean record with a show of 50 scenes (an image of two
# blocks) to one of three simulated gateways and previews one DMX frame, a simulated gateway reports an EnOcean transmitter, and the host namespace
# sends malformed datagrams. Nothing leaves the bed's two namespaces.
#
# Usage: tests/data/make-capture.sh [BUILD_DIR]     (default: build)
# The dissector test's table of expected fields must be updated with a new capture.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
bed=$root/tools/testbed.sh
host=$build/host/halvex-host
out=$root/tests/data/halvex.pcapng
work=$(mktemp -d)
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill -INT "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

in_host() { "$bed" exec host "$@"; }
# One datagram from the host namespace to 198.18.0.2, bytes given as printf escapes.
send() { in_host bash -c 'printf "$2" >"/dev/udp/198.18.0.2/$1"' send "$1" "$2"; }

"$bed" up
if in_host ss -uln | grep -q ':4044 '; then
    echo "make-capture: the test bed is busy (UDP port 4044 in use in its host namespace)" >&2
    exit 1
fi
touch "$work/capture.pcapng"
"$bed" exec gateway tshark -q -i hvx-g0 -f "udp port 4044 or udp port 4042" \
    -w "$work/capture.pcapng" 2>"$work/tshark.log" &
pids+=($!)
# dumpcap writes the file's header once the interface is open and the filter set.
for _ in $(seq 100); do [ -s "$work/capture.pcapng" ] && break; sleep 0.1; done

"$bed" exec gateway "$build/tools/halvex-gateway-sim" \
    -g "addr=198.18.0.2,name=Stage,version=Version: 2.1" \
    -g "addr=198.18.0.3,mac=00:0a:1b:2c:3d:4e,version=Version: 1.7" \
    -g "addr=198.18.0.4,name=Foyer,version=" \
    --report "05 30 00 00 00 10 01 02 0a 3b" --report-to 198.18.0.1 \
    -o "$work/sim" --ready-file "$work/ready" --duration 60 >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/ready" ] && break; sleep 0.1; done

export QT_QPA_PLATFORM=offscreen
show=$work/show.json
printf '{"scenes": [%s], "devices": [{"name": "Dimmer", "kind": 0}]}' \
    "$(seq -f '"Scene %g"' 50 | paste -sd,)" >"$show"
in_host "$host" configure "$work/scene.rec" --show "$show" --accept --bus enocean
in_host "$host" upload "$work/scene.rec" --show "$show" --to 198.18.0.2 --change-address --seconds 1
# DMX-Out 1 on: bit 0x40 of byte 15.
flags=$(od -An -tu1 -j15 -N1 "$work/scene.rec" | tr -d ' ')
printf "\\x$(printf %02x $((flags | 0x40)))" | dd of="$work/scene.rec" bs=1 seek=15 conv=notrunc status=none
in_host "$host" preview "$work/scene.rec" --frames 1 --channel-values 255,128,64

send 4044 'DMX-UPL'                                              # no keyword
send 4044 'DMX-UPLOAD\0'                                         # header cut short
send 4044 'DMX-UPLOAD\0\1\1\x64\0\0\0xxxxxxxxxx'                 # 10 of 100 bytes
send 4044 'DMX-UPLOAD\0\3\2\4\0\0\0abcd'                         # block 3 of 2
send 4044 "DMX-UPLOAD\\0\\1\\2\\x4c\\x04\\0\\0$(printf 'y%.0s' $(seq 1100))"  # 1100 bytes
send 4044 'DMX_SEARCH_RESPONSE\0\0\0'                            # no address
send 4042 '\21\21\21\21\21'                                      # frame without outputs byte
send 4042 '\0\0\0\0\0\0\0\0\0\0'                                 # frame naming no output

sleep 1
kill -INT "${pids[0]}"
wait "${pids[0]}" || true
cp "$work/capture.pcapng" "$out"
echo "make-capture: $(tshark -r "$out" 2>/dev/null | wc -l) datagrams in $out"
