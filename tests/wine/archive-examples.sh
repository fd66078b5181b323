# README's examples in the tools archive's folder on Windows, typed into cmd
# as written there, against the same examples of the Linux build in a copy
# of the same folder: every example exits 0, and every output (standard
# output and error, and the files written) is the same, byte for byte, but
# the recording, whose tokens are each build's addresses. Real standard
# output, as cmd redirects it (not the batch command's files), for `ini`,
# `readme` and `settings`. And a scenario not found, and a device, named as
# Windows names them.
# Sourced by run-wine-check.sh, whose run_wine, $work, $root, $here and
# $linux it uses; it sets fail=1 on a failure.

archive_examples() {
  local tools arch n line name rc f
  tools=$(bash "$root/scripts/package.sh" "$work/pkg" | tail -n 1) ||
    { echo "wine check: the tools archive could not be packed"; fail=1; return; }
  for side in linux windows; do
    arch="$work/arch-$side"
    mkdir -p "$arch"
    (cd "$arch" && unzip -q "$tools")
    mkdir -p "$arch/check"
    cp "$here"/settings/*.ini "$arch/check/"
    # The commands, each with its outputs in files of its own.
    n=0
    {
      while IFS= read -r line; do
        n=$((n + 1))
        if [[ "$line" == *" > "* ]]; then
          printf '%s 2> example-%s.err\n' "$line" "$n"
        else
          printf '%s > example-%s.out 2> example-%s.err\n' "$line" "$n" "$n"
        fi
        printf '>>examples.rc echo example-%s %%ERRORLEVEL%%\n' "$n"
      done < <(bash "$root/tests/readme-examples.sh" "$root/README.md")
      printf 'lumenfold-sim readme > readme.out 2> readme.err\n'
      printf '>>examples.rc echo readme %%ERRORLEVEL%%\n'
      for f in "$here"/settings/*.ini; do
        name=$(basename "$f" .ini)
        printf 'lumenfold-sim settings check/%s.ini > settings-%s.out 2> settings-%s.err\n' \
          "$name" "$name" "$name"
        printf '>>examples.rc echo settings-%s %%ERRORLEVEL%%\n' "$name"
      done
    } > "$arch/examples.txt"
  done
  # Windows: one cmd for all of them, with Windows' line ends; and the two
  # names that only Windows has.
  {
    printf '@echo off\r\n'
    sed 's/$/\r/' "$work/arch-windows/examples.txt"
    printf 'lumenfold-sim run scenarios/sitting.json 2> only-missing.err\r\n'
    printf '>>only.rc echo missing %%ERRORLEVEL%%\r\n'
    printf 'lumenfold-sim run NUL 2> only-device.err\r\n'
    printf '>>only.rc echo device %%ERRORLEVEL%%\r\n'
  } > "$work/arch-windows/examples.bat"
  (cd "$work/arch-windows" && run_wine examples cmd /c examples.bat)
  # Linux: the same lines, lumenfold-sim being the Linux build.
  (
    cd "$work/arch-linux" || exit 1
    lumenfold-sim() { "$root/scripts/run32.sh" "$linux/lumenfold-sim" "$@"; }
    sed 's/%ERRORLEVEL%/$?/' examples.txt > examples.sh
    # shellcheck disable=SC1091
    . ./examples.sh
  )
  local compared=0
  for side in linux windows; do
    while read -r name rc; do
      [ "$rc" = 0 ] || [[ "$name" == settings-* ]] ||
        { echo "wine check ($side): ${name} of README exits $rc"; cat "$work/arch-$side/$name.err"; fail=1; }
    done < <(tr -d '\r' < "$work/arch-$side/examples.rc")
  done
  cmp -s <(tr -d '\r' < "$work/arch-linux/examples.rc") <(tr -d '\r' < "$work/arch-windows/examples.rc") ||
    { echo "wine check: the examples' exit statuses differ between the builds"; fail=1; }
  for f in "$work"/arch-linux/*.out "$work"/arch-linux/*.err "$work"/arch-linux/*.svg \
           "$work"/arch-linux/*.json "$work"/arch-linux/*.jsonl "$work"/arch-linux/My.ini; do
    name=$(basename "$f")
    compared=$((compared + 1))
    cmp -s "$f" "$work/arch-windows/$name" || {
      echo "wine check: README's example output $name differs between the builds:"
      diff <(od -c "$f" | head -20) <(od -c "$work/arch-windows/$name" 2>/dev/null | head -20) | head -10
      fail=1
    }
  done
  [ "$compared" -gt 20 ] || { echo "wine check: too few outputs of README's examples"; fail=1; }
  # The default file as cmd's > wrote it: Windows' line ends, once.
  grep -q $'\r\r' "$work/arch-windows/My.ini" && { echo "wine check: My.ini has \\r\\r\\n"; fail=1; }
  local want
  want='lumenfold-sim: scenarios/sitting.json: no such file (did you mean docs\scenarios\sitting.json? The documented scenarios are in docs\scenarios)'
  [ "$(tr -d '\r' < "$work/arch-windows/only-missing.err")" = "$want" ] ||
    { echo "wine check: a scenario not found: $(cat "$work/arch-windows/only-missing.err")"; fail=1; }
  grep -qxF 'lumenfold-sim: NUL: is a device, not a file' "$work/arch-windows/only-device.err" ||
    { echo "wine check: NUL as a scenario: $(cat "$work/arch-windows/only-device.err")"; fail=1; }
  [ "$(tr -d '\r' < "$work/arch-windows/only.rc")" = $'missing 3\ndevice 3' ] ||
    { echo "wine check: exit statuses of a scenario not found and NUL: $(cat "$work/arch-windows/only.rc")"; fail=1; }
  echo "wine check: README's $n examples run as written in the tools archive's folder (cmd)" \
       "and in the Linux build, with the same $compared outputs, the readme and the settings" \
       "reports as cmd's redirection wrote them"
}
