# Sourced. Wine's own fonts (fonts-wine: Marlett for the title-bar buttons,
# Tahoma) are not picked up from the data folder by this Wine build, so they
# are linked into the prefix's Fonts folder.
link_wine_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  local f
  for f in /usr/share/wine/fonts/*.ttf; do
    [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && ln -s "$f" "$fonts/"
  done
  return 0
}
