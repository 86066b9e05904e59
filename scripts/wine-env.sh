# Sourced, with QV_BUILD_DIR set to the build tree: the environment of the project's private Wine
# prefix. Everything Wine writes (prefix, HOME, XDG folders) stays inside the build tree.
# QV_WINE_PREFIX_NAME picks another prefix in the tree: the tests use "wineprefix", packaging and
# the main job "wineprefix-dist". A prefix has one wineserver, which each session starts afresh
# and stops at its end, so two sessions can only run side by side in different prefixes.
export QV_WINE_PREFIX_NAME="${QV_WINE_PREFIX_NAME:-wineprefix}"
export WINEPREFIX="$QV_BUILD_DIR/$QV_WINE_PREFIX_NAME"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko install prompts, no desktop entries, and never a hand-over of a link to the
# host's browser.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winebrowser.exe=d"
export HOME="$QV_BUILD_DIR/home"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$HOME/.run"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
