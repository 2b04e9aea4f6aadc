#!/bin/sh
# Starts the host from the folder where it lives beside its plug-in, skin and catalogue.
exec "$(dirname "$(readlink -f "$0")")/../lib/roduviriz/roduviriz" "$@"
