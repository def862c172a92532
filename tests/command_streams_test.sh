#!/usr/bin/env bash
# grainrender and grainpanel as a shell meets them: closed and odd descriptors, protected files,
# unwritable standard output and the words of their refusals. One case per run, named by CTest.
#
#   tests/command_streams_test.sh CASE GRAINRENDER [GRAINPANEL]
set -uo pipefail

case_name=$1 render=$2 panel=${3:-}
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failed=0
fail() {
  echo "$case_name: $*" >&2
  failed=1
}
expect() {  # expect WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || fail "$1: got [$2], expected [$3]"
}

le32() {
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"
}
# wav NAME FRAMES: a 16-bit mono file of FRAMES samples of noise.
wav() {
  local bytes=$(($2 * 2))
  {
    printf 'RIFF'; le32 $((36 + bytes)); printf 'WAVEfmt '; le32 16
    printf '\x01\x00\x01\x00'; le32 44100; le32 88200; printf '\x02\x00\x10\x00data'; le32 "$bytes"
    head -c "$bytes" /dev/urandom
  } >"$1"
}
size() { stat -L -c %s "$1"; }
wav in.wav 4410
original=$(md5sum <in.wav)

case $case_name in
  ClosedStandardError)
    "$render" in.wav out.wav --samples 1000 2>&-
    expect status $? 0
    expect "output size" "$(size out.wav)" 2044
    ;;
  NothingWrittenBeforeTheChecks)
    "$render" in.wav - --samples 10 --seed 1 >>in.wav 2>err
    expect "appended status" $? 1
    "$render" in.wav - --samples 10 --seed 1 1<>in.wav 2>>err
    expect "read-write status" $? 1
    expect "input" "$(md5sum <in.wav)" "$original"
    "$render" missing.wav - --seed 1 >out.wav 2>>err
    expect "missing input status" $? 1
    expect "output of a missing input" "$(size out.wav)" 0
    expect "messages" "$(cat err)" "grainrender: cannot write -: it is the input file
grainrender: cannot write -: it is the input file
Wrong file format: missing.wav: no such file"
    ;;
  OutputsNamedByDescriptor)
    for name in /dev/stdout /dev/fd/1 /proc/self/fd/1; do
      expect "$name piped" "$("$render" in.wav "$name" --samples 1000 --seed 1 | wc -c)" 2044
    done
    "$render" in.wav >(cat >sub.wav) --samples 1000 --seed 1
    expect "process substitution status" $? 0
    wait $!
    expect "process substitution" "$(size sub.wav)" 2044
    exec 3>gone.wav
    rm gone.wav
    "$render" in.wav /dev/fd/3 --samples 1000 --seed 1
    expect "deleted file status" $? 0
    expect "deleted file" "$(size /dev/fd/3)" 2044
    exec 3>&-
    expect "files left" "$(ls | tr '\n' ' ')" "in.wav sub.wav "
    ;;
  ProtectedOutputs)
    wav locked.wav 10
    chmod 444 locked.wav
    chown 65534:65534 locked.wav 2>/dev/null
    as_user=()
    if [ "$(id -u)" = 0 ]; then
      # Root may write anything, so the refusal is seen as the file's owner.
      chmod 1777 "$work"
      as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    fi
    locked=$(md5sum <locked.wav)
    message=$("${as_user[@]}" "$render" in.wav locked.wav --seed 1 2>&1)
    expect "read-only status" $? 1
    expect "read-only message" "$message" "grainrender: cannot write locked.wav: Permission denied"
    expect "read-only file" "$(md5sum <locked.wav)" "$locked"
    if [ "$(id -u)" = 0 ]; then
      wav theirs.wav 10
      chown 65534:65534 theirs.wav
      chmod 6755 theirs.wav
      "$render" in.wav theirs.wav --samples 1000 --seed 1
      expect "replaced by root" "$(stat -c '%u:%g %a %s' theirs.wav)" "65534:65534 6755 2044"
    fi
    ;;
  UnwritableStandardOutput)
    for program in "$render" $panel; do
      for option in --help --version; do
        message=$("$program" "$option" 2>&1 >/dev/full)
        expect "$option status" $? 1
        expect "$option message" "$message" "$(basename "$program"): cannot write standard output: No space left on device"
      done
    done
    ;;
  SecondsAndLengths)
    for value in 0x10 0x1p3 inf 1e; do
      message=$("$render" in.wav out.wav --seconds "$value" 2>&1 | head -1)
      expect "--seconds $value" "$message" "grainrender: bad value for --seconds: $value"
    done
    for option in "--seconds 1e5" "--seconds 1e9" "--seconds 1e400" "--samples 99999999999999999999"; do
      message=$("$render" in.wav out.wav $option 2>&1 | head -1)
      expect "$option" "$message" "grainrender: the output would be too long for a WAV file"
    done
    ;;
  *)
    fail "no such case"
    ;;
esac
exit $failed
