#!/usr/bin/env bash
# Where a build's minutes went: compile seconds per target from ninja's log (the latest run of
# every step), the slowest steps, and the totals by kind. Times are wall-clock per step, so a
# loaded machine inflates them all alike.
#   scripts/build-times.sh BUILD_DIR [TOP_N]
set -euo pipefail
dir=${1:?usage: $0 BUILD_DIR [TOP_N]}
top=${2:-15}
log="$dir/.ninja_log"
[ -f "$log" ] || { echo "no $log" >&2; exit 1; }
times=$(mktemp)
trap 'rm -f "$times"' EXIT
# The latest entry per output; a step with several outputs (moc) is counted once.
awk -F'\t' 'NR > 1 { e[$4] = $1 "\t" $2 "\t" $5 }
            END { for (o in e) { if (seen[e[o]]++) continue; split(e[o], f, "\t"); printf "%.2f\t%s\n", (f[2] - f[1]) / 1000, o } }' \
  "$log" >"$times"
echo "== compile seconds per target (objects) =="
awk -F'\t' '$2 ~ /\.o$/ { n = split($2, p, "/"); for (i = 1; i <= n; i++) if (p[i] ~ /\.dir$/) { t = substr(p[i], 1, length(p[i]) - 4); s[t] += $1; c[t]++ } }
            END { for (k in s) printf "%8.1f  %4d  %s\n", s[k], c[k], k }' "$times" | sort -rn | head -n "$top"
echo "== slowest steps =="
sort -rn "$times" | head -n "$top" | awk -F'\t' '{ printf "%8.1f  %s\n", $1, $2 }'
awk -F'\t' '{ k = $2 ~ /\.gch$/ ? "precompiled headers" : $2 ~ /\.o$/ ? "objects" : $2 ~ /autogen/ ? "moc" : "links and other"; s[k] += $1; c[k]++ }
            END { for (k in s) printf "== %s: %.0f s in %d steps ==\n", k, s[k], c[k] }' "$times"
