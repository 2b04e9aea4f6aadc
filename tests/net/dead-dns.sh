#!/bin/sh
# Runs a test program in network and mount namespaces of its own: the loopback is up and the
# name server is 127.0.0.1, where the test keeps a socket that takes every query and never
# answers, so that every name lookup hangs (the resolver waits 30 s per try).
#   dead-dns.sh PROGRAM [ARGS...]
set -eu
conf=$(mktemp /tmp/rod-dead-dns-XXXXXX)
trap 'rm -f "$conf"' EXIT
printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:2\n' >"$conf"
# Without root, a user namespace of our own grants what the two namespaces need.
as_root=""
[ "$(id -u)" = 0 ] || as_root="--map-root-user"
ROD_DEAD_DNS=1 unshare $as_root --net --mount sh -c \
    'ip link set lo up && mount --bind "$0" /etc/resolv.conf && exec "$@"' "$conf" "$@"
