#!/usr/bin/env bash
# Offers the built Binorama for NZB files on this desktop, for this user: its
# desktop entry (started from the build given, default build/src/binorama),
# its icon and the NZB file type, in the user's data folder. Choosing Binorama as the
# default application for NZB files is left to the user (Preferences,
# Download page, or the desktop's own settings).
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build/src/binorama}")"
data="${XDG_DATA_HOME:-$HOME/.local/share}"

# The Exec line quotes the path; characters that would need escaping there
# are not written at all rather than written wrongly.
case "$program" in
  *[\"\`\$\\%]*)
    echo "register-desktop: not registering, the path has characters a desktop entry cannot hold: $program" >&2
    exit 0 ;;
esac

mkdir -p "$data/applications" "$data/mime/packages"
awk -v exec="Exec=\"$program\" %F" '/^Exec=/ { print exec; next } { print }' data/binorama.desktop \
  > "$data/applications/binorama.desktop.tmp"
mv "$data/applications/binorama.desktop.tmp" "$data/applications/binorama.desktop"
cp data/binorama-nzb.xml "$data/mime/packages/binorama-nzb.xml"
mkdir -p "$data/icons/hicolor/scalable/apps"
cp data/icons/hicolor/scalable/apps/binorama.svg "$data/icons/hicolor/scalable/apps/binorama.svg"

# The desktop reads both through caches; a tool that is missing only delays
# what the desktop sees until its next own update.
if command -v update-mime-database >/dev/null; then update-mime-database "$data/mime" >/dev/null 2>&1 || true; fi
if command -v update-desktop-database >/dev/null; then
  update-desktop-database "$data/applications" >/dev/null 2>&1 || true
fi
