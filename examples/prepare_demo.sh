#!/usr/bin/env bash
# Prepares a Torvane folder for the example order form: imports the saved page, points it at URL and
# describes where each field lies in examples/orders.txt, all with torvane-cli.
#   examples/prepare_demo.sh DIR URL [TORVANE_CLI]
set -euo pipefail

if [[ $# -lt 2 ]]; then
    echo "usage: $0 DIR URL [TORVANE_CLI]" >&2
    exit 64
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dir=$1
url=$2
cli=${3:-$here/../build/release/torvane-cli}

mkdir -p "$dir"
cp "$here/orders.txt" "$dir/orders.txt"
t() { "$cli" -C "$dir" "$@"; }

# The form: URL, post action and every field and option of the saved page.
t import-html "$here/order_form.html" >/dev/null
# The page's ACTION is relative to the site it came from; the records go to the full address.
t set URL "$url"
t set DataSentText "Thank you for your order"
t set ImportData orders.txt
t set LinesToRead 1            # the export starts with a batch header line
t set ViewWarnings True
t set TrackSent True
t set PurgeDays 30
t set FieldToTrack1 orderno

# Where each field lies in an export line: ORDER  START  LENGTH
while read -r order start length; do
    t set-field "$order" ImportStart "$start"
    t set-field "$order" ImportLength "$length"
done <<'LAYOUT'
30 1 8
40 9 6
50 15 30
60 45 30
80 75 20
90 95 2
100 97 5
110 102 8
120 110 10
130 120 4
140 124 3
LAYOUT

# Hidden fields and the radio group carry no MAXLENGTH on the page: give them room.
t set-field 10 MaxLength 10
t set-field 20 MaxLength 10
t set-field 140 MaxLength 10
t set-field 30 Required True     # orderno
t set-field 50 Required True     # custname
t set-field 100 Required True    # zip
t set-field 60 Overflow True     # address1 carries what does not fit into address2
t set-field 110 Format "YYYYMMDD To MM/DD/YY"

# The cross walk: the export's state and shipping codes to the form's values.
while read -r field order code; do
    t set-option "$field" "$order" ImportMap "$code"
done <<'CROSSWALK'
state 10 39
state 20 18
state 30 26
state 40 21
state 50 42
state 60 54
ship 10 GRD
ship 20 2DA
ship 30 OVN
CROSSWALK
t set-option ship 10 DefaultValue True
