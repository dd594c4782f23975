#!/usr/bin/env bash
# Drives `kyld handshake` through a pipe with openssl as the cloud: it deciphers the
# initialisation message, derives the shared key from "otPK" with the root private key,
# issues a token and reads the verification message back with flatc.
#   handshake_test.sh KYLD KEYS_DIR SCHEMA
set -euo pipefail
kyld=$1 keys=$2 schema=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data  # the device identifier stays in the scratch directory
passed=0 failed=0

key_value() { sed -n "s/^$1=//p" "$keys/keys.env"; }
hex() { od -An -tx1 -v | tr -d ' \n'; }
unhex() { perl -e 'local $/; print pack("H*", <STDIN>)'; }
fixed_iv_hex=$(printf %s "$(key_value FIXED_IV)" | hex)

check() {  # name expected actual
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); echo "FAIL $1: expected [$2], got [$3]" >&2; fi
}

# The cloud's side of one initialisation message: the shared key and the device digest.
cloud_answer() {  # init-line crypt-key-name fixed-key-name root-pem
  local line=$1 b64 json point secret
  b64=${line#"@IOS,2,8,0,$2@"}
  json=$(printf %s "$b64" | openssl enc -d -aes-128-cbc -base64 -A \
    -K "$(printf %s "$(key_value "$3")" | hex)" -iv "$fixed_iv_hex")
  point=$(printf %s "$json" | sed 's/.*"otPK":"\([0-9a-f]*\)".*/\1/')
  printf '3059301306072a8648ce3d020106082a8648ce3d030107034200%s' "$point" | unhex > "$work/peer.der"
  secret=$(openssl pkeyutl -derive -inkey "$keys/$4" -peerkey "$work/peer.der" -peerform DER | hex)
  secret=$(printf %s "$secret" | sed 's/^\(00\)*//')
  share_key=$(printf %s "$secret" | unhex | openssl base64 -A | cut -c1-16)
  device_digest=$(printf %s "$json" | sed 's/.*"deviceId":"\([A-Za-z0-9]*\)".*/\1/' | tr -d '\n' |
    openssl dgst -md5 -r | cut -c1-32)
  header_ok=$([ "$b64" != "$line" ] && echo yes || echo no)
}

issue_token() {  # clear-text
  printf %s "$1" | openssl enc -aes-128-cbc -base64 -A -K "$(printf %s "$share_key" | hex)" -iv "$fixed_iv_hex"
}

# One session: starts kyld, answers its initialisation message with a token built from the
# given expiry offset and device digest override, and collects its output lines.
run_session() {  # crypt-type type-name fixed-key root-pem expiry-offset [jpeg...]
  local type=$1 name=$2 fixed=$3 pem=$4 offset=$5
  shift 5
  coproc KYLD { "$kyld" handshake --crypt-key-type "$type" 26 "$@" 2>/dev/null; }
  IFS= read -r init_line <&"${KYLD[0]}"
  cloud_answer "$init_line" "$name" "$fixed" "$pem"
  issue_token "26_${device_digest}_$(($(date +%s) + offset))_x" >&"${KYLD[1]}"
  echo >&"${KYLD[1]}"
  IFS= read -r outcome <&"${KYLD[0]}"
  data_line=""
  IFS= read -r data_line <&"${KYLD[0]}" || true
  wait "$KYLD_PID" || true
}

ffmpeg -loglevel error -f lavfi -i testsrc=size=480x640 -frames:v 1 "$work/frame.jpg"

for keyset in "0 DEFAULT FIXED_KEY_DEFAULT root_default.pem" "1 SH_CA FIXED_KEY_SH_CA root_sh_ca.pem" \
            "2 TEST FIXED_KEY_TEST root_test.pem" "9 TEST FIXED_KEY_TEST root_test.pem"; do
  set -- $keyset
  run_session "$1" "$2" "$3" "$4" 600 "$work/frame.jpg"
  check "type $1 header" yes "$header_ok"
  check "type $1 outcome" '{"code":"0","livingType":26}' "$outcome"
  check "type $1 data prefix" flatbuffer@ "${data_line:0:11}"
  printf %s "${data_line#flatbuffer@}" | openssl enc -d -aes-128-cbc -base64 -A \
    -K "$(printf %s "$share_key" | hex)" -iv "$fixed_iv_hex" > "$work/msg.bin"
  (cd "$work" && flatc --json --strict-json --raw-binary --no-warnings "$schema" -- msg.bin)
  check "type $1 history" '"empty"' "$(sed -n 's/.*"colorfulDetectHistory": *\("[^"]*"\).*/\1/p' "$work/msg.json")"
  check "type $1 cloud storage" 1 "$(sed -n 's/.*"useCloudStorage": *\([0-9]*\).*/\1/p' "$work/msg.json")"
done

run_session 0 DEFAULT FIXED_KEY_DEFAULT root_default.pem -5
check "expired token code" '"code":"2"' "$(printf %s "$outcome" | grep -o '"code":"2"')"
check "expired token message" '"msg":"token过期"' "$(printf %s "$outcome" | grep -o '"msg":"token过期"')"

echo "handshake: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
