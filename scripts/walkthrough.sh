#!/usr/bin/env bash
# The walkthrough of the main job, on builds that are already there (the network test of both
# builds runs it too): simulated gateways in the test bed, then the scripted session (configure,
# inspect, search, upload, live DMX, an EnOcean record) with the Linux host and with the
# Windows host under Wine, and the record bytes of both compared.
# With a display (and HALVEX_HEADLESS unset) it opens the real Linux dialog instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${HALVEX_BUILD_DIR:-build}")
windows=$(realpath "${HALVEX_WINDOWS_BUILD:-build-windows64}")

host=$build/host/halvex-host
sim=$build/tools/halvex-gateway-sim
show=$root/resources/demo/show.json
esf=$root/resources/samples/demo-building.esf
out=${HALVEX_DEMO_DIR:-$root/demo-output}
rm -rf "$out"
mkdir -p "$out/gateways"
sim_pid=

step() { printf '\n== %s\n' "$*"; }
in_host() { tools/testbed.sh exec host "$@"; }
# The Windows host program under Wine, in the bed's host namespace (its sockets checked first).
# In the build tree the DLL is not beside the program, where an installed host finds it.
in_wine_host() {
    scripts/wine-bed.sh "$windows" "$windows/host/halvex-host.exe" "$@" --library "$windows/halvex.dll"
}
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

step "test bed: namespaces hvx-host (198.18.0.1) and hvx-gw (198.18.0.2-4)"
tools/testbed.sh up

step "simulated gateways"
# The EnOcean gateway reports a rocker telegram every second (ORG 5, status 0x30,
# data 0x10000000, ID 0x001A2B3C) and a second switch (ID 0x00C0FFEE).
tools/testbed.sh exec gateway "$sim" \
    -g "addr=198.18.0.3,name=EnOcean-Hall,version=Version: 2.0" \
    -g "addr=198.18.0.2,name=KNX-Stage,version=Version: 2.1" \
    --report 0530000000103c2b1a00 --report 052000000050eeffc000 --report-to 198.18.0.1 \
    --report-interval 1 \
    -o "$out/gateways" --ready-file "$out/gateways/ready" --duration 600 \
    >"$out/gateways/simulator.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$out/gateways/ready" ] && break; sleep 0.1; done
[ -e "$out/gateways/ready" ] || { echo "main: the gateway simulator did not start" >&2; exit 1; }
echo "KNX-Stage at 198.18.0.2 (Version: 2.1), EnOcean-Hall at 198.18.0.3 (Version: 2.0)"

record=$out/scene.rec
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${HALVEX_HEADLESS:-}" ]; then
    step "the dialog for a new scene object (close it with OK to store the record)"
    in_host env DISPLAY="${DISPLAY:-}" WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" \
        XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}" \
        "$host" configure "$record" --show "$show" --lang en || true
    [ -e "$record" ] && "$host" inspect "$record"
    exit 0
fi

# The scripted walkthrough with one build: walkthrough NAME HOST-COMMAND...
walkthrough() {
    local name=$1
    shift
    dir=$out/$name
    mkdir -p "$dir/screenshots"
    rm -f "$out"/gateways/image-198.18.0.2*.bin
    step "$name: 1. a new KNX record: bus type KNX, import of $(basename "$esf"), assignments, OK"
    "$@" configure "$dir/scene.rec" --show "$show" --accept --bus knx --import-esf "$esf" \
        --assign scene1:1:0/0/1 --assign dimmer1:3:1/1/2 --assign device1:1:1/1/2 \
        --screenshots "$dir/screenshots"

    step "$name: 2. inspect the stored record"
    "$host" inspect "$dir/scene.rec" | tee "$dir/inspect.txt" | head -n 40
    "$host" inspect "$dir/scene.rec" --json >"$dir/inspect.json"

    step "$name: 3. search the gateways"
    "$@" search --show "$show" --seconds 2 | tee "$dir/search.txt"
    for gateway in "198.18.0.2 KNX-Stage" "198.18.0.3 EnOcean-Hall"; do
        grep -q "^gateway: $gateway" "$dir/search.txt" ||
            { echo "main: the search did not find $gateway" >&2; exit 1; }
    done

    step "$name: 4. upload to KNX-Stage (198.18.0.2)"
    "$@" upload "$dir/scene.rec" --show "$show" --to 198.18.0.2 --change-address --seconds 2 \
        | tee "$dir/upload.txt"

    step "$name: 5. the simulator's copy of the image against the scene list and the record's main part"
    "$host" check-show "$show" --scene-list "$dir/scene-list.bin" >/dev/null
    main_length=$(od -An -tu2 -N2 "$dir/scene.rec" | tr -d ' ')
    { cat "$dir/scene-list.bin"; head -c "$main_length" "$dir/scene.rec"; } >"$dir/expected-image.bin"
    image=$(ls "$out"/gateways/image-198.18.0.2*.bin 2>/dev/null | head -n 1 || true)
    if [ -n "$image" ] && cmp -s "$image" "$dir/expected-image.bin"; then
        echo "the image arrived intact: $(stat -c %s "$image") bytes = scene list + main part"
    else
        echo "main: the image on the simulated gateway differs from the expected one" >&2
        exit 1
    fi

    step "$name: 6. live DMX: 20 frames with DMX-Out 1 switched on, broadcast to the gateways"
    cp "$dir/scene.rec" "$dir/preview.rec"
    flags=$(od -An -tu1 -j15 -N1 "$dir/preview.rec" | tr -d ' ')
    printf "\\x$(printf %02x $((flags | 0x40)))" |
        dd of="$dir/preview.rec" bs=1 seek=15 conv=notrunc status=none
    frames_before=$(cat "$out/gateways/dmx-broadcast.count" 2>/dev/null || echo 0)
    "$@" preview "$dir/preview.rec" --frames 20 --interval-ms 10 --channel-values 255,128,64
    # DMXDAT, the preview selection (DMX-Out 1), channels 1-3 as given, 509 channels at 0.
    { printf 'DMXDAT\x40\xff\x80\x40'; head -c 509 /dev/zero; } >"$dir/expected-frame.bin"
    for _ in $(seq 50); do
        frames=$(cat "$out/gateways/dmx-broadcast.count" 2>/dev/null || echo 0)
        [ "$frames" -ge $((frames_before + 20)) ] && break
        sleep 0.1
    done
    if [ "$frames" -eq $((frames_before + 20)) ] &&
        cmp -s "$out/gateways/dmx-198.18.0.2.last" "$dir/expected-frame.bin"; then
        echo "the gateways received all 20 frames, the last one as sent"
    else
        echo "main: the gateways received $((frames - frames_before)) of 20 DMX frames" \
            "or another frame than the one sent" >&2
        exit 1
    fi

    step "$name: 7. an EnOcean record learns the reported transmitter"
    "$@" configure "$dir/enocean.rec" --show "$show" --accept --bus enocean --wait 2
    "$host" inspect "$dir/enocean.rec" >"$dir/enocean.txt"
    grep -iE 'transmitter|ID' "$dir/enocean.txt" | head -n 5
    # The simulator reports both switches every second; the two seconds open learn them.
    for id in 0x1a2b3c 0xc0ffee; do
        grep -q "ID:$id ORG:0x5" "$dir/enocean.txt" ||
            { echo "main: the EnOcean record did not learn transmitter $id" >&2; exit 1; }
    done
}

walkthrough linux in_host "$host"
walkthrough windows in_wine_host

# The EnOcean record depends on which reports arrived while it was open, so only the KNX
# record, made by the same actions alone, is compared.
step "the same show, record and actions give the same record bytes on both builds"
if cmp "$out/linux/scene.rec" "$out/windows/scene.rec"; then
    echo "scene.rec: identical ($(stat -c %s "$out/linux/scene.rec") bytes)"
else
    echo "main: scene.rec differs between the Linux and the Windows build" >&2
    exit 1
fi

step "done"
echo "records:      $out/linux/scene.rec, $out/windows/scene.rec (and enocean.rec beside them)"
echo "screenshots:  $out/linux/screenshots, $out/windows/screenshots"
ls "$out/linux/screenshots" "$out/windows/screenshots"
echo "simulator:    $out/gateways/simulator.log"
