#!/usr/bin/env bash
# The Debian package as a user gets it: builds the .deb with CPack from the build tree
# into a scratch folder, checks its control fields and manifest, unpacks it with dpkg -x
# and runs the CLI from there, validates the desktop entry, the AppStream metainfo and
# the man pages, and runs lintian on it (when lintian is installed), failing on errors.
#
#   package_test.sh BUILD_DIR PROJECT_VERSION
set -euo pipefail

build_dir=$(cd "$1" && pwd)
project_version=$2
cpack=${CPACK:-cpack}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vellumark-package-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
note() { echo "-- $*"; }

# --- Build the package (CPack's own work folder, so `make package` is left alone) ------------
note "cpack -G DEB"
# gzip rather than the package's xz: the same contents in a fraction of the time.
if ! "$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/out" \
    -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  echo "FAIL: cpack could not build the package" >&2
  exit 1
fi
shopt -s nullglob
debs=("$scratch"/out/*.deb)
shopt -u nullglob
if ((${#debs[@]} != 1)); then
  cat "$scratch/cpack.log" >&2
  echo "FAIL: expected one .deb, found ${#debs[@]}" >&2
  exit 1
fi
deb=${debs[0]}
note "built $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"

# --- Control fields -----------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == vellumark ]] || fail "Package is '$(field Package)', not vellumark"
[[ $(field Version) == "$project_version"-* ]] ||
  fail "Version '$(field Version)' is not the project version $project_version plus a revision"
for name in Maintainer Section Priority Description Architecture; do
  [[ -n $(field "$name") ]] || fail "the control field $name is empty"
done
depends=$(field Depends)
for pkg in libc6 libqt6core6 fonts-urw-base35 fonts-dejavu-core fonts-droid-fallback \
    tesseract-ocr-eng qt6-image-formats-plugins libqt6svg6 libtesseract5 libpangocairo-1.0-0; do
  grep -Eq "(^|, )$pkg( |,|$)" <<<"$depends" || fail "Depends lacks $pkg: $depends"
done

# --- Manifest -----------------------------------------------------------------------------
dpkg -c "$deb" | awk '{ print $NF }' | sed 's|^\./|/|; s|/$||' >"$scratch/manifest"
expected=(
  /usr/bin/vellumark
  /usr/bin/vellumark-cli
  /usr/share/applications/vellumark.desktop
  /usr/share/metainfo/org.vellumark.BrivelPDF.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/vellumark.svg
  /usr/share/man/man1/vellumark.1.gz
  /usr/share/man/man1/vellumark-cli.1.gz
  /usr/share/doc/vellumark/copyright
  /usr/share/doc/vellumark/changelog.Debian.gz
  /usr/share/lintian/overrides/vellumark
  /usr/share/bash-completion/completions/vellumark-cli
  /usr/share/zsh/vendor-completions/_vellumark-cli
  /usr/share/fish/vendor_completions.d/vellumark-cli.fish
)
sizes=(16 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/vellumark.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" "$scratch/manifest" || fail "the package lacks $path"
done
# Nothing but programs and shared data: no headers, libraries or test files.
stray=$(grep -v '^$' "$scratch/manifest" | grep -vE '^/(usr(/bin(/.*)?|/share(/(applications|metainfo|icons|man|doc|lintian|bash-completion|zsh|fish)(/.*)?)?)?)?$' || true)
[[ -z $stray ]] || fail "unexpected files in the package: $stray"
# Owned by root, directories 0755, programs 0755 and data 0644.
bad_modes=$(dpkg -c "$deb" | awk '
  $2 != "root/root" { print; next }
  $1 ~ /^d/ && $1 != "drwxr-xr-x" { print; next }
  $1 ~ /^-/ && $NF ~ /^\.\/usr\/bin\// && $1 != "-rwxr-xr-x" { print; next }
  $1 ~ /^-/ && $NF !~ /^\.\/usr\/bin\// && $1 != "-rw-r--r--" { print }')
[[ -z $bad_modes ]] || fail "unexpected owner or mode: $bad_modes"

# --- Unpacked: the CLI runs from it -------------------------------------------------------
root=$scratch/root
dpkg -x "$deb" "$root"
cli=$root/usr/bin/vellumark-cli
if help=$("$cli" --help 2>&1); then
  grep -q '^Usage: vellumark-cli COMMAND' <<<"$help" || fail "vellumark-cli --help printed: $help"
  # The commands of the README are all there (they register themselves at start-up).
  for command in info text search render ocr sign verify compose; do
    grep -Eq "^  $command " <<<"$help" || fail "vellumark-cli --help does not list '$command'"
  done
else
  fail "vellumark-cli --help exited $? and printed: $help"
fi
# The binaries are stripped (RelWithDebInfo builds carry debug sections).
if command -v readelf >/dev/null; then
  for program in vellumark vellumark-cli; do
    sections=$(readelf -S "$root/usr/bin/$program")
    ! grep -q '\.debug_info' <<<"$sections" || fail "$program keeps its debug information"
  done
fi

# Every command the CLI lists has its entry in the man page, with every option its --help
# lists: the packaged page is the one written from the option tables.
man_text=$(gzip -dc "$root/usr/share/man/man1/vellumark-cli.1.gz")
while read -r command _; do
  grep -qF "\\fB${command//-/\\-}\\fR" <<<"$man_text" ||
    fail "vellumark-cli.1 does not describe the command '$command'"
  entry=$(sed -n "/^\.SS ${command}\$/,/^\.S[SH] /p" <<<"$man_text")
  while read -r option; do
    [[ $option == --help ]] && continue
    grep -qF "\\fB${option//-/\\-}\\fR" <<<"$entry" ||
      fail "vellumark-cli.1 does not describe '$command $option'"
  done < <("$cli" "$command" --help | sed -n '/^Options:/,/^$/p' | grep -oE '^ +(-[a-z], )?--[a-z0-9-]+' |
    grep -oE -- '--[a-z0-9-]+$')
done < <(sed -n '/^Commands:/,/^$/p' <<<"$help" | sed '1d;/^$/d')
# The completions load in the shells that are installed.
for shell_file in bash:bash-completion/completions/vellumark-cli \
    zsh:zsh/vendor-completions/_vellumark-cli fish:fish/vendor_completions.d/vellumark-cli.fish; do
  shell=${shell_file%%:*}
  if command -v "$shell" >/dev/null; then
    "$shell" -n "$root/usr/share/${shell_file#*:}" || fail "$shell does not accept its completion"
  fi
done

# --- Man pages ------------------------------------------------------------------------------
for page in vellumark vellumark-cli; do
  file=$root/usr/share/man/man1/$page.1.gz
  gzip -t "$file" || fail "$page.1.gz is not valid gzip"
  # gzip -n: neither name nor time stamp in the header (bytes 4-7 hold the time).
  [[ $(od -An -tu1 -j4 -N4 "$file" | tr -d ' ') == 0000 ]] || fail "$page.1.gz has a time stamp"
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null || true)
    [[ -z $warnings ]] || fail "man -l $page.1.gz warns: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$file" 2>/dev/null | grep -q '^NAME' ||
      fail "man -l $page.1.gz shows no NAME section"
  fi
done

# --- Icons: the PNGs are the sizes their folders name -------------------------------------
# The IHDR chunk starts at byte 16 with the width and the height, 4 bytes each, big-endian.
png_size() {
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 "x" (($5 * 256 + $6) * 256 + $7) * 256 + $8 }'
}
for size in "${sizes[@]}"; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/vellumark.png
  [[ -f $png ]] || continue
  [[ $(head -c 8 "$png" | od -An -tx1 | tr -d ' ') == 89504e470d0a1a0a ]] || fail "$png is not a PNG"
  [[ $(png_size "$png") == "${size}x${size}" ]] || fail "$png is $(png_size "$png"), not ${size}x${size}"
done

# --- Desktop entry and AppStream metainfo ---------------------------------------------------
metainfo=$root/usr/share/metainfo/org.vellumark.BrivelPDF.metainfo.xml
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$scratch/appstream.log")"
else
  note "appstreamcli is not installed (package appstream): metainfo not validated"
fi
grep -q "<release version=\"$project_version\"" "$metainfo" ||
  fail "the metainfo has no <release> for version $project_version"
grep -q '<launchable type="desktop-id">vellumark.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch vellumark.desktop"
if command -v desktop-file-validate >/dev/null; then
  desktop_log=$(desktop-file-validate "$root/usr/share/applications/vellumark.desktop" 2>&1) ||
    fail "desktop-file-validate: $desktop_log"
else
  note "desktop-file-validate is not installed (package desktop-file-utils)"
fi

# --- lintian --------------------------------------------------------------------------------
if command -v lintian >/dev/null; then
  note "lintian"
  # Exit status 2 means "errors found" (told by the E: lines); anything else but 0 means
  # lintian itself failed.
  lintian_status=0
  lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 || lintian_status=$?
  cat "$scratch/lintian.log"
  if grep -q '^E: ' "$scratch/lintian.log"; then
    fail "lintian reports errors"
  elif ((lintian_status != 0)); then
    fail "lintian exited $lintian_status"
  fi
else
  note "lintian is not installed: the package is not linted"
fi

if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
note "the package passes"
