#!/usr/bin/env bash
# The private network test bed: two namespaces joined by a veth pair in 198.18.0.0/24.
#
#   hvx-host  198.18.0.1 on hvx-h0  - where the library runs; its hosts file resolves this
#                                     machine's name to 198.18.0.1
#   hvx-gw    198.18.0.2-.4 on hvx-g0 - where the gateway simulator runs
#
# Usage: testbed.sh up | down | status | exec host|gateway CMD...
# Exit 77 means the bed cannot exist here (not root, no network namespaces): tests skip.
set -u

HOST_NS=hvx-host
GW_NS=hvx-gw
HOST_IF=hvx-h0
GW_IF=hvx-g0
HOST_ADDR=198.18.0.1
GW_ADDRS=(198.18.0.2 198.18.0.3 198.18.0.4)
SKIP=77

fail() {
    echo "testbed: $*" >&2
    exit 1
}

unavailable() {
    echo "testbed: not available: $*" >&2
    exit "$SKIP"
}

need_root() {
    [ "$(id -u)" -eq 0 ] || unavailable "needs root to create network namespaces"
    command -v ip >/dev/null 2>&1 || unavailable "the ip command (iproute2) is missing"
}

ns_exists() {
    ip netns list 2>/dev/null | awk '{print $1}' | grep -qx "$1"
}

is_up() {
    ns_exists "$HOST_NS" && ns_exists "$GW_NS" || return 1
    ip -n "$HOST_NS" -4 addr show dev "$HOST_IF" 2>/dev/null | grep -q "inet $HOST_ADDR/" || return 1
    local a
    for a in "${GW_ADDRS[@]}"; do
        ip -n "$GW_NS" -4 addr show dev "$GW_IF" 2>/dev/null | grep -q "inet $a/" || return 1
    done
    [ -f "/etc/netns/$HOST_NS/hosts" ] && grep -q "^$HOST_ADDR $(hostname)\$" "/etc/netns/$HOST_NS/hosts"
}

down() {
    ns_exists "$HOST_NS" && ip netns del "$HOST_NS"
    ns_exists "$GW_NS" && ip netns del "$GW_NS"
    rm -rf "/etc/netns/$HOST_NS" "/etc/netns/$GW_NS"
    return 0
}

build_links() {
    ip link add "$HOST_IF" netns "$HOST_NS" type veth peer name "$GW_IF" netns "$GW_NS" || return 1
    ip -n "$HOST_NS" addr add "$HOST_ADDR/24" dev "$HOST_IF" || return 1
    local a
    for a in "${GW_ADDRS[@]}"; do
        ip -n "$GW_NS" addr add "$a/24" dev "$GW_IF" || return 1
    done
    ip -n "$HOST_NS" link set lo up && ip -n "$GW_NS" link set lo up || return 1
    ip -n "$HOST_NS" link set "$HOST_IF" up && ip -n "$GW_NS" link set "$GW_IF" up || return 1
    ip -n "$HOST_NS" route add default dev "$HOST_IF" || return 1
    ip -n "$GW_NS" route add default dev "$GW_IF"
}

up() {
    need_root
    if is_up; then
        echo "testbed: already up"
        return 0
    fi
    down
    ip netns add "$HOST_NS" 2>/dev/null || unavailable "'ip netns add' failed (no network namespaces here?)"
    ip netns add "$GW_NS" || { down; unavailable "'ip netns add $GW_NS' failed"; }
    build_links || { down; unavailable "could not build the veth pair and its routes"; }
    # 'ip netns exec' shows this file as /etc/hosts: this machine's name is the veth address,
    # so the library's "first IPv4 address of the host" lies inside the bed.
    mkdir -p "/etc/netns/$HOST_NS"
    printf '127.0.0.1 localhost\n%s %s\n' "$HOST_ADDR" "$(hostname)" >"/etc/netns/$HOST_NS/hosts"
    echo "testbed: up ($HOST_NS $HOST_ADDR <-> $GW_NS ${GW_ADDRS[*]})"
}

status() {
    if is_up; then
        echo "testbed: up"
        ip -n "$HOST_NS" -4 -br addr show dev "$HOST_IF"
        ip -n "$GW_NS" -4 -br addr show dev "$GW_IF"
        return 0
    fi
    echo "testbed: down"
    return 1
}

run_in() {
    local which=$1
    shift
    local ns
    case "$which" in
        host) ns=$HOST_NS ;;
        gateway) ns=$GW_NS ;;
        *) fail "exec needs 'host' or 'gateway', not '$which'" ;;
    esac
    [ $# -gt 0 ] || fail "exec $which needs a command"
    need_root
    is_up || unavailable "the test bed is not up (run 'testbed.sh up' as root)"
    exec ip netns exec "$ns" "$@"
}

case "${1:-}" in
    up) up ;;
    down) need_root; down; echo "testbed: down" ;;
    status) status ;;
    exec) shift; run_in "$@" ;;
    *) echo "usage: $0 up | down | status | exec host|gateway CMD..." >&2; exit 2 ;;
esac
